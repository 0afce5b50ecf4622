#include "control/core/ControlHook.h"

namespace tavolen {

HookAction MapHookMessage(uint32_t message, uintptr_t wParam, uint32_t deviceType) {
  if (message == kWmPowerBroadcast && (wParam == kPbtApmSuspend || wParam == kPbtApmResumeSuspend))
    return {HookAction::Kind::SendPowerBroadcast, kWmPowerBroadcast, uint32_t(wParam)};
  if (message != kWmDeviceChange) return {};
  switch (wParam) {
    case kDbtDevNodesChanged: return {HookAction::Kind::Post, gadget_message::kDevNodes, 0};
    case kDbtConfigChanged: return {HookAction::Kind::Post, gadget_message::kUpdate, 0};
    case kDbtDeviceArrival:
    case kDbtDeviceRemoveComplete:
      if (deviceType == kDbtDevTypVolume) return {HookAction::Kind::Post, gadget_message::kVolumeChange, 0};
      return {};
    default: return {};
  }
}

}  // namespace tavolen
