#include "control/device/SystemDrive.h"

#include "control/device/CIoctl.h"

namespace tavolen {

uint32_t SystemDriveNumber(DeviceOpener& opener, const std::u16string& windowsDirectory) {
  CIoctl volume(opener, u"\\\\.\\" + windowsDirectory.substr(0, 2));
  StorageDeviceNumber number;
  return volume.GetDeviceNumber(number) ? number.deviceNumber : kNoDeviceNumber;
}

}  // namespace tavolen
