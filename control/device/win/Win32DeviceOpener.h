#pragma once
// Opens device paths with CreateFileW for read and write, unbuffered. A path that does
// not open (usually: no administrator rights) gives a channel that hands every request
// to the device-management service under the path's ANSI form. An opener can also be
// told to send everything through the service, opening nothing itself.
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "control/device/DeviceChannel.h"
#include "control/device/win/ServiceClient.h"
#include "framework/UniqueHandle.h"

namespace tavolen {

// Carries one device I/O control through the service; in and out may be the same
// buffer. Returns success; on failure GetLastError() may tell more. Called on the thread
// that uses the channel.
using ServiceRoute = std::function<bool(const std::string& ansiDevicePath, uint32_t code, const void* in,
                                        uint32_t inLength, void* out, uint32_t outLength)>;

// A route on which every request fails (no service).
bool NoServiceRoute(const std::string& ansiDevicePath, uint32_t code, const void* in, uint32_t inLength, void* out,
                    uint32_t outLength);

// Opens a device path directly; no handle (and GetLastError() set) when it cannot be opened.
using DirectOpen = std::function<UniqueHandle(const std::u16string& path)>;

// CreateFileW(path, read and write, shared, OPEN_EXISTING, FILE_FLAG_NO_BUFFERING).
UniqueHandle OpenDeviceDirectly(const std::u16string& path);

enum class DeviceRoute {
  DirectElseService,  // open the device; when that fails, the service carries its requests
  ServiceOnly,        // every request goes through the service, even where the open would succeed
};

// The diagnostic setting that sends every device request through the service: the
// environment variable TAVOLEN_DEVICE_ROUTE with the value "service". On Windows it lets
// an administrator check the service route; under Wine it is the only way the disk of a
// drive letter reaches the service, because Wine opens \\.\PhysicalDrive<n> for it.
constexpr wchar_t kDeviceRouteVariable[] = L"TAVOLEN_DEVICE_ROUTE";
// ServiceOnly for exactly "service"; DirectElseService for any other value or none.
DeviceRoute DeviceRouteFromSetting(const std::optional<std::u16string>& value);
// The route the variable asks for now.
DeviceRoute DeviceRouteFromEnvironment();

struct DeviceOpenerOptions {
  DeviceRoute route = DeviceRoute::DirectElseService;
  ServiceRoute serviceRoute = &ServiceDeviceRoute;
  DirectOpen directOpen = &OpenDeviceDirectly;  // tests refuse opens here
};

// May be used from any thread; the channels it gives keep what they need of it.
class Win32DeviceOpener : public DeviceOpener {
 public:
  explicit Win32DeviceOpener(DeviceOpenerOptions options = {});
  std::unique_ptr<DeviceChannel> Open(const std::u16string& path) override;
  DeviceRoute Route() const { return route_; }

 private:
  DeviceRoute route_;
  std::shared_ptr<const ServiceRoute> serviceRoute_;
  DirectOpen directOpen_;
};

// Converts to the thread's ANSI code page, as the service expects device paths.
std::string ToThreadAnsi(const std::u16string& text);

// The opener the product uses (direct, else the device-management service), made on
// first use with the route TAVOLEN_DEVICE_ROUTE asks for then.
DeviceOpener& SystemDeviceOpener();

}  // namespace tavolen

namespace tavolen {
// GetWindowsDirectoryW ("C:\WINDOWS"), empty when it cannot be read.
std::u16string WindowsDirectory();
// Device number of the disk holding the Windows directory, or 0xFFFFFFFF.
uint32_t GetSystemDriveNumber();
}  // namespace tavolen
