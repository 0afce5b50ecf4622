#pragma once
// Time as the control sees it: the time now, the local calendar day, pauses of worker
// threads between retries, and the timers of its windows. The system's clock uses the
// tick count, the local time, Sleep and window timers; tests step a fake one and fire its
// timers themselves, so no test waits on real time for something that should not happen.
#include <cstdint>

namespace tavolen {

// A day of the local calendar.
struct CalendarDate {
  uint16_t year = 0;
  uint8_t month = 0;  // 1..12
  uint8_t day = 0;    // 1..31
};

class Clock {
 public:
  virtual ~Clock() = default;
  // Milliseconds since an arbitrary start; never goes back.
  virtual uint64_t NowMs() = 0;
  // Today in the user's local time.
  virtual CalendarDate Today() = 0;
  // Blocks the calling thread (a worker's pause between tries).
  virtual void Pause(uint32_t milliseconds) = 0;
  // (Re)starts timer `id` of `window` (a window handle as an integer) with `periodMs`: the
  // window gets WM_TIMER with that id every period until the timer is stopped.
  virtual void StartTimer(uintptr_t window, uintptr_t id, uint32_t periodMs) = 0;
  virtual void StopTimer(uintptr_t window, uintptr_t id) = 0;
};

}  // namespace tavolen
