// The main window's reactions, driven through its ports: start-up, the page's events,
// hiding into a bar and coming back, display changes, settings and the saved position.
#include <gtest/gtest.h>

#include "launcher/MarveskController.h"
#include "tests/launcher/LauncherFakes.h"

using namespace tavolen;
using namespace tavolen::launcher;
using namespace tavolen::launcher::testing;

namespace {

constexpr char16_t kKey[] = u"Software\\Varnkeld\\Tavolen";

struct Launcher {
  MemoryRegistry registry;
  RecordingPrompts prompts;
  LauncherSettings settings{registry, prompts};
  FakeWindow window;
  FakePage page;
  SyntheticMonitors monitors{{SingleMonitor()}};
  MarveskController controller{window, page, monitors, settings};

  explicit Launcher(uint32_t autoHide = 0, uint32_t showAlways = 0) {
    registry.CreateKey(Registry::Hive::CurrentUser, kKey);
    settings.EnsureDefaults();
    registry.Put(kKey, u"AutoHide", DwordValue(autoHide));
    registry.Put(kKey, u"ShowAlways", DwordValue(showAlways));
    window.rect = Rect{0, 0, 130, 7};  // the template's size
    controller.Initialize();
  }
  // The user dragged the window to `corner` and let go.
  void DragTo(Point corner) {
    window.rect = window.rect.MovedTo(controller.OnPositionChanging(corner));
    controller.OnExitSizeMove();
  }
};

}  // namespace

TEST(MarveskController, StartsAtTheStoredOrDefaultCornerAndDropsTopmostUnlessShowAlways) {
  Launcher first;
  EXPECT_EQ(first.window.rect, (Rect{1280 - 130 + 1, 10, 1281, 11}));
  EXPECT_FALSE(first.window.topmost);

  Launcher stored(0, 1);
  stored.registry.Put(kKey, u"PosX", MemoryRegistry::Text(u"345"));
  stored.registry.Put(kKey, u"PosY", MemoryRegistry::Text(u"200"));
  stored.window.rect = Rect{0, 0, 130, 7};
  stored.controller.Initialize();
  EXPECT_EQ(stored.window.rect.Corner(), (Point{345, 200}));
  EXPECT_TRUE(stored.window.topmost);

  // A window the system keeps elsewhere is moved a bounded number of times.
  Launcher stuck;
  stuck.window.rect = Rect{0, 0, 130, 7};
  stuck.window.stuck = true;
  stuck.window.moves.clear();
  stuck.controller.Initialize();
  EXPECT_EQ(stuck.window.moves.size(), 1u + kMaxPlacementAttempts);
}

TEST(MarveskController, FitsToTheMainPageOnlyAndForwardsDeactivationToThePage) {
  Launcher l;
  l.window.rect = Rect{300, 300, 430, 301};
  l.controller.OnDocumentComplete(u"file:///C:/Users/a/AppData/Local/Programs/Tavolen/Settings.htm");
  EXPECT_EQ(l.window.rect.Height(), 1);
  l.controller.OnDocumentComplete(u"file:///C:/Tavolen%20%231/Marvesk.htm");
  EXPECT_EQ(l.window.rect, (Rect{300, 300, 430, 540})) << "frame 130 x 200, plus 40";

  l.controller.OnDeactivateApp();
  EXPECT_EQ(l.page.calls, std::vector<std::u16string>{u"onHideFlyout"});

  // A fit that widens a window at the right edge keeps it inside the work area.
  l.window.rect = Rect{1150, 10, 1280, 11};
  EXPECT_EQ(l.controller.OnPositionChanging(Point{1150, 10}, Size{208, 240}), (Point{1072, 10}));

  // Without a page document the deactivation runs the dock check instead.
  Launcher hiding(1);
  hiding.page.loaded = false;
  hiding.window.rect = Rect{0, 300, 130, 500};
  hiding.controller.OnDeactivateApp();
  EXPECT_TRUE(hiding.page.calls.empty());
  EXPECT_EQ(hiding.window.bar, DockState::Left);
}

