// Where the launcher's window stands: start position, snapping while dragged, placement
// after a display change, the dock edge, the bars, and the page layout around the gadget.
#include <gtest/gtest.h>

#include "launcher/DockPlan.h"
#include "launcher/MarveskPageLayout.h"
#include "launcher/WindowPlacement.h"
#include "tests/launcher/LauncherFakes.h"

using namespace tavolen::launcher;
using namespace tavolen::launcher::testing;

namespace {

// Primary 1920 x 1024 with its taskbar at the bottom; a second monitor right of it and a
// third one below the second, neither starting at the origin.
const MonitorArea kPrimary{Rect{0, 0, 1920, 1024}, Rect{0, 0, 1920, 984}};
const MonitorArea kRight{Rect{1920, 0, 3200, 1024}, Rect{1920, 0, 3200, 1024}};
const MonitorArea kBelowRight{Rect{1920, 1024, 3200, 2048}, Rect{1920, 1024, 3200, 2048}};

}  // namespace

TEST(StartPosition, StoredCornerOrTheDefaultBesideTheRightEdge) {
  SyntheticMonitors monitors({kPrimary, kRight});
  const Point byDefault{1920 - 130 + 1, 10};
  struct Case {
    Point stored;
    Point expected;
  };
  const Case cases[] = {
      {{0, 0}, byDefault},            // nothing stored
      {{345, 200}, {345, 200}},       // on the primary monitor
      {{2500, 300}, {2500, 300}},     // on the second monitor
      {{5000, 300}, byDefault},       // on a monitor that is gone
      {{300, 984}, byDefault},        // on the taskbar band
      {{300, 983}, {300, 983}},       // just above it (the window is 1 pixel high)
      {{0, 1}, {0, 1}},               // the corner saved for (0, 0)
  };
  for (const Case& c : cases) {
    EXPECT_EQ(StartPosition(monitors, c.stored, Size{130, 1}, 130), c.expected) << c.stored.x << "," << c.stored.y;
  }
  // Bars on two edges: a place clear of both stays; one on either bar does not.
  SyntheticMonitors twoBars({MonitorArea{Rect{0, 0, 1920, 1024}, Rect{60, 0, 1920, 984}}});
  EXPECT_EQ(StartPosition(twoBars, Point{500, 500}, Size{130, 1}, 130), (Point{500, 500}));
  EXPECT_EQ(StartPosition(twoBars, Point{10, 500}, Size{130, 1}, 130), byDefault);
  EXPECT_EQ(StartPosition(twoBars, Point{500, 990}, Size{130, 1}, 130), byDefault);
}

