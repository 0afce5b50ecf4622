#pragma once
// The launcher's registry values as the control reads and writes them: HKEY_CURRENT_USER
// "Software\Varnkeld\Tavolen", reached through the registry port.
#include <cstdint>
#include <optional>
#include <string>

#include "ports/Registry.h"

namespace tavolen {

constexpr char16_t kLauncherKey[] = u"Software\\Varnkeld\\Tavolen";

// Registry value names are at most this long.
constexpr std::size_t kMaxValueName = 16383;

// The low byte of the four-byte value `name`; 0 when the key or the value cannot be read,
// when the value is not four bytes long, and for a name no registry value can have.
uint8_t ReadSettingByte(Registry& registry, const std::u16string& name);

// Sets "ShowDriveCount" to the DWORD 0 in the existing key. Nothing when the key cannot
// be opened (then nothing is written and nothing is to be told); otherwise the status of
// the write, which the caller shows when it failed.
std::optional<long> ResetShowDriveCount(Registry& registry);

}  // namespace tavolen
