#include "launcher/WindowPlacement.h"

#include <algorithm>

namespace tavolen::launcher {

Point DefaultPosition(const MonitorArea& primary, int width) {
  return Point{primary.work.right - width + 1, primary.work.top + 10};
}

std::vector<Rect> OutsideWorkArea(const MonitorArea& area) {
  // Every strip of the monitor beyond a work-area edge. With one bar this is what the
  // system's rectangle subtraction gives; with bars on two edges the subtraction would
  // give the whole monitor and turn every position on it into a clash.
  const Rect& m = area.monitor;
  const Rect& w = area.work;
  std::vector<Rect> bands;
  if (w.top > m.top) bands.push_back(Rect{m.left, m.top, m.right, w.top});
  if (w.bottom < m.bottom) bands.push_back(Rect{m.left, w.bottom, m.right, m.bottom});
  if (w.left > m.left) bands.push_back(Rect{m.left, m.top, w.left, m.bottom});
  if (w.right < m.right) bands.push_back(Rect{w.right, m.top, m.right, m.bottom});
  return bands;
}

Point StartPosition(Monitors& monitors, Point stored, Size size, int defaultWidth) {
  const MonitorArea primary = monitors.Primary();
  const Rect placed = Rect::At(stored, size);
  bool useDefault = stored == Point{0, 0} || !monitors.FromRect(placed);
  for (const Rect& band : OutsideWorkArea(primary)) useDefault = useDefault || placed.Intersects(band);
  return useDefault ? DefaultPosition(primary, defaultWidth) : stored;
}

Point SnapToWorkArea(Monitors& monitors, const Rect& window, Point proposed, const MonitorArea& area, Point cursor) {
  const Rect& m = area.monitor;
  const Rect& a = area.work;
  const int w = window.Width();
  const int h = window.Height();
  const bool home = m.Contains(cursor);
  // The probe's other coordinate is the middle of the work area: a monitor that does not
  // start at the origin has its middle there, not at half its extent.
  const int middleX = a.left + (a.right - a.left) / 2;
  const int middleY = a.top + (a.bottom - a.top) / 2;
  Point p = proposed;

  if (p.y < a.top) {
    const bool beyond = monitors.FromPoint(Point{middleX, window.top + m.top - a.top + 1}).has_value();
    p.y = beyond && !home ? a.top - h : a.top;
  } else if (p.y + h > a.bottom) {
    const bool beyond = monitors.FromPoint(Point{middleX, window.bottom + m.bottom - a.bottom}).has_value();
    // A window taller than the work area keeps its top (and the images it is dragged by)
    // on the work area instead of being pushed above it.
    p.y = beyond && !home ? a.bottom + 1 : std::max(a.bottom - h, a.top);
  }

  if (p.x < a.left) {
    const bool beyond = monitors.FromPoint(Point{window.left + m.left - a.left, middleY}).has_value();
    p.x = beyond && !home ? a.left - w : a.left;
  } else if (p.x + w > a.right) {
    const bool beyond = monitors.FromPoint(Point{window.right + m.right - a.right + 1, middleY}).has_value();
    p.x = beyond && !home ? a.right : std::max(a.right - w, a.left);
  }
  return p;
}

std::optional<Rect> PlacementAfterDisplayChange(Monitors& monitors, const Rect& window, int defaultWidth) {
  if (monitors.FromRect(window)) return std::nullopt;
  return window.MovedTo(DefaultPosition(monitors.Primary(), defaultWidth));
}

}  // namespace tavolen::launcher
