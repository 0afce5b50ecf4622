#pragma once
// The system's clock: the tick count, the local time, Sleep, and window timers (SetTimer,
// KillTimer).
#include "ports/Clock.h"

namespace tavolen {

class SystemClock : public Clock {
 public:
  uint64_t NowMs() override;
  CalendarDate Today() override;
  void Pause(uint32_t milliseconds) override;
  void StartTimer(uintptr_t window, uintptr_t id, uint32_t periodMs) override;
  void StopTimer(uintptr_t window, uintptr_t id) override;
};

}  // namespace tavolen
