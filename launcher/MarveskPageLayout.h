#pragma once
// The layout of the launcher's page around the gadget control, as Marvesk.htm lays it out
// and its native stand-in does: a top image, the "iFrame" element holding the control
// between two side borders, and a bottom image with the scroll buttons. When fewer rows
// are to be shown than the control has, the frame shows that many and the buttons move
// the control row by row; the all-rows button shows every row.
#include <cstdint>

#include "launcher/Geometry.h"

namespace tavolen::launcher {

inline constexpr int kTopImageHeight = 16;
inline constexpr int kBottomImageHeight = 24;
inline constexpr int kSideBorder = 4;
// Before the control told its row size, its area is this wide.
inline constexpr int kDefaultControlWidth = 122;
static_assert(kTopImageHeight + kBottomImageHeight == 40, "the launcher adds 40 pixels to the frame");

struct PageState {
  int totalRows = 0;   // GetDriveLetterCount
  int rowHeight = 0;   // SetSizeInfo Height
  int rowWidth = 0;    // SetSizeInfo Width + 1; 0 before it came
  int showCount = 0;   // rows to show; 0 shows all
  bool showAll = false;  // the all-rows button is down
  int firstRow = 0;    // the first row shown
};

struct PageLayout {
  Size frame;          // the "iFrame" element
  Rect control;        // the control inside the frame
  int firstRow = 0;    // corrected into range
  bool scrolls = false;  // a row count below the rows there are: the buttons are offered
  bool canScrollUp = false;
  bool canScrollDown = false;
};

PageLayout LayOutPage(const PageState& state);

}  // namespace tavolen::launcher
