#include <windows.h>

#include "control/device/SystemDrive.h"
#include "control/device/win/Win32DeviceOpener.h"

namespace tavolen {

std::u16string WindowsDirectory() {
  wchar_t directory[MAX_PATH + 1] = {};
  const UINT length = ::GetWindowsDirectoryW(directory, MAX_PATH + 1);
  if (length == 0 || length > MAX_PATH) return {};
  return std::u16string(reinterpret_cast<const char16_t*>(directory), length);
}

uint32_t GetSystemDriveNumber() {
  const std::u16string directory = WindowsDirectory();
  if (directory.size() < 2) return kNoDeviceNumber;
  return SystemDriveNumber(SystemDeviceOpener(), directory);
}

}  // namespace tavolen
