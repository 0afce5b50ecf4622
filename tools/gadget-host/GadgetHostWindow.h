#pragma once
// A top-level window that hosts the gadget control the way its page does: creates it by
// ProgID, starts it with LoadGadgetPath, answers SettingOverwrite, SetSizeInfo and
// ChangeSize by sizing the control to GetDriveLetterCount rows of the announced row size
// and itself around the control, and FlyOutOn with GetFlyOutInfo (a click on a row's
// text opens the control's flyout). Can write a BMP of its client area after a delay and
// then end the message loop.
#include <windows.h>

#include <string>
#include <vector>

#include "framework/ComPtr.h"
#include "framework/ControlSite.h"
#include "framework/Window.h"

namespace tavolen {

class GadgetHostWindow : public Window {
 public:
  GadgetHostWindow();
  ~GadgetHostWindow() override;

  // Creates and shows the window with the control in it. S_OK or why not.
  HRESULT Open(const wchar_t* progId);
  // Calls the control's LoadGadgetPath with `folder`, as the page does with its location.
  HRESULT LoadGadgetPath(const std::wstring& folder);
  // After `milliseconds` writes the client area to `file` and ends the message loop.
  bool ScreenshotAfter(UINT milliseconds, std::wstring file);
  // Closes the control (before the window goes).
  void CloseControl();

  // 0 unless the screenshot could not be written.
  int ExitCode() const { return exitCode_; }
  // What the last fit decided (for the log and for checks).
  SIZE ControlSize() const { return controlSize_; }
  int Rows() const { return rows_; }

 private:
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  void OnControlEvent(DISPID id, const std::vector<VARIANT>& args);
  void Fit();
  void TakeScreenshot();
  // A member call by name, as a page script makes it. Arguments in declared order.
  HRESULT Call(const wchar_t* name, std::vector<VARIANT> args, VARIANT* result);

  ComPtr<ControlSite> site_;
  ULONG rowHeight_ = 0;
  ULONG rowWidth_ = 0;
  int rows_ = 0;
  SIZE controlSize_{};
  bool fitPending_ = false;
  std::wstring screenshot_;
  int exitCode_ = 0;
};

}  // namespace tavolen
