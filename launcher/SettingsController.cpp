#include "launcher/SettingsController.h"

#include <algorithm>
#include <cstdio>

#include "launcher/Text.h"

namespace tavolen::launcher {

namespace sp = settings_page;
namespace sf = settings_file;

void SettingsController::Fill(SettingsPagePort& page) {
  page.SetNumber(sp::kDriveCount, settings_.ReadDword(kShowDriveCount));
  page.SetChecked(sp::kShowAlways, settings_.ReadDword(kShowAlways) != 0);
  page.SetChecked(sp::kAutoHide, settings_.ReadDword(kAutoHide) != 0);
  page.SetChecked(sp::kAddRecycle, !file_.Read(sf::kIsSetRecycle, sf::kSettingState, sf::kValueCapacity).empty());
  page.SetChecked(sp::kWatchRemovable,
                  !file_.Read(sf::kWatchRemovable, sf::kSettingState, sf::kValueCapacity).empty());
  const int shortcuts = DecimalToInt(file_.Read(sf::kShortcutCount, sf::kSettingState, sf::kValueCapacity));
  page.SetNumber(sp::kShortcutCount, uint32_t(std::clamp<int>(shortcuts, 0, kMaxShortcutRows)));
  page.SetNumber(sp::kColorIndex, settings_.ReadDword(kColorIndex));
  page.Call(sp::kChangeColorIndex);
}

void SettingsController::WriteFlag(const std::u16string& section, bool on) {
  const bool written = on ? file_.Write(section, sf::kSettingState, u"1") : file_.DeleteKey(section, sf::kSettingState);
  if (!written) Failed();
}

void SettingsController::Confirm(SettingsPagePort& page, MainPagePort& mainPage) {
  const bool autoHide = page.Checked(sp::kAutoHide);
  const bool showAlways = page.Checked(sp::kShowAlways);
  const bool addRecycle = page.Checked(sp::kAddRecycle);
  const bool watchRemovable = page.Checked(sp::kWatchRemovable);
  const uint32_t driveCount = std::min(page.Number(sp::kDriveCount), kMaxDriveCount);
  const uint32_t shortcutCount = std::min(page.Number(sp::kShortcutCount), kMaxShortcutRows);
  uint32_t colorIndex = page.Number(sp::kColorIndex);
  if (colorIndex >= kColorCount) colorIndex = 0;

  if (!settings_.Writable()) {
    Failed();
    return;
  }
  const struct {
    const char16_t* name;
    uint32_t value;
  } values[] = {{kShowDriveCount, driveCount},
                {kAutoHide, autoHide ? 1u : 0u},
                {kShowAlways, showAlways ? 1u : 0u},
                {kColorIndex, colorIndex}};
  for (const auto& value : values) {
    if (!settings_.WriteDword(value.name, value.value)) Failed();
  }

  WriteFlag(sf::kIsSetRecycle, addRecycle);
  WriteFlag(sf::kWatchRemovable, watchRemovable);
  const bool written = shortcutCount != 0
                           ? file_.Write(sf::kShortcutCount, sf::kSettingState, IntToDecimal(shortcutCount))
                           : file_.DeleteKey(sf::kShortcutCount, sf::kSettingState);
  if (!written) Failed();

  mainPage.Call(kSetAdditionalFunc);
  mainPage.Call(kResize);
}

std::u16string AboutText(const uint16_t* v) {
  if (!v) return u"Tavolen ";
  char text[48];
  std::snprintf(text, sizeof text, "Tavolen Ver %d.%02d", int(v[0]), int(v[1]) * 10 + int(v[2]));
  return std::u16string(text, text + std::char_traits<char>::length(text));
}

}  // namespace tavolen::launcher
