#pragma once
// The timers of the control window.
#include <cstdint>

namespace tavolen::control_timer {

constexpr uintptr_t kLabels = 1;    // 60 s label refresh; rests while refresh thread B runs
constexpr uintptr_t kDevices = 2;   // one-shot device refresh, 1 s after the last volume change
constexpr uintptr_t kMedia = 4;     // 5 s poll of watched removable drives without a medium
constexpr uintptr_t kPortable = 5;  // one-shot portable-device count check, 1 s after a node change

}  // namespace tavolen::control_timer
