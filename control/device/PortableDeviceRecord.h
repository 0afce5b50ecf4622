#pragma once
// What the portable-device class of enumeration makes of an opened device: its
// fixed-size record, and beside it the whole identifiers that the record's fields can
// only hold cut (a cut path no longer opens the device, a cut object identifier names no
// object).
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "control/device/DeviceInfo.h"
#include "control/device/PortableDevices.h"

namespace tavolen {

struct PortableDeviceEntry {
  DeviceInfo record;
  std::u16string devicePath;       // whole upper-case interface path
  std::u16string storageObjectId;  // whole identifier of the first storage, or empty
};

// A longer storage-object identifier is not taken: the device is listed without storage.
constexpr std::size_t kMaxStorageObjectIdChars = 1024;
// The manager's texts are read into buffers of this many characters (NUL included).
constexpr std::size_t kManagerTextCapacity = 260;

// An identifier of a drive-letter object ("E:\" and what follows): such a device is a
// mass-storage volume, which the disk class lists already.
bool IsDriveLetterObject(std::u16string_view objectId);

enum class PortableRead {
  Full,   // manufacturer, storage and its capacity
  Count,  // only what decides whether the device is listed: no manufacturer, no capacity
};

// `info` holds what the common interface step found (the bus and its identifiers);
// `devicePath` is the upper-case interface path the device was opened with. None when
// the device is not listed.
std::optional<PortableDeviceEntry> DescribePortableDevice(DeviceInfo info, const std::u16string& devicePath,
                                                          PortableDeviceSession& session, OpenedPortableDevice& device,
                                                          PortableRead read);

}  // namespace tavolen
