#include "control/core/GadgetOptions.h"

namespace tavolen {

namespace {
std::u16string Decimal(uint32_t value) {
  const std::string digits = std::to_string(value);
  return std::u16string(digits.begin(), digits.end());
}

void WriteFlag(SettingsFile& ini, const char16_t* section, bool on) {
  if (on) ini.Write(section, settings::kSettingState, u"1");
  else ini.DeleteKey(section, settings::kSettingState);
}

void WriteNumber(SettingsFile& ini, const char16_t* section, uint32_t value) {
  if (value != 0) ini.Write(section, settings::kSettingState, Decimal(value));
  else ini.DeleteKey(section, settings::kSettingState);
}

// On/off values are read with a four-character buffer: on when anything is stored.
uint32_t ReadFlag(SettingsFile& ini, const char16_t* section) {
  const std::u16string value = ini.Read(section, settings::kSettingState, 4);
  return value.empty() ? 0 : uint32_t(value[0]);
}
}  // namespace

GadgetOptions ReadGadgetOptions(SettingsFile& ini) {
  GadgetOptions options;
  options.recycle = ReadFlag(ini, settings::kIsSetRecycle);
  options.watchRemovable = ReadFlag(ini, settings::kWatchRemovable);
  const int shortcuts = ReadSettingInt(ini, settings::kShortcutCount, settings::kSettingState, 0);
  // The count is stored by the settings page as a byte; anything else is not ours.
  options.shortcutCount = shortcuts > 0 && shortcuts <= 255 ? uint8_t(shortcuts) : 0;
  options.showCount = ReadSettingInt(ini, settings::kShowCount, settings::kSettingState, 0);
  options.colorIndex = ReadSettingInt(ini, settings::kColorIndex, settings::kSettingState, 0);
  return options;
}

void WriteGadgetOptions(SettingsFile& ini, bool recycle, bool watchRemovable, uint32_t shortcutCount,
                        uint32_t showCount, uint32_t colorIndex) {
  WriteFlag(ini, settings::kIsSetRecycle, recycle);
  WriteFlag(ini, settings::kWatchRemovable, watchRemovable);
  WriteNumber(ini, settings::kShortcutCount, shortcutCount);
  WriteNumber(ini, settings::kShowCount, showCount);
  WriteNumber(ini, settings::kColorIndex, colorIndex);
}

std::u16string ReadHiddenDrives(SettingsFile& ini) {
  return ini.Read(settings::kHideDrive, settings::kSettedDrives, settings::kHiddenDrivesCapacity);
}

void WriteHiddenDrives(SettingsFile& ini, const std::u16string& hiddenDrives) {
  ini.Write(settings::kHideDrive, settings::kSettedDrives, hiddenDrives.substr(0, settings::kHiddenDrivesCapacity - 1));
}

void ForgetHiddenDrives(SettingsFile& ini) { ini.DeleteKey(settings::kHideDrive, settings::kSettedDrives); }

std::u16string NormalizeGadgetPath(std::u16string path) {
  if (path.size() > kMaxGadgetPath) path.resize(kMaxGadgetPath);
  for (char16_t& c : path)
    if (c == u'/') c = u'\\';
  if (!path.empty() && path[0] == u'\\') path.erase(0, 1);
  if (path.size() >= 4 && path.compare(path.size() - 4, 4, u".htm") == 0) {
    const std::size_t slash = path.rfind(u'\\');
    if (slash != std::u16string::npos) path.resize(slash);
  }
  std::u16string folder;
  folder.reserve(path.size());
  for (std::size_t i = 0; i < path.size(); ++i) {
    if (path.compare(i, 3, u"%20") == 0) {
      folder += u' ';
      i += 2;
    } else {
      folder += path[i];
    }
  }
  return folder;
}

}  // namespace tavolen
