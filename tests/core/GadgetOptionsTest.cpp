// The gadget's options as the page stores them and the control reads them back, the
// hidden-drive list, and the page location the control takes its folder from.
#include <gtest/gtest.h>

#include "control/core/GadgetOptions.h"
#include "tests/fakes/MemorySettingsFile.h"

using namespace tavolen;
using tavolen::testing::MemorySettingsFile;

TEST(GadgetPath, PageUrlBecomesItsFolder) {
  EXPECT_EQ(NormalizeGadgetPath(u"/C:/Program%20Files/x/Marvesk.htm"), u"C:\\Program Files\\x");
  EXPECT_EQ(NormalizeGadgetPath(u"C:\\Gadget"), u"C:\\Gadget") << "a folder is taken whole";
  EXPECT_EQ(NormalizeGadgetPath(u"C:\\Gadget\\page.html"), u"C:\\Gadget\\page.html") << "only .htm is cut";
  EXPECT_EQ(NormalizeGadgetPath(u"C:\\Gadget\\PAGE.HTM"), u"C:\\Gadget\\PAGE.HTM") << "compared case-sensitively";
  EXPECT_EQ(NormalizeGadgetPath(u"D:/a%20b%20c/Flyout.htm"), u"D:\\a b c");
  EXPECT_EQ(NormalizeGadgetPath(u""), u"");
  EXPECT_EQ(NormalizeGadgetPath(u"page.htm"), u"page.htm") << "no folder to cut at";
}

TEST(GadgetPath, OverlongLocationsAreBounded) {
  const std::u16string hostile(200000, u'a');
  EXPECT_EQ(NormalizeGadgetPath(hostile).size(), kMaxGadgetPath);
}

TEST(GadgetOptions, MissingFileReadsAsEverythingOff) {
  MemorySettingsFile ini;
  const GadgetOptions options = ReadGadgetOptions(ini);
  EXPECT_EQ(options.recycle, 0u);
  EXPECT_EQ(options.watchRemovable, 0u);
  EXPECT_EQ(options.shortcutCount, 0);
  EXPECT_EQ(options.showCount, 0);
  EXPECT_EQ(options.colorIndex, 0);
  EXPECT_TRUE(ReadHiddenDrives(ini).empty());
}

TEST(GadgetOptions, WritingStoresOnlyWhatIsOnOrNonZero) {
  MemorySettingsFile ini;
  WriteGadgetOptions(ini, true, true, 3, 7, 2);
  WriteGadgetOptions(ini, true, false, 0, 5, 0);
  EXPECT_EQ(ini.sections[u"IsSetRecycle"][u"SETTING_STATE"], u"1");
  EXPECT_EQ(ini.sections[u"ShowCount"][u"SETTING_STATE"], u"5");
  EXPECT_FALSE(ini.Has(u"WatchRemovable", u"SETTING_STATE"));
  EXPECT_FALSE(ini.Has(u"SETTED_SHORTCUT_COUNT", u"SETTING_STATE"));
  EXPECT_FALSE(ini.Has(u"ColorIndex", u"SETTING_STATE"));

  const GadgetOptions options = ReadGadgetOptions(ini);
  EXPECT_EQ(options.recycle, uint32_t(u'1'));
  EXPECT_EQ(options.watchRemovable, 0u);
  EXPECT_EQ(options.showCount, 5);
}

TEST(GadgetOptions, OnMeansAnythingStoredAndNumbersAreDecimal) {
  MemorySettingsFile ini;
  ini.Write(u"WatchRemovable", u"SETTING_STATE", u"yes");
  ini.Write(u"SETTED_SHORTCUT_COUNT", u"SETTING_STATE", u"12abc");
  ini.Write(u"ColorIndex", u"SETTING_STATE", u"-3");
  EXPECT_EQ(ReadGadgetOptions(ini).watchRemovable, uint32_t(u'y'));
  EXPECT_EQ(ReadGadgetOptions(ini).shortcutCount, 12);
  EXPECT_EQ(ReadGadgetOptions(ini).colorIndex, -3);
}

TEST(GadgetOptions, HostileNumbersDoNotBecomeRows) {
  MemorySettingsFile ini;
  for (const char16_t* value : {u"99999999999999", u"-1", u"256", u"x"}) {
    ini.Write(u"SETTED_SHORTCUT_COUNT", u"SETTING_STATE", value);
    EXPECT_EQ(ReadGadgetOptions(ini).shortcutCount, 0) << std::string(value, value + 2);
  }
  ini.Write(u"ShowCount", u"SETTING_STATE", u"99999999999999");
  EXPECT_EQ(ReadGadgetOptions(ini).showCount, 0);
}

TEST(HiddenDrives, ListSurvivesAndCanBeForgotten) {
  MemorySettingsFile ini;
  WriteHiddenDrives(ini, u"E:\\");
  WriteHiddenDrives(ini, ReadHiddenDrives(ini) + u"F:\\");
  EXPECT_EQ(ReadHiddenDrives(ini), u"E:\\F:\\");
  ForgetHiddenDrives(ini);
  EXPECT_FALSE(ini.Has(u"HIDE_DRIVE", u"Setted_Drives"));
}

TEST(HiddenDrives, ReadingIsBoundedToTheBuffer) {
  MemorySettingsFile ini;
  ini.Write(u"HIDE_DRIVE", u"Setted_Drives", std::u16string(5000, u'Z'));
  EXPECT_EQ(ReadHiddenDrives(ini).size(), settings::kHiddenDrivesCapacity - 1);
}
