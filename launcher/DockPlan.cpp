#include "launcher/DockPlan.h"

#include <algorithm>

namespace tavolen::launcher {

DockState DockEdge(const Rect& window, const Rect& work) {
  if (window.left <= work.left) return DockState::Left;
  if (window.right >= work.right) return DockState::Right;
  if (window.top <= work.top) return DockState::Top;
  if (window.bottom < work.bottom) return DockState::None;
  return DockState::Bottom;
}

BarPlacement SideBarPlacement(const Rect& window, const Rect& work) {
  const int height = window.Height();
  const int top = work.bottom < window.top + height ? work.bottom - height : window.top;
  BarPlacement bar;
  int left = window.left;
  if (window.right >= work.right) {
    bar.bitmap = kBitmapRightBar;
    left = work.right - kBarThickness + 1;
  } else if (work.left >= window.left) {
    bar.bitmap = kBitmapLeftBar;
    left = work.left - 1;
  }
  bar.rect = Rect{left, top, left + kBarThickness, top + height};
  return bar;
}

BarPlacement TopBarPlacement(const Rect& window, const Rect& work) {
  const int left = work.right < window.left + kTopBarLength ? work.right - kTopBarLength : window.left;
  BarPlacement bar;
  int top = window.top;
  if (work.top >= window.top) {
    bar.bitmap = kBitmapTopBar;
    top = work.top - 1;
    bar.atTop = true;
  } else if (window.bottom >= work.bottom) {
    bar.bitmap = kBitmapBottomBar;
    top = work.bottom - kBarThickness;
  }
  bar.rect = Rect{left, top, left + kTopBarLength, top + kBarThickness};
  return bar;
}

bool ShouldHideAgain(bool subMenuOpen, Point cursor, const Rect& window, const MonitorArea& area) {
  if (subMenuOpen || window.Contains(cursor)) return false;
  return area.work.Contains(cursor) || !area.monitor.Contains(cursor);
}

Rect KeepToDockedEdge(const Rect& fitted, DockState state, const Rect& work) {
  if (state == DockState::Bottom) return fitted.MovedTo(Point{fitted.left, work.bottom - fitted.Height()});
  if (state == DockState::Right) return fitted.MovedTo(Point{work.right - fitted.Width(), fitted.top});
  return fitted;
}

Rect KeepAboveWorkBottom(const Rect& fitted, DockState state, const Rect& work) {
  if (fitted.bottom >= work.bottom || state == DockState::Bottom)
    return fitted.MovedTo(Point{fitted.left, std::max(work.bottom - fitted.Height(), work.top)});
  return fitted;
}

}  // namespace tavolen::launcher
