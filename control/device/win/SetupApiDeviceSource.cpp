#include "control/device/win/SetupApiDeviceSource.h"

#include <windows.h>

#include <cfgmgr32.h>
#include <setupapi.h>

#include <cstddef>
#include <cstdint>
#include <cwchar>
#include <optional>
#include <utility>
#include <string>
#include <vector>

#include "framework/UniqueDevInfoSet.h"

namespace tavolen {

namespace {

static_assert(sizeof(wchar_t) == sizeof(char16_t), "UTF-16 on both sides of the boundary");
// The detail record's size field takes the platform's fixed value.
static_assert(sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W) == (sizeof(void*) == 8 ? 8 : 6),
              "SP_DEVICE_INTERFACE_DETAIL_DATA_W as the system expects it");

// GUID_DEVINTERFACE_DISK, GUID_DEVINTERFACE_CDROM, GUID_DEVINTERFACE_WPD.
constexpr GUID kDiskInterface = {0x53F56307, 0xB6BF, 0x11D0, {0x94, 0xF2, 0x00, 0xA0, 0xC9, 0x1E, 0xFB, 0x8B}};
constexpr GUID kCdromInterface = {0x53F56308, 0xB6BF, 0x11D0, {0x94, 0xF2, 0x00, 0xA0, 0xC9, 0x1E, 0xFB, 0x8B}};
constexpr GUID kWpdInterface = {0x6AC27878, 0xA6FA, 0x4155, {0xBA, 0x85, 0xF9, 0x8F, 0x49, 0x1D, 0x4F, 0x33}};

// A detail larger than this is not a device path we could open; the walk ends there.
constexpr DWORD kMaxDetailBytes = 64 * 1024;
constexpr ULONG kInstanceIdChars = 260;

const GUID& InterfaceGuid(InterfaceClass interfaceClass) {
  switch (interfaceClass) {
    case InterfaceClass::Disk: return kDiskInterface;
    case InterfaceClass::Cdrom: return kCdromInterface;
    case InterfaceClass::PortableDevice: break;
  }
  return kWpdInterface;
}

std::u16string FromWide(const wchar_t* text, std::size_t maxChars) {
  const std::size_t length = wcsnlen(text, maxChars);
  return std::u16string(reinterpret_cast<const char16_t*>(text), length);
}

class SetupApiWalk : public DeviceInterfaceWalk {
 public:
  SetupApiWalk(UniqueDevInfoSet set, const GUID& guid) : set_(std::move(set)), guid_(guid) {}

  std::optional<std::u16string> Next() override {
    haveDevice_ = false;
    if (ended_) return std::nullopt;
    auto path = Fetch();
    if (!path) ended_ = true;
    return path;
  }

  std::optional<std::u16string> ParentInstanceId() override {
    if (!haveDevice_) return std::nullopt;
    DEVINST parent = 0;
    if (CM_Get_Parent(&parent, device_.DevInst, 0) != CR_SUCCESS) return std::nullopt;
    wchar_t id[kInstanceIdChars] = {};
    if (CM_Get_Device_IDW(parent, id, kInstanceIdChars, 0) != CR_SUCCESS) return std::nullopt;
    return FromWide(id, kInstanceIdChars);
  }

 private:
  std::optional<std::u16string> Fetch() {
    SP_DEVICE_INTERFACE_DATA interfaceData = {};
    interfaceData.cbSize = sizeof interfaceData;
    if (!SetupDiEnumDeviceInterfaces(set_.get(), nullptr, &guid_, index_++, &interfaceData)) return std::nullopt;

    DWORD required = 0;
    if (SetupDiGetDeviceInterfaceDetailW(set_.get(), &interfaceData, nullptr, 0, &required, nullptr) ||
        GetLastError() != ERROR_INSUFFICIENT_BUFFER)
      return std::nullopt;
    constexpr DWORD kPathOffset = offsetof(SP_DEVICE_INTERFACE_DETAIL_DATA_W, DevicePath);
    if (required <= kPathOffset || required > kMaxDetailBytes) return std::nullopt;

    // Storage of 8-byte units keeps the record aligned for the system.
    std::vector<uint64_t> storage((required + sizeof(uint64_t) - 1) / sizeof(uint64_t));
    auto* detail = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_W*>(storage.data());
    detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W);
    device_ = {};
    device_.cbSize = sizeof device_;
    if (!SetupDiGetDeviceInterfaceDetailW(set_.get(), &interfaceData, detail, required, nullptr, &device_))
      return std::nullopt;
    haveDevice_ = true;
    return FromWide(detail->DevicePath, (required - kPathOffset) / sizeof(wchar_t));
  }

  UniqueDevInfoSet set_;
  GUID guid_;
  DWORD index_ = 0;
  SP_DEVINFO_DATA device_ = {};
  bool haveDevice_ = false;
  bool ended_ = false;
};

}  // namespace

std::unique_ptr<DeviceInterfaceWalk> SetupApiDeviceSource::Walk(InterfaceClass interfaceClass) {
  const GUID& guid = InterfaceGuid(interfaceClass);
  UniqueDevInfoSet set(SetupDiGetClassDevsW(&guid, nullptr, nullptr, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE));
  if (!set) return nullptr;
  return std::make_unique<SetupApiWalk>(std::move(set), guid);
}

}  // namespace tavolen
