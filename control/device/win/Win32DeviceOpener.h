#pragma once
// Opens device paths with CreateFileW for read and write, unbuffered. A path that does
// not open (usually: no administrator rights) gives a channel that hands every request
// to the device-management service under the path's ANSI form.
#include <cstdint>
#include <memory>
#include <string>

#include "control/device/DeviceChannel.h"
#include "control/device/win/ServiceClient.h"

namespace tavolen {

// Carries one device I/O control through the service; in and out may be the same
// buffer. Returns success; on failure GetLastError() may tell more.
using ServiceRoute = bool (*)(const std::string& ansiDevicePath, uint32_t code, const void* in, uint32_t inLength,
                              void* out, uint32_t outLength);

// A route on which every request fails (no service).
bool NoServiceRoute(const std::string& ansiDevicePath, uint32_t code, const void* in, uint32_t inLength, void* out,
                    uint32_t outLength);

class Win32DeviceOpener : public DeviceOpener {
 public:
  explicit Win32DeviceOpener(ServiceRoute serviceRoute = &ServiceDeviceRoute) : serviceRoute_(serviceRoute) {}
  std::unique_ptr<DeviceChannel> Open(const std::u16string& path) override;

 private:
  ServiceRoute serviceRoute_;
};

// Converts to the thread's ANSI code page, as the service expects device paths.
std::string ToThreadAnsi(const std::u16string& text);

// The opener the product uses (direct, else the device-management service).
DeviceOpener& SystemDeviceOpener();

}  // namespace tavolen

namespace tavolen {
// GetWindowsDirectoryW ("C:\WINDOWS"), empty when it cannot be read.
std::u16string WindowsDirectory();
// Device number of the disk holding the Windows directory, or 0xFFFFFFFF.
uint32_t GetSystemDriveNumber();
}  // namespace tavolen
