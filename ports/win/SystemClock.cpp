#include "ports/win/SystemClock.h"

#include <windows.h>

namespace tavolen {

uint64_t SystemClock::NowMs() { return ::GetTickCount64(); }

void SystemClock::Pause(uint32_t milliseconds) { ::Sleep(milliseconds); }

void SystemClock::StartTimer(uintptr_t window, uintptr_t id, uint32_t periodMs) {
  ::SetTimer(reinterpret_cast<HWND>(window), id, periodMs, nullptr);
}

void SystemClock::StopTimer(uintptr_t window, uintptr_t id) { ::KillTimer(reinterpret_cast<HWND>(window), id); }

}  // namespace tavolen
