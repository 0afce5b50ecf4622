#pragma once
// Where the flyout opens beside the gadget: left of the control window when it fits inside
// the work area, else right of it; level with the control's top when it fits above the
// work area's bottom, else with its bottom edge on the work area's bottom. Screen pixels.
namespace tavolen {

struct ScreenRect {
  int left = 0, top = 0, right = 0, bottom = 0;
  int Width() const { return right - left; }
  int Height() const { return bottom - top; }
};

struct ScreenPoint {
  int x = 0, y = 0;
  bool operator==(const ScreenPoint& o) const { return x == o.x && y == o.y; }
};

// The top-left corner of a flyout of `width` x `height` beside `control`, on the monitor
// whose work area is `workArea`.
ScreenPoint FlyoutPosition(int width, int height, const ScreenRect& control, const ScreenRect& workArea);

}  // namespace tavolen
