#pragma once
// What the control's message hook makes of a message sent to a window of the host's
// thread: power broadcasts are passed on to the control window, device changes become
// the control's private messages.
#include <cstdint>
#include <string_view>

namespace tavolen {

// Private messages of the control window.
namespace gadget_message {
constexpr uint32_t kVolumeChange = 0x8000;
constexpr uint32_t kHideDrive = 0x8002;
constexpr uint32_t kUpdate = 0x8003;
constexpr uint32_t kFlyoutOn = 0x8004;
constexpr uint32_t kFlyoutOff = 0x8005;
constexpr uint32_t kChangeSize = 0x8006;
constexpr uint32_t kRepaint = 0x8007;
constexpr uint32_t kRebuild = 0x800E;
constexpr uint32_t kProbe = 0x800F;
constexpr uint32_t kWatchRemovable = 0x8012;
constexpr uint32_t kDevNodes = 0x8013;
}  // namespace gadget_message

// wParam of kHideDrive: the panel's slot index in the low byte, as rows have always sent
// it, and the panel's drive letter in the next byte (0 when it has none), so that the
// control hides the row of that drive even when another hide renumbered the rows first.
uintptr_t HideDriveWParam(uint32_t slotIndex, std::u16string_view drivePath);
struct HideDriveRequest {
  uint32_t slotIndex;
  char16_t driveLetter;  // 0: find the row by its index
};
HideDriveRequest ReadHideDriveWParam(uintptr_t wParam);

constexpr uint32_t kWmPowerBroadcast = 0x0218;
constexpr uint32_t kWmDeviceChange = 0x0219;
constexpr uint32_t kPbtApmSuspend = 4;
constexpr uint32_t kPbtApmResumeSuspend = 7;
constexpr uint32_t kDbtDevNodesChanged = 0x0007;
constexpr uint32_t kDbtConfigChanged = 0x0018;
constexpr uint32_t kDbtDeviceArrival = 0x8000;
constexpr uint32_t kDbtDeviceRemoveComplete = 0x8004;
constexpr uint32_t kDbtDevTypVolume = 2;

struct HookAction {
  enum class Kind { None, SendPowerBroadcast, Post } kind = Kind::None;
  uint32_t message = 0;  // for Post: the private message; for SendPowerBroadcast: WM_POWERBROADCAST
  uint32_t wParam = 0;
};

// deviceType: the dbch_devicetype of a device broadcast's header, when the message
// carries one (0 otherwise).
HookAction MapHookMessage(uint32_t message, uintptr_t wParam, uint32_t deviceType);

}  // namespace tavolen
