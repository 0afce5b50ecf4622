#include "launcher/win/Win32Monitors.h"

#include <windows.h>

namespace tavolen::launcher {
namespace {

Rect FromRECT(const RECT& r) { return Rect{int(r.left), int(r.top), int(r.right), int(r.bottom)}; }
RECT ToRECT(const Rect& r) { return RECT{r.left, r.top, r.right, r.bottom}; }

std::optional<MonitorArea> Describe(HMONITOR monitor) {
  if (!monitor) return std::nullopt;
  MONITORINFO info{};
  info.cbSize = sizeof info;
  if (!::GetMonitorInfoW(monitor, &info)) return std::nullopt;
  return MonitorArea{FromRECT(info.rcMonitor), FromRECT(info.rcWork)};
}

// What is left when the system cannot describe a monitor: the primary screen.
MonitorArea Fallback() {
  RECT work{};
  ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  return MonitorArea{Rect{0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)}, FromRECT(work)};
}

}  // namespace

std::optional<MonitorArea> Win32Monitors::FromPoint(Point p) {
  return Describe(::MonitorFromPoint(POINT{p.x, p.y}, MONITOR_DEFAULTTONULL));
}

std::optional<MonitorArea> Win32Monitors::FromRect(const Rect& r) {
  const RECT rect = ToRECT(r);
  return Describe(::MonitorFromRect(&rect, MONITOR_DEFAULTTONULL));
}

MonitorArea Win32Monitors::Nearest(const Rect& r) {
  const RECT rect = ToRECT(r);
  return Describe(::MonitorFromRect(&rect, MONITOR_DEFAULTTONEAREST)).value_or(Fallback());
}

MonitorArea Win32Monitors::Primary() {
  return Describe(::MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY)).value_or(Fallback());
}

}  // namespace tavolen::launcher
