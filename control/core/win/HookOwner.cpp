#include "control/core/win/HookOwner.h"

#include <dbt.h>

#include <cstring>

#include "control/core/ControlHook.h"
#include "control/core/win/CZendrelApp.h"
#include "control/widgets/win/PanelMessages.h"

namespace tavolen {

// The portable mapping uses its own copies of the system's numbers.
static_assert(kWmPowerBroadcast == WM_POWERBROADCAST && kWmDeviceChange == WM_DEVICECHANGE, "messages");
static_assert(kPbtApmSuspend == PBT_APMSUSPEND && kPbtApmResumeSuspend == PBT_APMRESUMESUSPEND, "power events");
static_assert(kDbtDevNodesChanged == DBT_DEVNODES_CHANGED && kDbtConfigChanged == DBT_CONFIGCHANGED, "device events");
static_assert(kDbtDeviceArrival == DBT_DEVICEARRIVAL && kDbtDeviceRemoveComplete == DBT_DEVICEREMOVECOMPLETE,
              "device events");
static_assert(kDbtDevTypOem == DBT_DEVTYP_OEM && kDbtDevTypVolume == DBT_DEVTYP_VOLUME &&
                  kDbtDevTypHandle == DBT_DEVTYP_HANDLE,
              "device types");
static_assert(device_broadcast::kHeaderSize == sizeof(DEV_BROADCAST_HDR) &&
                  device_broadcast::kVolumeSize == sizeof(DEV_BROADCAST_VOLUME),
              "broadcast sizes");
static_assert(gadget_message::kWatchRemovable == panel_message::kWatchRemovable, "one watch message for the rows");
static_assert(gadget_message::kVolumeChange == WM_APP, "the control's messages start at WM_APP");

namespace {

bool Readable(const MEMORY_BASIC_INFORMATION& region) {
  constexpr DWORD kReadable = PAGE_READONLY | PAGE_READWRITE | PAGE_WRITECOPY | PAGE_EXECUTE_READ |
                              PAGE_EXECUTE_READWRITE | PAGE_EXECUTE_WRITECOPY;
  return region.State == MEM_COMMIT && (region.Protect & kReadable) != 0 &&
         (region.Protect & (PAGE_GUARD | PAGE_NOACCESS)) == 0;
}

// How many of the `wanted` bytes from `address` on lie in committed, readable memory of
// this process, counted region by region.
std::size_t ReadableBytes(uintptr_t address, std::size_t wanted) {
  std::size_t readable = 0;
  while (readable < wanted) {
    MEMORY_BASIC_INFORMATION region{};
    const uintptr_t at = address + readable;
    if (at < address) break;  // wrapped around the address space
    if (::VirtualQuery(reinterpret_cast<const void*>(at), &region, sizeof region) != sizeof region ||
        !Readable(region))
      break;
    const uintptr_t end = uintptr_t(region.BaseAddress) + region.RegionSize;
    if (end <= at) break;
    readable += std::size_t(end - at);
  }
  return readable < wanted ? readable : wanted;
}

// The device type of the broadcast at lParam that the mapping may act on. The sender is
// no guide: the system's own notifications come from another process as well (the system
// copies the block into ours), and any process may send the same message with an address
// that means nothing here. So the block itself is checked: the header only once its
// bytes are known readable, the rest only as far as its declared size is readable too.
uint32_t TrustedBroadcastType(LPARAM lParam) {
  const auto address = uintptr_t(lParam);
  if (address == 0 || ReadableBytes(address, device_broadcast::kHeaderSize) < device_broadcast::kHeaderSize)
    return kNoTrustedType;
  DEV_BROADCAST_HDR header{};
  std::memcpy(&header, reinterpret_cast<const void*>(address), sizeof header);
  const std::size_t declared = header.dbch_size < device_broadcast::kMaxSize ? header.dbch_size : device_broadcast::kMaxSize;
  return TrustedDeviceType(header.dbch_size, header.dbch_devicetype, ReadableBytes(address, declared));
}

}  // namespace

std::unique_ptr<HookOwner> HookOwner::Install() {
  CZendrelApp& app = CZendrelApp::Instance();
  if (app.HookInstalled()) return nullptr;
  UniqueHook hook(::SetWindowsHookExW(WH_CALLWNDPROC, &HookOwner::Procedure, nullptr, ::GetCurrentThreadId()));
  if (!hook) return nullptr;
  app.SetHookInstalled(true);
  return std::make_unique<HookOwner>(Key(), std::move(hook));
}

HookOwner::~HookOwner() {
  hook_.reset();
  CZendrelApp::Instance().SetHookInstalled(false);
}

LRESULT CALLBACK HookOwner::Procedure(int code, WPARAM wParam, LPARAM lParam) {
  const HWND target = CZendrelApp::Instance().GadgetWnd();
  if (code == HC_ACTION && lParam != 0 && target != nullptr) {
    const auto* call = reinterpret_cast<const CWPSTRUCT*>(lParam);
    // What the hook itself sends to the control window is not looked at again.
    if (call->hwnd != target) {
      uint32_t deviceType = kNoTrustedType;
      if (call->message == WM_DEVICECHANGE && EventCarriesBroadcast(call->wParam) &&
          (call->wParam == DBT_DEVICEARRIVAL || call->wParam == DBT_DEVICEREMOVECOMPLETE))
        deviceType = TrustedBroadcastType(call->lParam);
      const HookAction action = MapHookMessage(call->message, call->wParam, deviceType);
      if (action.kind == HookAction::Kind::SendPowerBroadcast)
        ::SendMessageW(target, WM_POWERBROADCAST, action.wParam, 0);
      else if (action.kind == HookAction::Kind::Post)
        ::PostMessageW(target, action.message, action.wParam, 0);
    }
  }
  return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

}  // namespace tavolen
