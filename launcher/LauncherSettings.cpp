#include "launcher/LauncherSettings.h"

#include <cstdio>

#include "launcher/Text.h"
#include "launcher/TypedRegistryValue.h"

namespace tavolen::launcher {
namespace {

constexpr Registry::Hive kHive = Registry::Hive::CurrentUser;
constexpr char16_t kParentKey[] = u"SOFTWARE\\Varnkeld";
constexpr char16_t kOwnKey[] = u"SOFTWARE\\Varnkeld\\Tavolen";

std::u16string Ascii(const char* text) { return std::u16string(text, text + std::char_traits<char>::length(text)); }

}  // namespace

void LauncherSettings::EnsureDefaults() {
  if (registry_.CreateKey(kHive, kParentKey) != Registry::kSuccess ||
      registry_.CreateKey(kHive, kOwnKey) != Registry::kSuccess) {
    prompts_.ShowError(kCannotCreateKey, kErrorCaption);
    return;
  }
  if (!Writable()) {
    prompts_.ShowError(kCannotSetDefaults, kErrorCaption);
    return;
  }
  struct Default {
    const char16_t* name;
    const char16_t* spec;
  };
  static constexpr Default kDefaults[] = {
      {kShowDriveCount, u"REG_DWORD, 0"}, {kPosX, u"REG_SZ, 0"}, {kPosY, u"REG_SZ, 0"}, {kShowAlways, u"REG_DWORD, 0"}};
  for (const Default& value : kDefaults) {
    if (!registry_.ValueExists(kHive, kLauncherKey, value.name))
      SetTypedRegistryValue(registry_, prompts_, kLauncherKey, value.name, value.spec);
  }
}

uint32_t LauncherSettings::ReadDword(const std::u16string& name) {
  return tavolen::ReadDword(registry_, kHive, kLauncherKey, name).value_or(0);
}

int LauncherSettings::ReadPositionValue(const std::u16string& name) {
  const std::optional<Registry::Value> value = registry_.Read(kHive, kLauncherKey, name);
  if (!value || value->type != Registry::kString || value->data.size() > kPositionTextBytes ||
      value->data.size() % 2 != 0)
    return 0;
  std::u16string text;
  bool terminated = false;
  for (std::size_t i = 0; i + 1 < value->data.size(); i += 2) {
    const char16_t c = char16_t(value->data[i] | value->data[i + 1] << 8);
    if (c == 0) {
      terminated = true;
      break;
    }
    text.push_back(c);
  }
  return terminated ? DecimalToInt(text) : 0;
}

Point LauncherSettings::ReadPosition() { return Point{ReadPositionValue(kPosX), ReadPositionValue(kPosY)}; }

bool LauncherSettings::Writable() { return registry_.OpenForWriting(kHive, kLauncherKey) == Registry::kSuccess; }

void LauncherSettings::SavePosition(Point corner) {
  if (!Writable()) return;
  if (corner.x == 0 && corner.y == 0) corner.y = 1;
  if (SetTypedRegistryValue(registry_, prompts_, kLauncherKey, kPosX, u"REG_SZ," + IntToDecimal(corner.x)))
    SetTypedRegistryValue(registry_, prompts_, kLauncherKey, kPosY, u"REG_SZ," + IntToDecimal(corner.y));
}

bool LauncherSettings::WriteDword(const std::u16string& name, uint32_t value) {
  char spec[32];
  std::snprintf(spec, sizeof spec, "REG_DWORD,0x%08lx", static_cast<unsigned long>(value));
  return SetTypedRegistryValue(registry_, prompts_, kLauncherKey, name, Ascii(spec));
}

}  // namespace tavolen::launcher
