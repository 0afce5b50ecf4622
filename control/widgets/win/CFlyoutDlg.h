#pragma once
// The flyout: a popup beside the gadget with the details of one drive, titled
// "FlyOutDialog" (the launcher looks for it before it hides). Where the system's HTML
// engine renders it shows "FlyOut.htm" from the gadget folder; elsewhere the controls of
// its template stand in for the page's elements. Both are filled through one page port,
// every field as text.
//
// Owned by the control, which creates it, refills it and destroys it; its OK button asks
// the control to close it (the flyout-off message) instead of destroying itself, so the
// control never holds a window that is gone. The launcher, told of the flyout when it
// opened, is told when its window goes. UI thread only.
#include <windows.h>

#include <memory>
#include <string>

#include "control/core/FlyOutInfo.h"
#include "control/core/FlyoutPage.h"
#include "framework/Dialog.h"
#include "framework/HtmlView.h"

namespace tavolen {

class CFlyoutDlg : public Dialog {
 public:
  // `html`: show the page in the system's HTML engine rather than the native stand-in.
  CFlyoutDlg(const FlyOutInfo& info, std::u16string gadgetFolder, bool html);
  ~CFlyoutDlg() override;

  // Creates the window beside `control` (its owner) and shows it; false when it could not
  // be made.
  bool Open(HWND control);
  // Whether the window exists.
  bool IsOpen() const { return hwnd() != nullptr && ::IsWindow(hwnd()); }
  // Shows another record in place: the window keeps its place and size.
  void Update(const FlyOutInfo& info);

 private:
  INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  bool OnInitDialog();
  void OnDocumentComplete(const std::u16string& url);
  void OnOk();
  void OnDestroy();
  void FillPage();

  FlyOutInfo info_;
  std::u16string gadgetFolder_;
  bool html_;
  HWND control_ = nullptr;
  HWND launcher_ = nullptr;  // told of the flyout at its creation
  std::unique_ptr<HtmlView> view_;
  bool pageLoaded_ = false;
};

// The native stand-in of "FlyOut.htm": the template's static controls by element id.
class NativeFlyoutPage : public FlyoutPagePort {
 public:
  explicit NativeFlyoutPage(HWND dialog) : dialog_(dialog) {}
  void SetText(const std::u16string& id, const std::u16string& text) override;
  // The control of an element id, or 0.
  static int ControlId(const std::u16string& id);

 private:
  HWND dialog_;
};

// "FlyOut.htm" in the HTML view: each element's text set as text.
class HtmlFlyoutPage : public FlyoutPagePort {
 public:
  explicit HtmlFlyoutPage(HtmlView& view) : view_(view) {}
  void SetText(const std::u16string& id, const std::u16string& text) override;

 private:
  HtmlView& view_;
};

}  // namespace tavolen
