#include "launcher/MarveskController.h"

#include "launcher/Text.h"
#include "launcher/WindowPlacement.h"

namespace tavolen::launcher {

void MarveskController::Initialize() {
  initializing_ = true;
  const Rect start = window_.WindowRect();
  // Narrow and flat until the page tells its size.
  window_.MoveTo(Rect::At(start.Corner(), Size{kTemplateWidth, 1}));
  const Point corner = StartPosition(monitors_, settings_.ReadPosition(), Size{kTemplateWidth, 1}, start.Width());
  ReadOptions();
  ApplyZOrder();
  // The system may place the window elsewhere than asked; a few tries, then it stays.
  for (int attempt = 0; attempt < kMaxPlacementAttempts; ++attempt) {
    window_.MoveTo(Rect::At(corner, Size{kTemplateWidth, window_.WindowRect().Height()}));
    if (window_.WindowRect().Corner() == corner) break;
  }
  initializing_ = false;
}

void MarveskController::ReadOptions() {
  autoHide_ = settings_.ReadDword(kAutoHide);
  showAlways_ = settings_.ReadDword(kShowAlways);
}

void MarveskController::ApplyZOrder() { window_.SetAlwaysOnTop(showAlways_ == 1); }

Point MarveskController::OnPositionChanging(Point proposed, std::optional<Size> newSize) {
  if (initializing_) return proposed;
  // A window that changes its size with the move snaps at the size it is taking.
  Rect window = window_.WindowRect();
  if (newSize) window = Rect::At(window.Corner(), *newSize);
  return SnapToWorkArea(monitors_, window, proposed, monitors_.Nearest(window), window_.Cursor());
}

void MarveskController::OnDeactivateApp() {
  if (page_.Loaded())
    page_.Call(kOnHideFlyout);
  else
    DockCheck();
}

void MarveskController::DockCheck() {
  if (autoHide_ != 1) {
    dockState_ = DockState::None;
    return;
  }
  window_.StopHideTimer();
  const Rect window = window_.WindowRect();
  const Rect work = monitors_.Nearest(window).work;
  const DockState edge = DockEdge(window, work);
  if (edge == DockState::None) {
    dockState_ = DockState::None;
    FitToPage();
    return;
  }
  Hide(edge, window, work);
}

void MarveskController::Hide(DockState edge, const Rect& window, const Rect& work) {
  window_.SlideOut(edge);
  window_.OpenBar(edge, window, work);
  dockState_ = edge;
}

void MarveskController::FitToPage() {
  const std::optional<Size> frame = page_.FrameSize();
  if (!frame) return;
  const Rect window = window_.WindowRect();
  window_.MoveTo(Rect::At(window.Corner(), Size{frame->width, frame->height + kFrameImagesHeight}));
}

void MarveskController::OnSetCursor() {
  if (dockState_ == DockState::None) {
    refitDone_ = false;
    return;
  }
  if (refitDone_) return;
  FitToPage();
  const Rect window = window_.WindowRect();
  const Rect kept = KeepToDockedEdge(window, dockState_, monitors_.Nearest(window).work);
  if (kept != window) window_.MoveTo(kept);
  refitDone_ = true;
}

void MarveskController::OnHideTimer() {
  const Rect window = window_.WindowRect();
  if (!ShouldHideAgain(subMenuOpen_, window_.Cursor(), window, monitors_.Nearest(window))) return;
  DockCheck();
  refitDone_ = false;
}

void MarveskController::OnDisplayChange() {
  // A window hidden at an edge comes back first, so that it is placed and docked anew on
  // the monitors there are now, bar included.
  const bool wasHidden = window_.BarOpen();
  if (wasHidden) {
    window_.CloseBar();
    window_.StopHideTimer();
  }
  const Rect window = window_.WindowRect();
  if (const std::optional<Rect> moved = PlacementAfterDisplayChange(monitors_, window, kTemplateWidth))
    window_.MoveTo(*moved);
  if (wasHidden) {
    window_.ShowOnTop();
    DockCheck();
  }
}

void MarveskController::OnRestoreRequest() {
  // A request can arrive after the bar is gone (a second one queued behind the first).
  if (!window_.BarOpen()) return;
  window_.CloseBar();
  window_.ShowOnTop();
  window_.StartHideTimer();
}

void MarveskController::OnDocumentComplete(const std::u16string& url) {
  if (Contains(url, kMainPageName)) FitToPage();
}

void MarveskController::OnFrameResize() {
  FitToPage();
  const Rect window = window_.WindowRect();
  const Rect kept = KeepAboveWorkBottom(window, dockState_, monitors_.Nearest(window).work);
  if (kept != window) window_.MoveTo(kept);
  if (!window_.FlyoutOpen()) DockCheck();
}

void MarveskController::OnSettingsClosed() {
  subMenuOpen_ = false;
  ReadOptions();
  ApplyZOrder();
  if (autoHide_ == 1) DockCheck();
}

}  // namespace tavolen::launcher
