#pragma once
// What the control's message hook makes of a message sent to a window of the host's
// thread: power broadcasts are passed on to the control window, device changes become
// the control's private messages.
#include <cstddef>
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
constexpr uint32_t kDbtDevTypOem = 0;
constexpr uint32_t kDbtDevTypVolume = 2;
constexpr uint32_t kDbtDevTypHandle = 6;

// The device broadcast behind a WM_DEVICECHANGE's lParam. Any process may send our
// windows that message, so its lParam is read only as far as it proves to be a header
// the system would send.
namespace device_broadcast {
constexpr uint32_t kHeaderSize = 12;   // dbch_size, dbch_devicetype, dbch_reserved
constexpr uint32_t kVolumeSize = 20;   // the header, dbcv_unitmask, dbcv_flags and padding
constexpr uint32_t kMaxSize = 0x10000; // more than any broadcast the system makes
}  // namespace device_broadcast

// Whether the event's lParam points to a device broadcast: only events with the 0x8000
// bit carry one (the system copies exactly those into the receiving process); for every
// other event lParam is not an address and is never read.
constexpr bool EventCarriesBroadcast(uintptr_t event) { return (event & 0x8000) != 0; }

// The device type of a broadcast header that the hook may act on, or kNoTrustedType when
// the header is not one the system sends: its declared size below the header, above
// device_broadcast::kMaxSize or beyond the bytes that are readable at lParam
// (readableBytes), a type outside the known ones (DBT_DEVTYP_OEM to DBT_DEVTYP_HANDLE),
// or a volume broadcast whose size is not that of DEV_BROADCAST_VOLUME.
constexpr uint32_t kNoTrustedType = 0xFFFFFFFF;
uint32_t TrustedDeviceType(uint32_t declaredSize, uint32_t declaredType, std::size_t readableBytes);

struct HookAction {
  enum class Kind { None, SendPowerBroadcast, Post } kind = Kind::None;
  uint32_t message = 0;  // for Post: the private message; for SendPowerBroadcast: WM_POWERBROADCAST
  uint32_t wParam = 0;
};

// deviceType: the trusted dbch_devicetype of a device broadcast's header
// (TrustedDeviceType), kNoTrustedType when the message carries none or an untrusted one.
HookAction MapHookMessage(uint32_t message, uintptr_t wParam, uint32_t deviceType);

}  // namespace tavolen
