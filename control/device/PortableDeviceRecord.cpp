#include "control/device/PortableDeviceRecord.h"

#include <cstring>

namespace tavolen {

namespace {
// The text of a device up to its first NUL.
std::u16string UpToNul(std::u16string text) {
  const std::size_t end = text.find(u'\0');
  if (end != std::u16string::npos) text.resize(end);
  return text;
}

constexpr unsigned kSectorShift = 9;  // capacity in 512-byte sectors
}  // namespace

bool IsDriveLetterObject(std::u16string_view objectId) {
  return objectId.size() >= 3 && objectId[1] == u':' && objectId[2] == u'\\';
}

std::optional<PortableDeviceEntry> DescribePortableDevice(DeviceInfo info, const std::u16string& devicePath,
                                                          PortableDeviceSession& session, OpenedPortableDevice& device,
                                                          PortableRead read) {
  // The portable view replaces whatever the drive view's step left in the same space.
  std::memset(&info.portable, 0, sizeof info.portable);
  info.kind = PortableDevice;
  SetText(info.portable.devicePath, devicePath);
  if (read == PortableRead::Full) {
    const auto manufacturer = session.Manufacturer(devicePath);
    if (manufacturer) SetText(info.portable.manufacturer, *manufacturer);
  }

  std::u16string objectId = UpToNul(device.FindStorageObject());
  if (IsDriveLetterObject(objectId)) return std::nullopt;
  if (objectId.size() > kMaxStorageObjectIdChars) objectId.clear();
  SetText(info.portable.storageObjectId, objectId);

  if (read == PortableRead::Full && !objectId.empty()) {
    if (const auto space = device.GetStorageCapacity(objectId)) {
      info.lastLba = space->capacity >> kSectorShift;
      info.bytesPerSector = 1u << kSectorShift;
    }
  }
  return PortableDeviceEntry{info, devicePath, std::move(objectId)};
}

}  // namespace tavolen
