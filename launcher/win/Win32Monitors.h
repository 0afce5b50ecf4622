#pragma once
// The monitors through the system's monitor calls (MonitorFromPoint, MonitorFromRect,
// GetMonitorInfo); asked anew each time, so display changes are seen at once.
#include "launcher/Monitors.h"

namespace tavolen::launcher {

class Win32Monitors : public Monitors {
 public:
  std::optional<MonitorArea> FromPoint(Point p) override;
  std::optional<MonitorArea> FromRect(const Rect& r) override;
  MonitorArea Nearest(const Rect& r) override;
  MonitorArea Primary() override;
};

}  // namespace tavolen::launcher
