#pragma once
// Where the launcher's window may stand: its start position, the band of the primary
// monitor outside its work area, and the snapping to the work area while it is dragged.
#include <vector>

#include "launcher/Geometry.h"
#include "launcher/Monitors.h"

namespace tavolen::launcher {

// The corner used when no position is stored: the right edge of the primary work area
// (one pixel past it for a window `width` wide) and 10 pixels below its top.
Point DefaultPosition(const MonitorArea& primary, int width);

// The parts of a monitor outside its work area (the taskbar and other docked bars), one
// rectangle per edge that has a bar.
std::vector<Rect> OutsideWorkArea(const MonitorArea& monitor);

// The start corner: the stored one, unless it is (0, 0), a window of `size` placed there
// lies on no monitor, or it would overlap a bar of the primary monitor; then the default
// position for a window `defaultWidth` wide.
Point StartPosition(Monitors& monitors, Point stored, Size size, int defaultWidth);

// The corner a dragged window may take for the `proposed` one. `window` is its current
// rectangle, `area` the monitor nearest to it, `cursor` the mouse position. The window
// stays inside the work area while the cursor is on that monitor and jumps wholly past the
// edge it is pushed against once the cursor has left it (past the right or bottom edge
// only when a monitor lies beyond). A window taller or wider than the work area keeps its
// top or left edge on it.
Point SnapToWorkArea(Monitors& monitors, const Rect& window, Point proposed, const MonitorArea& area, Point cursor);

// The rectangle a window takes after the displays changed, or none when it lies on a
// monitor still: the default position at its size.
std::optional<Rect> PlacementAfterDisplayChange(Monitors& monitors, const Rect& window, int defaultWidth);

}  // namespace tavolen::launcher
