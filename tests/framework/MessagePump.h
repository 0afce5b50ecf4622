#pragma once
// Test helper: runs this thread's messages until a condition holds, waiting at most
// `rounds` times for new input (50 ms each), so that a missing message fails the test
// instead of hanging it.
#include <windows.h>

#include <functional>

namespace tavolen::test {

inline void PumpPending() {
  MSG msg;
  while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
}

inline bool PumpUntil(const std::function<bool()>& done, int rounds = 100) {
  PumpPending();
  for (int i = 0; i < rounds && !done(); ++i) {
    ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
    PumpPending();
  }
  return done();
}

}  // namespace tavolen::test
