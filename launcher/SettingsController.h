#pragma once
// The settings page's decisions: filling it from the registry and the settings file
// beside the launcher, and storing what the user confirmed. Cancel stores nothing, so it
// needs no code here. Used on the UI thread; everything given outlives the object.
#include <cstdint>
#include <string>

#include "launcher/LauncherPrompts.h"
#include "launcher/LauncherSettings.h"
#include "launcher/MarveskPort.h"
#include "ports/SettingsFile.h"

namespace tavolen::launcher {

// The settings page's elements and function.
namespace settings_page {
inline constexpr char16_t kAutoHide[] = u"AutoHide";
inline constexpr char16_t kShowAlways[] = u"ShowAlways";
inline constexpr char16_t kDriveCount[] = u"DriveCount";
inline constexpr char16_t kColorIndex[] = u"ColorIndex";
inline constexpr char16_t kAddRecycle[] = u"AddRecycle";
inline constexpr char16_t kWatchRemovable[] = u"WacthRemovable";  // spelled as the page spells it
inline constexpr char16_t kShortcutCount[] = u"ShortcutCount";
inline constexpr char16_t kButtonOk[] = u"ButtonOK";
inline constexpr char16_t kButtonCancel[] = u"ButtonCancel";
inline constexpr char16_t kShowManual[] = u"ShowManual";
inline constexpr char16_t kChangeColorIndex[] = u"ChangeColorIndex";
}  // namespace settings_page

// Sections of "DragAndDropSetting.ini", each with the one key "SETTING_STATE".
namespace settings_file {
inline constexpr char16_t kFileName[] = u"\\DragAndDropSetting.ini";
inline constexpr char16_t kIsSetRecycle[] = u"IsSetRecycle";
inline constexpr char16_t kWatchRemovable[] = u"WatchRemovable";
inline constexpr char16_t kShortcutCount[] = u"SETTED_SHORTCUT_COUNT";
inline constexpr char16_t kSettingState[] = u"SETTING_STATE";
// Values are read into a buffer of this many characters.
inline constexpr std::size_t kValueCapacity = 4;
}  // namespace settings_file

// What the page's choices may be; larger numbers from a page are cut to these.
inline constexpr uint32_t kMaxDriveCount = 99;
inline constexpr uint32_t kMaxShortcutRows = 20;
inline constexpr uint32_t kColorCount = 4;

// The failure box of the settings page: "the change failed".
inline constexpr char16_t kChangeFailed[] = u"変更できませんでした。";

// The settings page as the launcher sees it: check boxes and integer values by element id.
class SettingsPagePort {
 public:
  virtual ~SettingsPagePort() = default;
  virtual bool Checked(const std::u16string& id) = 0;
  virtual void SetChecked(const std::u16string& id, bool checked) = 0;
  // The element's value as a decimal number; 0 when it holds none.
  virtual uint32_t Number(const std::u16string& id) = 0;
  virtual void SetNumber(const std::u16string& id, uint32_t value) = 0;
  virtual bool Call(const std::u16string& function) = 0;
};

class SettingsController {
 public:
  SettingsController(LauncherSettings& settings, SettingsFile& file, LauncherPrompts& prompts)
      : settings_(settings), file_(file), prompts_(prompts) {}

  // The page finished loading: the stored values into its elements, then its colours.
  void Fill(SettingsPagePort& page);
  // "ButtonOK": stores the page's values, then asks the main page to apply them. The
  // dialog closes afterwards in every case.
  void Confirm(SettingsPagePort& page, MainPagePort& mainPage);

 private:
  void WriteFlag(const std::u16string& section, bool on);
  void Failed() { prompts_.ShowError(kChangeFailed, kErrorCaption); }

  LauncherSettings& settings_;
  SettingsFile& file_;
  LauncherPrompts& prompts_;
};

// The about box's text for a file version a.b.c.d: "Tavolen Ver a.bc" with b * 10 + c
// written with at least two digits (2.7.2.56 gives "Tavolen Ver 2.72"); without a
// version "Tavolen " alone.
std::u16string AboutText(const uint16_t* fileVersion);

}  // namespace tavolen::launcher
