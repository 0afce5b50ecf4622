#include "control/panels/PortablePanel.h"

#include <algorithm>
#include <cstdio>

#include "control/device/PortableDeviceRecord.h"
#include "control/panels/SizeText.h"

namespace tavolen {

namespace {
constexpr uint64_t kMiB = uint64_t(1) << 20;
constexpr uint64_t kGiB = uint64_t(1) << 30;
// Below this many bytes a free count times 100 cannot overflow.
constexpr uint64_t kExactBarLimit = uint64_t(1) << 56;
constexpr char16_t kComputerFolder[] = u"::{20D04FE0-3AEA-1069-A2D8-08002B30309D}\\";
}  // namespace

PortableDeviceEntry PortableEntryAt(const DeviceSnapshot& devices, std::size_t index) {
  if (index < devices.portableDevices.size()) return devices.portableDevices[index];
  return PortableDeviceEntry{ZeroDeviceInfo(), {}, {}};
}

std::u16string PortableLabelText(const std::optional<std::u16string>& friendlyName) {
  if (!friendlyName) return {};
  std::u16string_view name(*friendlyName);
  name = name.substr(0, name.find(u'\0'));
  return std::u16string(name.substr(0, kManagerTextCapacity - 1));
}

PortableCapacityLine PortableCapacity(const std::optional<StorageSpace>& space, std::u16string_view freeWord) {
  if (!space) return {};
  uint64_t capacity = space->capacity;
  uint64_t free = std::min(space->freeSpace, capacity);
  const bool gigabytes = capacity >= kGiB;
  char number[48];
  std::snprintf(number, sizeof number, gigabytes ? " %0.1lf GB" : " %0.1lf MB",
                double(free) / double(gigabytes ? kGiB : kMiB));
  PortableCapacityLine line;
  line.text = std::u16string(freeWord) + std::u16string(number, number + std::char_traits<char>::length(number));
  // The device's numbers are its own: scaled down so that the percentage cannot overflow.
  while (capacity >= kExactBarLimit) {
    capacity >>= 1;
    free >>= 1;
  }
  line.barPosition = CapacityBarPosition(capacity, free);
  return line;
}

std::u16string PortableShellPath(std::u16string_view devicePath) {
  if (devicePath.empty()) return {};
  return kComputerFolder + std::u16string(devicePath);
}

}  // namespace tavolen
