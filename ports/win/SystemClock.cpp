#include "ports/win/SystemClock.h"

#include <windows.h>

namespace tavolen {

uint64_t SystemClock::NowMs() { return ::GetTickCount64(); }

CalendarDate SystemClock::Today() {
  SYSTEMTIME local{};
  ::GetLocalTime(&local);
  return CalendarDate{local.wYear, uint8_t(local.wMonth), uint8_t(local.wDay)};
}

void SystemClock::Pause(uint32_t milliseconds) { ::Sleep(milliseconds); }

void SystemClock::StartTimer(uintptr_t window, uintptr_t id, uint32_t periodMs) {
  ::SetTimer(reinterpret_cast<HWND>(window), id, periodMs, nullptr);
}

void SystemClock::StopTimer(uintptr_t window, uintptr_t id) { ::KillTimer(reinterpret_cast<HWND>(window), id); }

}  // namespace tavolen
