#pragma once
// Time as the control sees it: the time now, pauses of worker threads between retries,
// and the timers of its windows. The system's clock uses the tick count, Sleep and window
// timers; tests step a fake one and fire its timers themselves, so no test waits on real
// time for something that should not happen.
#include <cstdint>

namespace tavolen {

class Clock {
 public:
  virtual ~Clock() = default;
  // Milliseconds since an arbitrary start; never goes back.
  virtual uint64_t NowMs() = 0;
  // Blocks the calling thread (a worker's pause between tries).
  virtual void Pause(uint32_t milliseconds) = 0;
  // (Re)starts timer `id` of `window` (a window handle as an integer) with `periodMs`: the
  // window gets WM_TIMER with that id every period until the timer is stopped.
  virtual void StartTimer(uintptr_t window, uintptr_t id, uint32_t periodMs) = 0;
  virtual void StopTimer(uintptr_t window, uintptr_t id) = 0;
};

}  // namespace tavolen
