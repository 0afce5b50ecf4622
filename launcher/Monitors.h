#pragma once
// The monitors as the launcher asks about them: which monitor holds a point or a
// rectangle, the nearest one, the primary one, each with its work area (the monitor less
// the taskbar and other docked bars). The Windows adapter asks the system each time;
// tests describe layouts of their own.
#include <optional>

#include "launcher/Geometry.h"

namespace tavolen::launcher {

struct MonitorArea {
  Rect monitor;
  Rect work;
};

class Monitors {
 public:
  virtual ~Monitors() = default;
  // The monitor containing the point; none when no monitor does (no fallback).
  virtual std::optional<MonitorArea> FromPoint(Point p) = 0;
  // The monitor sharing the most area with the rectangle; none when it lies on no monitor.
  virtual std::optional<MonitorArea> FromRect(const Rect& r) = 0;
  // As FromRect, falling back to the monitor nearest the rectangle.
  virtual MonitorArea Nearest(const Rect& r) = 0;
  virtual MonitorArea Primary() = 0;
};

}  // namespace tavolen::launcher