TEST(MarveskController, HidesAtTheEdgeItIsDroppedAgainstAndComesBackOnRequest) {
  Launcher l(1);
  l.DragTo(Point{-40, 300});
  EXPECT_EQ(l.controller.Docked(), DockState::Left);
  EXPECT_EQ(l.window.slides, std::vector<DockState>{DockState::Left});
  EXPECT_FALSE(l.window.visible);
  EXPECT_EQ(l.window.bar, DockState::Left);
  EXPECT_FALSE(l.controller.MayShow()) << "nothing shows the window while its bar is there";

  l.controller.OnRestoreRequest();
  EXPECT_TRUE(l.controller.MayShow());
  EXPECT_TRUE(l.window.visible);
  EXPECT_FALSE(l.window.bar);
  EXPECT_TRUE(l.window.timer);
  // A second request queued behind the first finds no bar and changes nothing.
  l.window.visible = false;
  l.controller.OnRestoreRequest();
  EXPECT_FALSE(l.window.visible);
  l.window.visible = true;

  // Over the taskbar it stays; with a menu open it stays; into the work area it hides.
  l.window.cursor = Point{600, 1000};
  l.controller.OnHideTimer();
  EXPECT_FALSE(l.window.bar);
  l.controller.OnSubMenuOpen(true);
  l.window.cursor = Point{600, 300};
  l.controller.OnHideTimer();
  EXPECT_FALSE(l.window.bar);
  l.controller.OnSubMenuOpen(false);
  l.controller.OnHideTimer();
  EXPECT_EQ(l.window.bar, DockState::Left);
  EXPECT_FALSE(l.window.timer);

  // Dropped in the middle: not docked, fitted to the page.
  l.controller.OnRestoreRequest();
  l.DragTo(Point{500, 300});
  EXPECT_EQ(l.controller.Docked(), DockState::None);
  EXPECT_EQ(l.window.rect, (Rect{500, 300, 630, 540}));
  EXPECT_FALSE(l.window.bar);

  // Without auto-hide nothing hides.
  Launcher off;
  off.DragTo(Point{-40, 300});
  EXPECT_EQ(off.controller.Docked(), DockState::None);
  EXPECT_FALSE(off.window.bar);
}

TEST(MarveskController, ARestoredWindowIsRefittedOnceToItsEdge) {
  Launcher l(1);
  l.window.rect = Rect{1150, 700, 1280, 984};
  l.controller.DockCheck();
  ASSERT_EQ(l.controller.Docked(), DockState::Right);
  l.controller.OnRestoreRequest();
  l.page.frame = Size{150, 100};
  l.controller.OnSetCursor();
  EXPECT_EQ(l.window.rect, (Rect{1130, 700, 1280, 840}));
  l.page.frame = Size{170, 100};
  l.controller.OnSetCursor();
  EXPECT_EQ(l.window.rect.Width(), 150) << "once per restore";

  Launcher bottom(1);
  bottom.window.rect = Rect{500, 700, 630, 984};
  bottom.controller.DockCheck();
  ASSERT_EQ(bottom.controller.Docked(), DockState::Bottom);
  bottom.controller.OnRestoreRequest();
  bottom.controller.OnSetCursor();
  EXPECT_EQ(bottom.window.rect, (Rect{500, 744, 630, 984}));
}

TEST(MarveskController, AResizedPageKeepsTheWindowAboveTheWorkAreaBottomAndDocksUnlessAFlyoutIsOpen) {
  Launcher l(1);
  l.window.rect = Rect{500, 800, 630, 900};
  l.window.flyout = true;
  l.controller.OnFrameResize();
  EXPECT_EQ(l.window.rect, (Rect{500, 744, 630, 984}));
  EXPECT_FALSE(l.window.bar) << "no dock check while the flyout is open";
  l.window.flyout = false;
  l.controller.OnFrameResize();
  EXPECT_EQ(l.window.bar, DockState::Bottom);
}

TEST(MarveskController, AfterADisplayChangeTheWindowIsPlacedAndDockedOnTheMonitorsThereAre) {
  Launcher l(1);
  l.monitors.Replace({SingleMonitor(), MonitorArea{Rect{1280, 0, 2560, 1024}, Rect{1280, 0, 2560, 1024}}});
  l.window.rect = Rect{2430, 300, 2560, 500};
  l.controller.DockCheck();
  ASSERT_EQ(l.window.bar, DockState::Right);

  l.monitors.Replace({SingleMonitor()});
  l.controller.OnDisplayChange();
  EXPECT_EQ(l.window.rect, (Rect{1151, 10, 1281, 210})) << "the default position, its size kept";
  EXPECT_EQ(l.window.bar, DockState::Right) << "docked again on the monitor that is there";

  Launcher shown;
  shown.window.rect = Rect{2000, 300, 2130, 500};
  shown.controller.OnDisplayChange();
  EXPECT_EQ(shown.window.rect.Corner(), (Point{1151, 10}));
  shown.controller.OnDisplayChange();
  EXPECT_EQ(shown.window.rect.Corner(), (Point{1151, 10}));
}

TEST(MarveskController, SettingsAreReadAgainWhenTheDialogClosesAndThePositionIsSaved) {
  Launcher l;
  l.controller.OnSubMenuOpen(true);
  l.window.rect = Rect{0, 0, 130, 300};
  l.registry.Put(kKey, u"AutoHide", DwordValue(1));
  l.registry.Put(kKey, u"ShowAlways", DwordValue(1));
  l.controller.OnSettingsClosed();
  EXPECT_FALSE(l.controller.SubMenuOpen());
  EXPECT_TRUE(l.window.topmost);
  EXPECT_EQ(l.window.bar, DockState::Left);

  l.controller.SavePosition();
  EXPECT_EQ(MemoryRegistry::AsText(*l.registry.Read(Registry::Hive::CurrentUser, kKey, u"PosY")),
            std::u16string(u"1\0", 2));
}
