#pragma once
// The launcher's main window "Marvesk": a dialog showing the page Marvesk.htm (the HTML
// view or its native stand-in) with the gadget control in it. It forwards its messages
// and the page's events to MarveskController and does what the controller asks: moves,
// hides into a bar, shows the bar, keeps its z-order; it offers the context menu
// (Setting, Version, Close Application) and runs the settings and about dialogs.
//
// Lifetime: run modally by the application object for the life of the program; owns
// the page view and the bar. UI thread only.
#include <windows.h>

#include <memory>

#include "framework/Dialog.h"
#include "launcher/MarveskController.h"
#include "launcher/win/DockBar.h"
#include "launcher/win/LauncherContext.h"
#include "launcher/win/MarveskPageView.h"

namespace tavolen::launcher {

class CMarveskDlg : public Dialog, public MainWindowPort, private PageEvents {
 public:
  explicit CMarveskDlg(LauncherContext& context);
  ~CMarveskDlg() override;
  // Runs the window until "Close Application" or WM_CLOSE.
  INT_PTR Run();

  // MainWindowPort
  Rect WindowRect() override;
  void MoveTo(const Rect& rect) override;
  void SlideOut(DockState edge) override;
  void ShowOnTop() override;
  void SetAlwaysOnTop(bool always) override;
  void StartHideTimer() override;
  void StopHideTimer() override;
  void OpenBar(DockState edge, const Rect& window, const Rect& work) override;
  void CloseBar() override;
  bool BarOpen() override;
  Point Cursor() override;
  bool FlyoutOpen() override;

 private:
  INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  void OnInitDialog();
  void OnCommand(UINT id);
  void OnDestroy();
  void ShowContextMenu(Point at);

  // PageEvents
  void OnDocumentComplete(const std::u16string& url) override { controller_.OnDocumentComplete(url); }
  void OnFrameResize() override { controller_.OnFrameResize(); }
  void OnFrameMouse() override;
  void OnContextMenu(Point screen) override { ShowContextMenu(screen); }

  LauncherContext& context_;
  std::unique_ptr<MarveskPageView> page_;
  MarveskController controller_;
  std::unique_ptr<DockBar> bar_;
};

}  // namespace tavolen::launcher
