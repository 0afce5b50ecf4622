#pragma once
// The bars that stand in for the hidden main window at a work-area edge: CDockSideDlg at
// the left and right edges, CDockTopDlg at the top and bottom. A bar paints its picture,
// keeps above or below other windows as "ShowAlways" says, and asks its owner for the
// window back (WM_APP, wParam 1) as soon as the mouse comes over it. It posts the
// request, so the owner never destroys the bar inside the bar's own handler.
//
// Lifetime: a modeless dialog owned by the main window, which makes and destroys it.
// UI thread only.
#include <windows.h>

#include "framework/Dialog.h"
#include "framework/GdiObject.h"
#include "launcher/DockPlan.h"
#include "launcher/Geometry.h"

namespace tavolen::launcher {

// The message a bar posts to its owner.
inline constexpr UINT kRestoreRequest = WM_APP;

class DockBar : public Dialog {
 public:
  ~DockBar() override;
  // Creates the bar's window owned by `owner` and shows it without activating it.
  bool Open(HWND owner);
  const BarPlacement& Placement() const { return placement_; }

 protected:
  DockBar(UINT templateId, UINT timerPeriod, BarPlacement placement, bool showAlways);

 private:
  INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  void OnInitDialog();
  void OnPaint();
  void RequestRestore();

  UINT templateId_;
  UINT timerPeriod_;
  BarPlacement placement_;
  bool showAlways_;
  UniqueBitmap bitmap_;
  UniqueBrush background_;
};

class CDockSideDlg : public DockBar {
 public:
  CDockSideDlg(const Rect& window, const Rect& work, bool showAlways);
};

class CDockTopDlg : public DockBar {
 public:
  CDockTopDlg(const Rect& window, const Rect& work, bool showAlways);
  bool AtTop() const { return Placement().atTop; }
};

}  // namespace tavolen::launcher
