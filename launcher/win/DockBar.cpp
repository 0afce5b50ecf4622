#include "launcher/win/DockBar.h"

#include "framework/Module.h"
#include "launcher/resources/resource.h"

namespace tavolen::launcher {
namespace {

constexpr UINT_PTR kPollTimer = 1;
constexpr UINT kSidePeriod = 100;
constexpr UINT kTopPeriod = 250;
static_assert(kBitmapBottomBar == IDB_DOCK_BOTTOM && kBitmapTopBar == IDB_DOCK_TOP &&
              kBitmapRightBar == IDB_DOCK_RIGHT && kBitmapLeftBar == IDB_DOCK_LEFT);

}  // namespace

DockBar::DockBar(UINT templateId, UINT timerPeriod, BarPlacement placement, bool showAlways)
    : templateId_(templateId), timerPeriod_(timerPeriod), placement_(placement), showAlways_(showAlways) {}

DockBar::~DockBar() { Destroy(); }

CDockSideDlg::CDockSideDlg(const Rect& window, const Rect& work, bool showAlways)
    : DockBar(IDD_DOCK_SIDE, kSidePeriod, SideBarPlacement(window, work), showAlways) {}

CDockTopDlg::CDockTopDlg(const Rect& window, const Rect& work, bool showAlways)
    : DockBar(IDD_DOCK_TOP, kTopPeriod, TopBarPlacement(window, work), showAlways) {}

bool DockBar::Open(HWND owner) {
  if (!Create(owner, templateId_)) return false;
  ::ShowWindow(hwnd(), SW_SHOWNA);
  return true;
}

void DockBar::OnInitDialog() {
  const Rect& r = placement_.rect;
  bitmap_.reset(static_cast<HBITMAP>(
      ::LoadImageW(ModuleInstance(), MAKEINTRESOURCEW(placement_.bitmap), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
  background_.reset(::CreateSolidBrush(RGB(0, 0, 0)));
  ::SetWindowPos(hwnd(), nullptr, r.left, r.top, r.Width(), r.Height(), SWP_NOZORDER | SWP_NOACTIVATE);
  if (showAlways_) {
    ::SetWindowPos(hwnd(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  } else {
    ::SetWindowPos(hwnd(), HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    ::SetWindowPos(hwnd(), HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  }
  ::SetTimer(hwnd(), kPollTimer, timerPeriod_, nullptr);
}

void DockBar::OnPaint() {
  PAINTSTRUCT paint;
  HDC dc = ::BeginPaint(hwnd(), &paint);
  RECT client;
  ::GetClientRect(hwnd(), &client);
  if (bitmap_) {
    BITMAP info{};
    ::GetObjectW(bitmap_.get(), sizeof info, &info);
    const UniqueDc memory(::CreateCompatibleDC(dc));
    const SelectedObject selected(memory.get(), bitmap_.get());
    ::StretchBlt(dc, 0, 0, client.right, client.bottom, memory.get(), 0, 0, info.bmWidth, info.bmHeight, SRCCOPY);
  } else {
    ::FillRect(dc, &client, background_.get());
  }
  ::EndPaint(hwnd(), &paint);
}

void DockBar::RequestRestore() {
  if (HWND owner = ::GetWindow(hwnd(), GW_OWNER)) ::PostMessageW(owner, kRestoreRequest, 1, 0);
}

INT_PTR DockBar::HandleMessage(UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG: OnInitDialog(); return FALSE;
    case WM_PAINT: OnPaint(); return TRUE;
    case WM_CTLCOLORDLG: return reinterpret_cast<INT_PTR>(background_.get());
    case WM_NCHITTEST:
      // The mouse is over the bar: the window comes back without waiting for the timer.
      ::KillTimer(hwnd(), kPollTimer);
      RequestRestore();
      return FALSE;  // answered as the default handling does
    case WM_TIMER:
      if (wParam == kPollTimer) {
        POINT cursor;
        RECT bar;
        if (::GetCursorPos(&cursor) && ::GetWindowRect(hwnd(), &bar) && ::PtInRect(&bar, cursor)) {
          ::KillTimer(hwnd(), kPollTimer);
          RequestRestore();
        }
        return TRUE;
      }
      return FALSE;
    case WM_COMMAND:
      if (LOWORD(wParam) == IDOK) RequestRestore();
      return TRUE;  // Escape does not close a bar: only its owner does
    case WM_DESTROY: ::KillTimer(hwnd(), kPollTimer); return FALSE;
    default: return FALSE;
  }
}

}  // namespace tavolen::launcher
