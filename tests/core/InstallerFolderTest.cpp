// Where the service installer may be run from: the host program's folder or the control
// module's, never a folder a gadget or page could have filled.
#include <gtest/gtest.h>

#include "control/core/InstallerFolder.h"

using namespace tavolen;

TEST(InstallerFolder, TheHostOrTheModuleFolderIsChosenAndNothingElse) {
  const std::u16string host = u"C:\\Program Files\\Tavolen";
  const std::u16string module = u"D:\\Shared\\Control";
  struct Case {
    InstallerCandidates candidates;
    std::optional<std::u16string> chosen;
    const char* why;
  };
  const Case cases[] = {
      {{host, true, module, true}, host, "the host's own installer comes first"},
      {{host, false, module, true}, module, "else the module's"},
      {{host, false, module, false}, host, "neither holds it: the host's folder, where starting it fails"},
      {{u"", false, module, false}, module, "no host folder known"},
      {{u".", true, module, false}, module, "a relative host folder is never used"},
      {{u"Tavolen", true, u"Control", true}, std::nullopt, "no absolute folder at all"},
      {{u"", false, u"", false}, std::nullopt, "nothing known"},
      {{u"\\\\server\\share\\Tavolen", true, module, true}, u"\\\\server\\share\\Tavolen", "a share is absolute"},
      {{u"\\\\\\x", true, module, true}, module, "three separators name no share"},
      {{u"\\Tavolen", true, module, true}, module, "rooted but without a drive"},
      {{u"1:\\Tavolen", true, module, false}, module, "no such drive letter"},
  };
  for (const Case& c : cases) EXPECT_EQ(ChooseInstallerFolder(c.candidates), c.chosen) << c.why;
}

TEST(InstallerFolder, TheInstallerLiesInDevMgrBelowTheChosenFolder) {
  EXPECT_EQ(InstallerPath(u"C:\\Tavolen"), u"C:\\Tavolen\\DevMgr\\SETUP.exe");
  EXPECT_EQ(InstallerWorkingFolder(u"C:\\Tavolen"), u"C:\\Tavolen\\DevMgr");
}
