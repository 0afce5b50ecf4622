#include "launcher/MarveskPageLayout.h"

#include <algorithm>

namespace tavolen::launcher {

PageLayout LayOutPage(const PageState& s) {
  const int total = std::max(s.totalRows, 0);
  const int rowHeight = std::max(s.rowHeight, 0);
  const int width = s.rowWidth > 0 ? s.rowWidth : kDefaultControlWidth;
  const bool limited = !s.showAll && s.showCount > 0 && s.showCount < total;
  const int shown = limited ? s.showCount : total;

  PageLayout layout;
  layout.firstRow = std::clamp(s.firstRow, 0, total - shown);
  layout.frame = Size{width + 2 * kSideBorder, shown * rowHeight};
  layout.control = Rect{kSideBorder, -layout.firstRow * rowHeight, kSideBorder + width,
                        (total - layout.firstRow) * rowHeight};
  layout.scrolls = s.showCount > 0 && s.showCount < total;
  layout.canScrollUp = limited && layout.firstRow > 0;
  layout.canScrollDown = limited && layout.firstRow + shown < total;
  return layout;
}

}  // namespace tavolen::launcher
