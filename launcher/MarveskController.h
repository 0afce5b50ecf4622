#pragma once
// The decisions of the launcher's main window: where it starts, how it snaps to the work
// area, when it hides into a bar at an edge and comes back, how it fits its page, and
// what it keeps in the registry. The Windows dialog forwards its messages and page events
// here and does what the ports are asked. One object per window, on the UI thread; the
// ports and the settings outlive it.
#include <string>

#include "launcher/DockPlan.h"
#include "launcher/LauncherSettings.h"
#include "launcher/MarveskPort.h"
#include "launcher/Monitors.h"

namespace tavolen::launcher {

// The window's width before its page sized it, in pixels (its template's width).
inline constexpr int kTemplateWidth = 130;
// The initial move is repeated at most this often when the window lands elsewhere.
inline constexpr int kMaxPlacementAttempts = 5;

class MarveskController {
 public:
  MarveskController(MainWindowPort& window, MainPagePort& page, Monitors& monitors, LauncherSettings& settings)
      : window_(window), page_(page), monitors_(monitors), settings_(settings) {}

  // Window initialisation: the start position from the stored one (the default one for
  // a window as wide as the window is now), the options, the z-order.
  void Initialize();

  // Position changing: the corner the window may take for the proposed one; `newSize`
  // when the window changes its size with the move (a fit to the page).
  Point OnPositionChanging(Point proposed, std::optional<Size> newSize = std::nullopt);
  // End of a drag or resize by the user.
  void OnExitSizeMove() { DockCheck(); }
  // The application lost activation.
  void OnDeactivateApp();
  // The cursor is over the window.
  void OnSetCursor();
  void OnHideTimer();
  void OnDisplayChange();
  // A bar asked for the window back.
  void OnRestoreRequest();
  // Whether the window may be shown now: not while it is hidden in a bar at an edge,
  // whoever asks (the dialog loop shows its window the first time its queue empties,
  // which under load can come after a hide).
  bool MayShow() { return !window_.BarOpen(); }
  // A menu or dialog of the launcher or the control opened (true) or closed (false).
  void OnSubMenuOpen(bool open) { subMenuOpen_ = open; }
  void OnDocumentComplete(const std::u16string& url);
  // The page's "iFrame" element changed its size.
  void OnFrameResize();
  // The settings dialog closed (confirmed or not): the options are read again.
  void OnSettingsClosed();
  // Window destruction and the end of the log-on session.
  void SavePosition() { settings_.SavePosition(window_.WindowRect().Corner()); }

  void DockCheck();
  void FitToPage();

  DockState Docked() const { return dockState_; }
  bool SubMenuOpen() const { return subMenuOpen_; }
  bool AutoHide() const { return autoHide_ == 1; }

 private:
  void ReadOptions();
  void ApplyZOrder();
  void Hide(DockState edge, const Rect& window, const Rect& work);

  MainWindowPort& window_;
  MainPagePort& page_;
  Monitors& monitors_;
  LauncherSettings& settings_;
  DockState dockState_ = DockState::None;
  bool refitDone_ = false;
  bool subMenuOpen_ = false;
  bool initializing_ = false;
  uint32_t showAlways_ = 0;
  uint32_t autoHide_ = 0;
};

}  // namespace tavolen::launcher
