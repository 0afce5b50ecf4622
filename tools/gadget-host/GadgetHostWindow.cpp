#include "tools/gadget-host/GadgetHostWindow.h"

#include <cstdio>
#include <utility>

#include "tools/gadget-host/Screenshot.h"
#include "framework/DispatchCall.h"
#include "framework/UniqueVariant.h"

namespace tavolen {
namespace {

// Events of the control's source interface that the page answers.
constexpr DISPID kChangeSize = 1;
constexpr DISPID kFlyOutOn = 2;
constexpr DISPID kSettingOverwrite = 7;
constexpr DISPID kSetSizeInfo = 8;

constexpr UINT kFitMessage = WM_APP + 1;
constexpr UINT kFlyoutMessage = WM_APP + 2;
constexpr UINT_PTR kScreenshotTimer = 1;
constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
// Before the control has told its row size, and while it has no rows, the window keeps
// this much client area, so that it can be seen and photographed.
constexpr LONG kMinimumWidth = 120;
constexpr LONG kMinimumHeight = 24;

ULONG AsUlong(const VARIANT& value) {
  UniqueVariant converted;
  if (FAILED(::VariantChangeType(converted.put(), const_cast<VARIANT*>(&value), 0, VT_UI4))) return 0;
  return V_UI4(converted.get());
}

}  // namespace

GadgetHostWindow::GadgetHostWindow()
    : Window(L"TavolenGadgetHost", CS_HREDRAW | CS_VREDRAW, reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1)) {}

GadgetHostWindow::~GadgetHostWindow() { CloseControl(); }

HRESULT GadgetHostWindow::Open(const wchar_t* progId) {
  RECT frame{0, 0, kMinimumWidth, kMinimumHeight};
  ::AdjustWindowRectEx(&frame, kStyle, FALSE, 0);
  const RECT at{40, 40, 40 + frame.right - frame.left, 40 + frame.bottom - frame.top};
  if (!Create(nullptr, L"Tavolen gadget host", kStyle, 0, at)) return HRESULT_FROM_WIN32(::GetLastError());
  ::ShowWindow(hwnd(), SW_SHOWNORMAL);
  ::UpdateWindow(hwnd());

  site_ = ControlSite::Create(hwnd());
  HRESULT hr = site_->CreateControl(progId, RECT{0, 0, kMinimumWidth, kMinimumHeight});
  if (SUCCEEDED(hr))
    hr = site_->ConnectEvents([this](DISPID id, const std::vector<VARIANT>& args) { OnControlEvent(id, args); });
  if (FAILED(hr)) CloseControl();
  return hr;
}

HRESULT GadgetHostWindow::LoadGadgetPath(const std::wstring& folder) {
  UniqueVariant path = UniqueVariant::FromString(folder);
  return Call(L"LoadGadgetPath", {path.release()}, nullptr);
}

bool GadgetHostWindow::ScreenshotAfter(UINT milliseconds, std::wstring file) {
  screenshot_ = std::move(file);
  return SetTimer(kScreenshotTimer, milliseconds);
}

void GadgetHostWindow::CloseControl() {
  if (!site_) return;
  site_->Close();
  site_.reset();
}

HRESULT GadgetHostWindow::Call(const wchar_t* name, std::vector<VARIANT> args, VARIANT* result) {
  const ComPtr<IDispatch> dispatch = site_ ? site_->Dispatch() : ComPtr<IDispatch>();
  return CallByName(dispatch.get(), name, std::move(args), result);
}

void GadgetHostWindow::OnControlEvent(DISPID id, const std::vector<VARIANT>& args) {
  switch (id) {
    case kSetSizeInfo:
      if (args.size() >= 2) {
        rowHeight_ = AsUlong(args[0]);
        rowWidth_ = AsUlong(args[1]);
      }
      break;
    case kSettingOverwrite:
    case kChangeSize: break;
    case kFlyOutOn:
      // A row's details are ready: the page asks for the flyout, after the event returns.
      Post(kFlyoutMessage);
      return;
    default: return;
  }
  // Answered from the message loop, not inside the control's call: moving the control
  // makes it fire ChangeSize again, which then finds nothing to change.
  if (!fitPending_) fitPending_ = Post(kFitMessage);
}

void GadgetHostWindow::Fit() {
  fitPending_ = false;
  if (!site_) return;
  UniqueVariant count;
  if (FAILED(Call(L"GetDriveLetterCount", {}, count.put()))) return;
  rows_ = int(AsUlong(*count.get()));
  const LONG width = rowHeight_ ? LONG(rowWidth_) + 1 : kMinimumWidth;
  const LONG height = LONG(rows_) * LONG(rowHeight_);
  const RECT control{0, 0, width, height};
  const RECT& current = site_->Rect();
  if (current.right != control.right || current.bottom != control.bottom) {
    site_->Move(control);
    controlSize_ = SIZE{width, height};
    std::printf("gadget host: %d rows of %lux%lu, control %ldx%ld\n", rows_, rowWidth_ + 1, rowHeight_, width,
                height);
    std::fflush(stdout);
  }
  RECT frame{0, 0, width, height > kMinimumHeight ? height : kMinimumHeight};
  ::AdjustWindowRectEx(&frame, kStyle, FALSE, 0);
  ::SetWindowPos(hwnd(), nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void GadgetHostWindow::TakeScreenshot() {
  KillTimer(kScreenshotTimer);
  ::RedrawWindow(hwnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
  const DWORD error = WriteClientBitmap(hwnd(), screenshot_);
  if (error != ERROR_SUCCESS) {
    std::fprintf(stderr, "gadget host: the screenshot could not be written (error %lu)\n", error);
    exitCode_ = 1;
  }
  ::PostMessageW(hwnd(), WM_CLOSE, 0, 0);
}

LRESULT GadgetHostWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case kFitMessage: Fit(); return 0;
    case kFlyoutMessage: Call(L"GetFlyOutInfo", {}, nullptr); return 0;
    case WM_TIMER:
      if (wParam == kScreenshotTimer) {
        TakeScreenshot();
        return 0;
      }
      break;
    case WM_CLOSE:
      CloseControl();
      ::DestroyWindow(hwnd());
      return 0;
    case WM_DESTROY: ::PostQuitMessage(exitCode_); return 0;
    default: break;
  }
  return DefaultHandler(message, wParam, lParam);
}

}  // namespace tavolen
