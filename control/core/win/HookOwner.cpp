#include "control/core/win/HookOwner.h"

#include <dbt.h>

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
static_assert(kDbtDevTypVolume == DBT_DEVTYP_VOLUME, "device types");
static_assert(gadget_message::kWatchRemovable == panel_message::kWatchRemovable, "one watch message for the rows");
static_assert(gadget_message::kVolumeChange == WM_APP, "the control's messages start at WM_APP");

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
      uint32_t deviceType = 0;
      if (call->message == WM_DEVICECHANGE && call->lParam != 0 &&
          (call->wParam == DBT_DEVICEARRIVAL || call->wParam == DBT_DEVICEREMOVECOMPLETE))
        deviceType = reinterpret_cast<const DEV_BROADCAST_HDR*>(call->lParam)->dbch_devicetype;
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
