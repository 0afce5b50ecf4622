#include "control/device/win/Win32DeviceOpener.h"

#include <windows.h>
#include <winioctl.h>
#include <ntddscsi.h>

#include <cstddef>
#include <iterator>

#include "framework/UniqueHandle.h"
#include "control/device/IoctlCodes.h"
#include "control/device/PassThroughBlock.h"

namespace tavolen {

// The portable layer writes the pass-through records as explicit bytes; check that its
// native layout is exactly the one this compiler gives the platform structures.
static_assert(kIoctlScsiPassThrough == IOCTL_SCSI_PASS_THROUGH, "IOCTL_SCSI_PASS_THROUGH");
static_assert(kIoctlAtaPassThrough == IOCTL_ATA_PASS_THROUGH, "IOCTL_ATA_PASS_THROUGH");
static_assert(kIoctlDiskGetDriveGeometry == IOCTL_DISK_GET_DRIVE_GEOMETRY, "IOCTL_DISK_GET_DRIVE_GEOMETRY");
static_assert(kIoctlDiskPerformance == IOCTL_DISK_PERFORMANCE, "IOCTL_DISK_PERFORMANCE");
static_assert(kIoctlStorageGetDeviceNumber == IOCTL_STORAGE_GET_DEVICE_NUMBER, "IOCTL_STORAGE_GET_DEVICE_NUMBER");
static_assert(kIoctlStorageGetHotplugInfo == IOCTL_STORAGE_GET_HOTPLUG_INFO, "IOCTL_STORAGE_GET_HOTPLUG_INFO");
static_assert(sizeof(SCSI_PASS_THROUGH) == ScsiGeometry(NativeBlockLayout()).headerLength, "SCSI_PASS_THROUGH size");
static_assert(offsetof(SCSI_PASS_THROUGH, Cdb) == (sizeof(void*) == 8 ? 36 : 28), "SCSI_PASS_THROUGH.Cdb");
static_assert(offsetof(SCSI_PASS_THROUGH, DataBufferOffset) == (sizeof(void*) == 8 ? 24 : 20), "DataBufferOffset");
static_assert(sizeof(ATA_PASS_THROUGH_EX) == AtaGeometry(NativeBlockLayout()).headerLength, "ATA_PASS_THROUGH_EX size");
static_assert(offsetof(ATA_PASS_THROUGH_EX, CurrentTaskFile) == (sizeof(void*) == 8 ? 40 : 32), "CurrentTaskFile");
static_assert(sizeof(DISK_GEOMETRY) == 24 && sizeof(DISK_PERFORMANCE) == 88, "disk records");
static_assert(sizeof(STORAGE_DEVICE_NUMBER) == 12 && sizeof(STORAGE_HOTPLUG_INFO) == 8, "storage records");
static_assert(sizeof(wchar_t) == sizeof(char16_t), "UTF-16 on Windows");

namespace {

class DirectChannel : public DeviceChannel {
 public:
  explicit DirectChannel(UniqueHandle handle) : handle_(std::move(handle)) {}
  ChannelRoute Route() const override { return ChannelRoute::Direct; }
  bool Control(uint32_t code, const void* in, uint32_t inLength, void* out, uint32_t outLength,
               uint32_t* bytesReturned) override {
    DWORD returned = 0;
    const BOOL ok = ::DeviceIoControl(handle_.get(), code, const_cast<void*>(in), inLength, out, outLength, &returned,
                                      nullptr);
    *bytesReturned = returned;
    lastError_ = ok ? 0 : ::GetLastError();
    return ok != FALSE;
  }
  uint32_t LastError() const override { return lastError_; }

 private:
  UniqueHandle handle_;
  uint32_t lastError_ = 0;
};

class ServiceChannel : public DeviceChannel {
 public:
  ServiceChannel(std::string ansiPath, std::shared_ptr<const ServiceRoute> route)
      : ansiPath_(std::move(ansiPath)), route_(std::move(route)) {}
  ChannelRoute Route() const override { return ChannelRoute::Service; }
  bool Control(uint32_t code, const void* in, uint32_t inLength, void* out, uint32_t outLength,
               uint32_t* bytesReturned) override {
    *bytesReturned = 0;
    ::SetLastError(0);
    const bool ok = (*route_)(ansiPath_, code, in, inLength, out, outLength);
    lastError_ = ok ? 0 : ::GetLastError();
    if (!ok && lastError_ == 0) lastError_ = kErrorGenFailure;
    return ok;
  }
  uint32_t LastError() const override { return lastError_; }

 private:
  std::string ansiPath_;
  std::shared_ptr<const ServiceRoute> route_;
  uint32_t lastError_ = 0;
};

}  // namespace

bool NoServiceRoute(const std::string&, uint32_t, const void*, uint32_t, void*, uint32_t) {
  ::SetLastError(ERROR_FILE_NOT_FOUND);
  return false;
}

std::string ToThreadAnsi(const std::u16string& text) {
  if (text.empty()) return {};
  const auto* wide = reinterpret_cast<const wchar_t*>(text.c_str());
  const int needed = ::WideCharToMultiByte(CP_THREAD_ACP, 0, wide, int(text.size()), nullptr, 0, nullptr, nullptr);
  if (needed <= 0) return {};
  std::string ansi(std::size_t(needed), '\0');
  ::WideCharToMultiByte(CP_THREAD_ACP, 0, wide, int(text.size()), ansi.data(), needed, nullptr, nullptr);
  return ansi;
}

UniqueHandle OpenDeviceDirectly(const std::u16string& path) {
  return UniqueHandle(::CreateFileW(reinterpret_cast<const wchar_t*>(path.c_str()), GENERIC_READ | GENERIC_WRITE,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, FILE_FLAG_NO_BUFFERING,
                                    nullptr));
}

DeviceRoute DeviceRouteFromSetting(const std::optional<std::u16string>& value) {
  return value == u"service" ? DeviceRoute::ServiceOnly : DeviceRoute::DirectElseService;
}

DeviceRoute DeviceRouteFromEnvironment() {
  wchar_t value[16] = {};
  const DWORD length = ::GetEnvironmentVariableW(kDeviceRouteVariable, value, DWORD(std::size(value)));
  // 0: not set; a length beyond the buffer: a value too long to be "service".
  if (length == 0 || length >= std::size(value)) return DeviceRouteFromSetting(std::nullopt);
  return DeviceRouteFromSetting(std::u16string(reinterpret_cast<const char16_t*>(value), length));
}

Win32DeviceOpener::Win32DeviceOpener(DeviceOpenerOptions options)
    : route_(options.route),
      serviceRoute_(std::make_shared<const ServiceRoute>(std::move(options.serviceRoute))),
      directOpen_(std::move(options.directOpen)) {}

std::unique_ptr<DeviceChannel> Win32DeviceOpener::Open(const std::u16string& path) {
  if (route_ == DeviceRoute::DirectElseService) {
    UniqueHandle handle = directOpen_(path);
    if (handle) return std::make_unique<DirectChannel>(std::move(handle));
  }
  return std::make_unique<ServiceChannel>(ToThreadAnsi(path), serviceRoute_);
}

DeviceOpener& SystemDeviceOpener() {
  static Win32DeviceOpener opener(DeviceOpenerOptions{DeviceRouteFromEnvironment()});
  return opener;
}

}  // namespace tavolen
