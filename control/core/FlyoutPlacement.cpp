#include "control/core/FlyoutPlacement.h"

namespace tavolen {

ScreenPoint FlyoutPosition(int width, int height, const ScreenRect& control, const ScreenRect& workArea) {
  const int x = control.left - width > workArea.left ? control.left - width : control.right;
  const int y = workArea.bottom > control.top + height ? control.top : workArea.bottom - height;
  return ScreenPoint{x, y};
}

}  // namespace tavolen
