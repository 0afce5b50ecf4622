// The settings page: filled from the registry and the settings file, stored on OK, the
// failure box for each store that fails, and the about text.
#include <gtest/gtest.h>

#include <map>

#include "launcher/SettingsController.h"
#include "tests/fakes/MemorySettingsFile.h"
#include "tests/launcher/LauncherFakes.h"

using namespace tavolen;
using namespace tavolen::launcher;
using namespace tavolen::launcher::testing;

namespace {

constexpr char16_t kKey[] = u"Software\\Varnkeld\\Tavolen";

class FakeSettingsPage : public SettingsPagePort {
 public:
  bool Checked(const std::u16string& id) override { return checks[id]; }
  void SetChecked(const std::u16string& id, bool checked) override { checks[id] = checked; }
  uint32_t Number(const std::u16string& id) override { return numbers[id]; }
  void SetNumber(const std::u16string& id, uint32_t value) override { numbers[id] = value; }
  bool Call(const std::u16string& function) override {
    calls.push_back(function);
    calledAfterFilling = checks.size() == 4 && numbers.size() == 3;
    return true;
  }
  bool calledAfterFilling = false;
  std::map<std::u16string, bool> checks;
  std::map<std::u16string, uint32_t> numbers;
  std::vector<std::u16string> calls;
};

struct FailingFile : tavolen::testing::MemorySettingsFile {
  bool Write(const std::u16string&, const std::u16string&, const std::u16string&) override { return false; }
  bool DeleteKey(const std::u16string&, const std::u16string&) override { return false; }
};

struct Settings {
  MemoryRegistry registry;
  RecordingPrompts prompts;
  LauncherSettings settings{registry, prompts};
  tavolen::testing::MemorySettingsFile file;
  FakeSettingsPage page;
  FakePage mainPage;
  Settings() {
    registry.CreateKey(Registry::Hive::CurrentUser, kKey);
    settings.EnsureDefaults();
  }
  uint32_t Dword(const char16_t* name) { return ReadDword(registry, Registry::Hive::CurrentUser, kKey, name).value_or(99); }
};

}  // namespace

TEST(SettingsPage, IsFilledFromTheRegistryAndTheSettingsFileThenRecoloured) {
  Settings s;
  s.registry.Put(kKey, u"ShowDriveCount", DwordValue(3));
  s.registry.Put(kKey, u"AutoHide", DwordValue(1));
  s.registry.Put(kKey, u"ColorIndex", DwordValue(2));
  s.file.sections[u"IsSetRecycle"][u"SETTING_STATE"] = u"0";  // any text ticks the box
  s.file.sections[u"SETTED_SHORTCUT_COUNT"][u"SETTING_STATE"] = u"12345";  // read as "123", cut to 20
  SettingsController(s.settings, s.file, s.prompts).Fill(s.page);
  EXPECT_EQ(s.page.numbers[u"DriveCount"], 3u);
  EXPECT_TRUE(s.page.checks[u"AutoHide"]);
  EXPECT_FALSE(s.page.checks[u"ShowAlways"]);
  EXPECT_TRUE(s.page.checks[u"AddRecycle"]);
  EXPECT_FALSE(s.page.checks[u"WacthRemovable"]);
  EXPECT_EQ(s.page.numbers[u"ShortcutCount"], 20u);
  EXPECT_EQ(s.page.numbers[u"ColorIndex"], 2u);
  EXPECT_EQ(s.page.calls, std::vector<std::u16string>{u"ChangeColorIndex"});
  EXPECT_TRUE(s.page.calledAfterFilling);
}

TEST(SettingsPage, ConfirmStoresEveryValueAndAppliesThemThroughTheMainPage) {
  Settings s;
  s.file.sections[u"WatchRemovable"][u"SETTING_STATE"] = u"1";
  s.file.sections[u"SETTED_SHORTCUT_COUNT"][u"SETTING_STATE"] = u"4";
  s.page.checks = {{u"AutoHide", true}, {u"ShowAlways", true}, {u"AddRecycle", true}, {u"WacthRemovable", false}};
  s.page.numbers = {{u"DriveCount", 3}, {u"ShortcutCount", 0}, {u"ColorIndex", 7}};
  SettingsController(s.settings, s.file, s.prompts).Confirm(s.page, s.mainPage);
  EXPECT_EQ(s.Dword(u"ShowDriveCount"), 3u);
  EXPECT_EQ(s.Dword(u"AutoHide"), 1u);
  EXPECT_EQ(s.Dword(u"ShowAlways"), 1u);
  EXPECT_EQ(s.Dword(u"ColorIndex"), 0u) << "a colour the page cannot have";
  EXPECT_EQ(s.file.sections[u"IsSetRecycle"][u"SETTING_STATE"], u"1");
  EXPECT_FALSE(s.file.Has(u"WatchRemovable", u"SETTING_STATE"));
  EXPECT_FALSE(s.file.Has(u"SETTED_SHORTCUT_COUNT", u"SETTING_STATE")) << "0 deletes the key";
  EXPECT_EQ(s.mainPage.calls, (std::vector<std::u16string>{u"SetAdditionalFunc", u"Resize"}));
  EXPECT_TRUE(s.prompts.errors.empty());

  s.page.numbers[u"ShortcutCount"] = 2;
  SettingsController(s.settings, s.file, s.prompts).Confirm(s.page, s.mainPage);
  EXPECT_EQ(s.file.sections[u"SETTED_SHORTCUT_COUNT"][u"SETTING_STATE"], u"2");
}

TEST(SettingsPage, EveryFailedStoreIsToldAndAnUnwritableKeyStoresNothing) {
  Settings readOnly;
  readOnly.registry.readOnly = true;
  readOnly.page.checks[u"AddRecycle"] = true;
  SettingsController(readOnly.settings, readOnly.file, readOnly.prompts).Confirm(readOnly.page, readOnly.mainPage);
  EXPECT_EQ(readOnly.prompts.errors, std::vector<std::u16string>{u"ERROR: 変更できませんでした。"});
  EXPECT_TRUE(readOnly.file.sections.empty());
  EXPECT_TRUE(readOnly.mainPage.calls.empty());

  Settings failing;
  failing.registry.failWrites = true;
  SettingsController(failing.settings, failing.file, failing.prompts).Confirm(failing.page, failing.mainPage);
  EXPECT_EQ(failing.prompts.errors.size(), 4u) << "one box per value";
  EXPECT_EQ(failing.prompts.statuses.size(), 4u) << "each after the registry's own text";

  Settings badFile;
  FailingFile file;
  SettingsController(badFile.settings, file, badFile.prompts).Confirm(badFile.page, badFile.mainPage);
  EXPECT_EQ(badFile.prompts.errors.size(), 3u) << "one box per settings-file entry";
  EXPECT_EQ(badFile.Dword(u"ShowDriveCount"), 0u);
}

TEST(AboutText, ShowsTheFileVersionAsMajorAndTwoDigits) {
  const uint16_t v1[] = {2, 7, 2, 56}, v2[] = {1, 0, 15, 0}, v3[] = {1, 0, 0, 0}, v4[] = {3, 12, 4, 0};
  EXPECT_EQ(AboutText(v1), u"Tavolen Ver 2.72");
  EXPECT_EQ(AboutText(v2), u"Tavolen Ver 1.15");
  EXPECT_EQ(AboutText(v3), u"Tavolen Ver 1.00");
  EXPECT_EQ(AboutText(v4), u"Tavolen Ver 3.124");
  EXPECT_EQ(AboutText(nullptr), u"Tavolen ");
}
