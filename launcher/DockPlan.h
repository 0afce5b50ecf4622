#pragma once
// Hiding the launcher's window into a bar at a work-area edge: which edge, where the bar
// stands and which picture it shows, when the window hides again after a restore, and how
// a restored or resized window is pinned to the edge it came from.
#include "launcher/Geometry.h"
#include "launcher/Monitors.h"

namespace tavolen::launcher {

enum class DockState { None = 0, Top = 1, Bottom = 2, Left = 3, Right = 4 };

// The edge the window touches, tested left, right, top, then bottom; None when the window
// stands clear of the bottom edge as well.
DockState DockEdge(const Rect& window, const Rect& work);

// The bars' pictures (bitmap resources) and sizes.
inline constexpr int kBarThickness = 8;
inline constexpr int kTopBarLength = 130;
inline constexpr int kBitmapBottomBar = 187;
inline constexpr int kBitmapTopBar = 188;
inline constexpr int kBitmapRightBar = 189;
inline constexpr int kBitmapLeftBar = 190;

struct BarPlacement {
  Rect rect;
  int bitmap = 0;
  bool atTop = false;  // top/bottom bar only
};

// The side bar: 8 pixels wide and as high as the window, kept inside the work area's
// height, one pixel past the right edge or one pixel before the left one.
BarPlacement SideBarPlacement(const Rect& window, const Rect& work);
// The top/bottom bar: 130 x 8 pixels, kept inside the work area's width, one pixel above
// the top edge or on the bottom edge.
BarPlacement TopBarPlacement(const Rect& window, const Rect& work);

// After a restore: whether the window hides again now. Not while a menu or dialog is
// open or the cursor is over the window; yes when the cursor is inside the work area or
// off the window's monitor; no when it is over the monitor's bars (the taskbar).
bool ShouldHideAgain(bool subMenuOpen, Point cursor, const Rect& window, const MonitorArea& area);

// A window fitted anew after a restore keeps to the edge it was hidden at: bottom edge
// on the work area's bottom for Bottom, right edge on its right for Right.
Rect KeepToDockedEdge(const Rect& fitted, DockState state, const Rect& work);

// A window resized with its page: moved up so that it does not reach past the work area's
// bottom, and always standing on it when docked at the bottom; a window taller than the
// work area keeps its top on the work area's top.
Rect KeepAboveWorkBottom(const Rect& fitted, DockState state, const Rect& work);

}  // namespace tavolen::launcher
