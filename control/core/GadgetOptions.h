#pragma once
// The gadget's options in DragAndDropSetting.ini: the recycle-bin row, the watch on
// removable drives, the number of shortcut rows, the page's row count and colour, and
// the list of hidden drives. On/off options are "1" or no key; numbers are decimal text
// or no key for 0, so a value "0" never stands in the file.
#include <cstdint>
#include <string>

#include "ports/SettingsFile.h"

namespace tavolen {

namespace settings {
constexpr char16_t kIniName[] = u"\\DragAndDropSetting.ini";
constexpr char16_t kHideDrive[] = u"HIDE_DRIVE";
constexpr char16_t kSettedDrives[] = u"Setted_Drives";
constexpr char16_t kWatchRemovable[] = u"WatchRemovable";
constexpr char16_t kSaveMethod[] = u"SAVE_METHOD";
constexpr char16_t kSaveAddress[] = u"SAVE_ADDRESS";
constexpr char16_t kTimerSettings[] = u"TimerSettings";
constexpr char16_t kIsTimerCommandSend[] = u"IsTimerCommandSend";
constexpr char16_t kIsSetRecycle[] = u"IsSetRecycle";
constexpr char16_t kShortcutCount[] = u"SETTED_SHORTCUT_COUNT";
constexpr char16_t kSettingState[] = u"SETTING_STATE";
constexpr char16_t kShortcutLine[] = u"SHORTCUT_LINE";
constexpr char16_t kColorIndex[] = u"ColorIndex";
constexpr char16_t kShowCount[] = u"ShowCount";
// The hidden-drive text is read into a buffer of this many characters.
constexpr std::size_t kHiddenDrivesCapacity = 520;
}  // namespace settings

struct GadgetOptions {
  // The first character code of the stored on/off values (0 when off), as the rows
  // compare them.
  uint32_t recycle = 0;
  uint32_t watchRemovable = 0;
  uint8_t shortcutCount = 0;
  int showCount = 0;
  int colorIndex = 0;
};

GadgetOptions ReadGadgetOptions(SettingsFile& ini);

// Stores the five options of the page's settings: "1" or no key, "%d" or no key.
void WriteGadgetOptions(SettingsFile& ini, bool recycle, bool watchRemovable, uint32_t shortcutCount,
                        uint32_t showCount, uint32_t colorIndex);

std::u16string ReadHiddenDrives(SettingsFile& ini);
void WriteHiddenDrives(SettingsFile& ini, const std::u16string& hiddenDrives);
void ForgetHiddenDrives(SettingsFile& ini);

// The folder of the hosting page from the location the page passes: "/" becomes "\", a
// leading "\" goes, a name ending in ".htm" is cut at its last "\", "%20" becomes a blank.
std::u16string NormalizeGadgetPath(std::u16string path);

// The page passes its own location; anything longer than a path can be is cut here so
// nothing downstream sees an unbounded text.
constexpr std::size_t kMaxGadgetPath = 32767;

}  // namespace tavolen