TEST(SnapToWorkArea, PinsWhileTheCursorIsHomeAndJumpsPastAnEdgeOnceItLeft) {
  SyntheticMonitors monitors({kPrimary, kRight, kBelowRight});
  const Point home{1000, 500};
  struct Case {
    const char* name;
    MonitorArea area;
    Rect window;
    Point proposed;
    Point cursor;
    Point expected;
  };
  const Rect w{1700, 100, 1830, 400};  // 130 x 300 on the primary monitor
  const Case cases[] = {
      {"inside: unchanged", kPrimary, w, {1500, 300}, home, {1500, 300}},
      {"above the top, home", kPrimary, w, {1500, -20}, home, {1500, 0}},
      {"below the bottom, home", kPrimary, w, {1500, 900}, home, {1500, 684}},
      {"left of the left edge, home", kPrimary, Rect{10, 100, 140, 400}, {-30, 100}, home, {0, 100}},
      {"right edge, home", kPrimary, w, {1850, 100}, home, {1790, 100}},
      {"right edge, cursor on the next monitor", kPrimary, Rect{1790, 100, 1920, 400}, {1850, 100}, {2100, 200},
       {1920, 100}},
      {"bottom edge, cursor away, no monitor below", kPrimary, Rect{100, 684, 230, 984}, {100, 800}, {2100, 200},
       {100, 684}},
      // A monitor that does not start at the origin: the middle of its own work area is
      // probed, so the monitor below it is found once the cursor went there.
      {"bottom of a monitor off the origin, cursor below", kRight, Rect{2500, 724, 2630, 1024}, {2500, 800},
       {2600, 1500}, {2500, 1025}},
      {"bottom of a monitor off the origin, home", kRight, Rect{2500, 724, 2630, 1024}, {2500, 800}, {2600, 500},
       {2500, 724}},
      // Taller than the work area: the top stays on it.
      {"taller than the work area", kPrimary, Rect{100, 0, 230, 1200}, {100, 10}, home, {100, 0}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(SnapToWorkArea(monitors, c.window, c.proposed, c.area, c.cursor), c.expected) << c.name;
  }
}

TEST(DisplayChange, AWindowLeftOnNoMonitorGoesToTheDefaultPositionAtItsSize) {
  SyntheticMonitors monitors({kPrimary});
  EXPECT_FALSE(PlacementAfterDisplayChange(monitors, Rect{100, 100, 250, 400}, 130));
  EXPECT_EQ(PlacementAfterDisplayChange(monitors, Rect{2500, 100, 2650, 400}, 130),
            (Rect{1791, 10, 1941, 310}));
}

TEST(DockPlan, EdgesAreTestedLeftRightTopBottom) {
  const Rect work{0, 0, 1280, 984};
  struct Case {
    Rect window;
    DockState expected;
  };
  const Case cases[] = {
      {{0, 0, 130, 300}, DockState::Left},        // corner: left first
      {{1150, 0, 1280, 300}, DockState::Right},
      {{500, 0, 630, 300}, DockState::Top},
      {{500, 684, 630, 984}, DockState::Bottom},
      {{500, 100, 630, 400}, DockState::None},
      {{-50, 100, 80, 400}, DockState::Left},
  };
  for (const Case& c : cases) EXPECT_EQ(DockEdge(c.window, work), c.expected) << c.window.left << "," << c.window.top;
}

TEST(DockPlan, BarsStandAtTheEdgeInsideTheWorkArea) {
  const Rect work{0, 0, 1280, 500};
  // 600 pixels high at the right edge of a 500-pixel work area.
  BarPlacement side = SideBarPlacement(Rect{1150, 50, 1280, 650}, work);
  EXPECT_EQ(side.rect, (Rect{1273, -100, 1281, 500}));
  EXPECT_EQ(side.bitmap, kBitmapRightBar);
  side = SideBarPlacement(Rect{0, 40, 130, 340}, work);
  EXPECT_EQ(side.rect, (Rect{-1, 40, 7, 340}));
  EXPECT_EQ(side.bitmap, kBitmapLeftBar);

  // Left edge 50 pixels from the right of the work area.
  BarPlacement top = TopBarPlacement(Rect{1230, 0, 1360, 300}, work);
  EXPECT_EQ(top.rect, (Rect{1150, -1, 1280, 7}));
  EXPECT_EQ(top.bitmap, kBitmapTopBar);
  EXPECT_TRUE(top.atTop);
  top = TopBarPlacement(Rect{400, 200, 530, 500}, work);
  EXPECT_EQ(top.rect, (Rect{400, 492, 530, 500}));
  EXPECT_EQ(top.bitmap, kBitmapBottomBar);
  EXPECT_FALSE(top.atTop);
}

TEST(DockPlan, ARestoredWindowHidesAgainOnlyWhenTheCursorLeftItForTheWorkAreaOrAnotherMonitor) {
  const MonitorArea area = SingleMonitor();
  const Rect window{1150, 100, 1280, 400};
  struct Case {
    bool subMenuOpen;
    Point cursor;
    bool expected;
  };
  const Case cases[] = {
      {false, {600, 300}, true},     // into the work area
      {false, {1200, 200}, false},   // still over the window
      {false, {600, 1000}, false},   // over the taskbar
      {false, {1500, 300}, true},    // off this monitor
      {true, {600, 300}, false},     // a menu is open
  };
  for (const Case& c : cases) EXPECT_EQ(ShouldHideAgain(c.subMenuOpen, c.cursor, window, area), c.expected);
}

TEST(PageLayout, ShowsTheChosenNumberOfRowsAndScrollsThroughTheRest) {
  struct Case {
    PageState state;
    Size frame;
    int controlTop;
    bool scrolls, up, down;
  };
  const Case cases[] = {
      {{5, 30, 200, 0, false, 0}, {208, 150}, 0, false, false, false},   // all rows
      {{5, 30, 200, 3, false, 0}, {208, 90}, 0, true, false, true},      // three of five
      {{5, 30, 200, 3, false, 2}, {208, 90}, -60, true, true, false},    // scrolled to the end
      {{5, 30, 200, 3, false, 9}, {208, 90}, -60, true, true, false},    // too far: corrected
      {{5, 30, 200, 3, true, 2}, {208, 150}, 0, true, false, false},     // the all-rows button
      {{2, 30, 200, 3, false, 0}, {208, 60}, 0, false, false, false},    // fewer rows than the count
      {{0, 0, 0, 0, false, 0}, {130, 0}, 0, false, false, false},        // before the control spoke
  };
  for (const Case& c : cases) {
    const PageLayout layout = LayOutPage(c.state);
    EXPECT_EQ(layout.frame, c.frame) << c.state.totalRows << "/" << c.state.showCount;
    EXPECT_EQ(layout.control.top, c.controlTop);
    EXPECT_EQ(layout.control.Height(), (c.state.totalRows) * c.state.rowHeight);
    EXPECT_EQ(layout.scrolls, c.scrolls);
    EXPECT_EQ(layout.canScrollUp, c.up);
    EXPECT_EQ(layout.canScrollDown, c.down);
  }
}
