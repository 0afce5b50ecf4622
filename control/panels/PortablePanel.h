#pragma once
// What a portable-device row shows: the record it copies from the device list, its
// label (the device's friendly name), its size line and bar (the free space, in the unit
// the capacity calls for) and the shell path that names the device.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "control/device/DeviceList.h"
#include "control/device/PortableDevices.h"

namespace tavolen {

namespace panel_strings {
constexpr uint32_t kFree = 451;
}  // namespace panel_strings

// The entry at `index` of the snapshot's portable devices; an empty entry (nothing to
// open, nothing to show) when the index is past the end.
PortableDeviceEntry PortableEntryAt(const DeviceSnapshot& devices, std::size_t index);

// The friendly name as its buffer holds it (cut at a NUL and at its capacity); empty when
// it could not be read.
std::u16string PortableLabelText(const std::optional<std::u16string>& friendlyName);

struct PortableCapacityLine {
  std::u16string text;       // "<Free> %0.1lf GB" (or MB); empty when the space is unknown
  uint32_t barPosition = 0;  // used percentage, 0..99
};
// A free space larger than the capacity counts as the capacity.
PortableCapacityLine PortableCapacity(const std::optional<StorageSpace>& space, std::u16string_view freeWord);

// The device as an item of the shell's Computer folder; empty for no device.
std::u16string PortableShellPath(std::u16string_view devicePath);

}  // namespace tavolen
