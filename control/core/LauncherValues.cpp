#include "control/core/LauncherValues.h"

namespace tavolen {

uint8_t ReadSettingByte(Registry& registry, const std::u16string& name) {
  if (name.size() > kMaxValueName || name.find(u'\0') != std::u16string::npos) return 0;
  const std::optional<Registry::Value> value = registry.Read(Registry::Hive::CurrentUser, kLauncherKey, name);
  if (!value || value->data.size() != 4) return 0;
  return value->data[0];  // little-endian: the low byte comes first
}

std::optional<long> ResetShowDriveCount(Registry& registry) {
  if (!registry.KeyExists(Registry::Hive::CurrentUser, kLauncherKey)) return std::nullopt;
  const long status = registry.Write(Registry::Hive::CurrentUser, kLauncherKey, u"ShowDriveCount", DwordValue(0));
  // A key that cannot be opened for writing (gone meanwhile, or not ours to change) is
  // left alone, as a key that does not open at all.
  if (status == Registry::kNotFound || status == Registry::kAccessDenied) return std::nullopt;
  return status;
}

}  // namespace tavolen
