#include "ports/Registry.h"

namespace tavolen {

std::optional<uint32_t> ReadDword(Registry& registry, Registry::Hive hive, const std::u16string& key,
                                  const std::u16string& name) {
  const std::optional<Registry::Value> value = registry.Read(hive, key, name);
  if (!value || value->type != Registry::kDword || value->data.size() != 4) return std::nullopt;
  const std::vector<uint8_t>& d = value->data;
  return uint32_t(d[0]) | uint32_t(d[1]) << 8 | uint32_t(d[2]) << 16 | uint32_t(d[3]) << 24;
}

Registry::Value DwordValue(uint32_t value) {
  return Registry::Value{Registry::kDword,
                         {uint8_t(value), uint8_t(value >> 8), uint8_t(value >> 16), uint8_t(value >> 24)}};
}

}  // namespace tavolen
