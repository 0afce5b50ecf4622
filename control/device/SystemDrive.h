#pragma once
// The storage device number of the disk that holds the Windows directory.
#include <cstdint>
#include <string>

#include "control/device/DeviceChannel.h"

namespace tavolen {

// windowsDirectory as GetWindowsDirectoryW gives it ("C:\WINDOWS"): its first two
// characters name the volume that is opened as "\\.\C:". 0xFFFFFFFF when the volume
// cannot tell its device number.
uint32_t SystemDriveNumber(DeviceOpener& opener, const std::u16string& windowsDirectory);

constexpr uint32_t kNoDeviceNumber = 0xFFFFFFFF;

}  // namespace tavolen
