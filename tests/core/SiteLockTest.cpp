// Which containers and pages the control serves, and which folders a page may name.
#include <gtest/gtest.h>

#include <string>

#include "control/core/SiteLock.h"

namespace tavolen {
namespace {

TEST(SiteLockTest, ABrowserIsServedOnlyForLocalPagesAndGadgetPages) {
  struct Case {
    ContainerSite site;
    bool served;
  };
  const Case cases[] = {
      {{false, u""}, true},  // the launcher's native page, the gadget host: no document
      {{false, u"http://example.invalid/"}, true},
      {{true, u"file:///C:/Users/a/AppData/Local/Programs/Tavolen/Marvesk.htm"}, true},
      {{true, u"FILE:///c:/x.htm"}, true},
      {{true, u"file://localhost/D:/pages/x.htm"}, true},
      {{true, u"file:/C:/x.htm"}, true},
      {{true, u"x-gadget:///gadget.html"}, true},
      {{true, u"http://example.invalid/Marvesk.htm"}, false},
      {{true, u"https://example.invalid/"}, false},
      {{true, u"file://server/share/Marvesk.htm"}, false},
      {{true, u"file:////server/share/Marvesk.htm"}, false},
      {{true, u"file:///\\\\server\\share\\x.htm"}, false},
      {{true, u"file:///"}, false},
      {{true, u"about:blank"}, false},
      {{true, u"javascript:alert(1)"}, false},
      {{true, u""}, false},  // a browser that does not say where its page comes from
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.served, ServesSite(c.site)) << std::string(c.site.url.begin(), c.site.url.end());
  }
}

TEST(SiteLockTest, GadgetFoldersAreLocalAndCanonical) {
  struct Case {
    std::u16string location;
    std::optional<std::u16string> folder;
  };
  const Case cases[] = {
      {u"/C:/Users/a/Tavolen%201/Marvesk.htm", u"C:\\Users\\a\\Tavolen 1"},
      {u"C:\\Program Files\\Tavolen\\Marvesk.htm", u"C:\\Program Files\\Tavolen"},
      {u"/C:/a/./b//c/../Marvesk.htm", u"C:\\a\\b"},
      {u"/D:/Marvesk.htm", u"D:\\"},
      {u"/C:/a/../../Windows/Marvesk.htm", std::nullopt},
      {u"//server/share/Marvesk.htm", std::nullopt},
      {u"\\\\server\\share\\gadget", std::nullopt},
      {u"\\\\?\\C:\\x\\Marvesk.htm", std::nullopt},
      {u"\\\\.\\PhysicalDrive0", std::nullopt},
      {u"/relative/Marvesk.htm", std::nullopt},
      {u"gadget", std::nullopt},
      {u"", std::nullopt},
      {u"/C:/a/b:stream/Marvesk.htm", std::nullopt},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.folder, CheckedGadgetFolder(c.location)) << std::string(c.location.begin(), c.location.end());
  }
}

}  // namespace
}  // namespace tavolen
