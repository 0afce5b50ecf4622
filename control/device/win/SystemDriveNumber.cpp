#include <windows.h>

#include "SystemDrive.h"
#include "Win32DeviceOpener.h"

namespace tavolen {

uint32_t GetSystemDriveNumber() {
  wchar_t directory[MAX_PATH + 1] = {};
  const UINT length = ::GetWindowsDirectoryW(directory, MAX_PATH + 1);
  if (length < 2 || length > MAX_PATH) return kNoDeviceNumber;
  return SystemDriveNumber(SystemDeviceOpener(), std::u16string(reinterpret_cast<const char16_t*>(directory), length));
}

}  // namespace tavolen
