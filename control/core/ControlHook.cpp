#include "control/core/ControlHook.h"

namespace tavolen {

uintptr_t HideDriveWParam(uint32_t slotIndex, std::u16string_view drivePath) {
  const char16_t letter = drivePath.empty() ? 0 : drivePath[0];
  const uintptr_t letterByte = letter >= u'A' && letter <= u'Z' ? uintptr_t(letter) : 0;
  return (slotIndex & 0xFF) | letterByte << 8;
}

HideDriveRequest ReadHideDriveWParam(uintptr_t wParam) {
  const char16_t letter = char16_t((wParam >> 8) & 0xFF);
  return {uint32_t(wParam & 0xFF), letter >= u'A' && letter <= u'Z' ? letter : char16_t(0)};
}

uint32_t TrustedDeviceType(uint32_t declaredSize, uint32_t declaredType, std::size_t readableBytes) {
  using namespace device_broadcast;
  if (declaredSize < kHeaderSize || declaredSize > kMaxSize || declaredSize > readableBytes) return kNoTrustedType;
  if (declaredType > kDbtDevTypHandle) return kNoTrustedType;
  if (declaredType == kDbtDevTypVolume && declaredSize != kVolumeSize) return kNoTrustedType;
  return declaredType;
}

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
