#include "service/win/SystemDevices.h"

#include <windows.h>

#include "framework/UniqueHandle.h"

namespace tavolen::service {

bool SystemDevices::Control(const std::string& devicePath, uint32_t code, const uint8_t* in, uint32_t inLength,
                            uint8_t* out, uint32_t outLength, uint32_t* bytesReturned, uint32_t* error) {
  *bytesReturned = 0;
  const UniqueHandle device(::CreateFileA(devicePath.c_str(), GENERIC_READ | GENERIC_WRITE,
                                          FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr));
  if (!device) {
    *error = ::GetLastError();
    return false;
  }
  DWORD returned = 0;
  if (!::DeviceIoControl(device.get(), code, const_cast<uint8_t*>(in), inLength, out, outLength, &returned, nullptr)) {
    *error = ::GetLastError();
    return false;
  }
  *bytesReturned = returned;
  *error = 0;
  return true;
}

}  // namespace tavolen::service
