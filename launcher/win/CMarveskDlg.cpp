#include "launcher/win/CMarveskDlg.h"

#include "framework/Module.h"
#include "framework/UniqueMenu.h"
#include "launcher/win/CAboutDlg.h"
#include "launcher/win/CSettingDlg.h"
#include "launcher/win/HtmlMarveskPage.h"
#include "launcher/win/NativeMarveskPage.h"
#include "launcher/resources/resource.h"

namespace tavolen::launcher {
namespace {

constexpr UINT_PTR kHideTimer = 1;
constexpr UINT kHideTimerPeriod = 1000;
constexpr DWORD kSlideTime = 100;
constexpr wchar_t kWindowTitle[] = L"Marvesk";
constexpr wchar_t kFlyoutTitle[] = L"FlyOutDialog";

std::unique_ptr<MarveskPageView> MakePage(PageEngine engine) {
  if (engine == PageEngine::Html) return std::make_unique<HtmlMarveskPage>();
  return std::make_unique<NativeMarveskPage>();
}

}  // namespace

CMarveskDlg::CMarveskDlg(LauncherContext& context)
    : context_(context),
      page_(MakePage(context.engine)),
      controller_(*this, *page_, context.monitors, context.settings) {}

CMarveskDlg::~CMarveskDlg() = default;

INT_PTR CMarveskDlg::Run() { return DoModal(nullptr, IDD_MARVESK); }

Rect CMarveskDlg::WindowRect() {
  RECT r{};
  ::GetWindowRect(hwnd(), &r);
  return Rect{int(r.left), int(r.top), int(r.right), int(r.bottom)};
}

void CMarveskDlg::MoveTo(const Rect& r) {
  ::SetWindowPos(hwnd(), nullptr, r.left, r.top, r.Width(), r.Height(), SWP_NOZORDER | SWP_NOACTIVATE);
}

void CMarveskDlg::SlideOut(DockState edge) {
  DWORD direction = AW_VER_POSITIVE;
  if (edge == DockState::Left) direction = AW_HOR_NEGATIVE;
  if (edge == DockState::Right) direction = AW_HOR_POSITIVE;
  if (edge == DockState::Top) direction = AW_VER_NEGATIVE;
  ::AnimateWindow(hwnd(), kSlideTime, AW_HIDE | AW_SLIDE | direction);
  if (::IsWindowVisible(hwnd())) ::ShowWindow(hwnd(), SW_HIDE);
}

void CMarveskDlg::ShowOnTop() {
  ::ShowWindow(hwnd(), SW_SHOWNA);
  ::SetWindowPos(hwnd(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void CMarveskDlg::SetAlwaysOnTop(bool always) {
  constexpr UINT flags = SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE;
  if (always) {
    ::SetWindowPos(hwnd(), HWND_TOPMOST, 0, 0, 0, 0, flags);
  } else {
    ::SetWindowPos(hwnd(), HWND_BOTTOM, 0, 0, 0, 0, flags);
    ::SetWindowPos(hwnd(), HWND_NOTOPMOST, 0, 0, 0, 0, flags);
  }
}

void CMarveskDlg::StartHideTimer() { ::SetTimer(hwnd(), kHideTimer, kHideTimerPeriod, nullptr); }
void CMarveskDlg::StopHideTimer() { ::KillTimer(hwnd(), kHideTimer); }

void CMarveskDlg::OpenBar(DockState edge, const Rect& window, const Rect& work) {
  bar_.reset();
  const bool showAlways = context_.settings.ReadDword(kShowAlways) == 1;
  std::unique_ptr<DockBar> bar;
  if (edge == DockState::Left || edge == DockState::Right)
    bar = std::make_unique<CDockSideDlg>(window, work, showAlways);
  else
    bar = std::make_unique<CDockTopDlg>(window, work, showAlways);
  if (bar->Open(hwnd())) bar_ = std::move(bar);
}

void CMarveskDlg::CloseBar() { bar_.reset(); }

bool CMarveskDlg::BarOpen() { return bar_ && bar_->hwnd(); }

Point CMarveskDlg::Cursor() {
  POINT p{};
  ::GetCursorPos(&p);
  return Point{int(p.x), int(p.y)};
}

bool CMarveskDlg::FlyoutOpen() { return ::FindWindowW(nullptr, kFlyoutTitle) != nullptr; }

void CMarveskDlg::OnFrameMouse() {
  // The system's own window drag, as a press on a caption starts it.
  POINT at{};
  ::GetCursorPos(&at);
  ::ReleaseCapture();
  ::SendMessageW(hwnd(), WM_NCLBUTTONDOWN, HTCAPTION, MAKELPARAM(at.x, at.y));
}

void CMarveskDlg::ShowContextMenu(Point at) {
  const UniqueMenu menu(::LoadMenuW(ModuleInstance(), MAKEINTRESOURCEW(IDR_MARVESK_MENU)));
  if (!menu) return;
  controller_.OnSubMenuOpen(true);
  // The menu closes when the user clicks elsewhere only if its owner is in front.
  ::SetForegroundWindow(hwnd());
  ::TrackPopupMenu(::GetSubMenu(menu.get(), 0), TPM_LEFTALIGN | TPM_RIGHTBUTTON, at.x, at.y, 0, hwnd(), nullptr);
  controller_.OnSubMenuOpen(false);
}

void CMarveskDlg::OnInitDialog() {
  const HICON big = static_cast<HICON>(::LoadImageW(ModuleInstance(), MAKEINTRESOURCEW(IDI_TAVOLEN), IMAGE_ICON,
                                                    ::GetSystemMetrics(SM_CXICON), ::GetSystemMetrics(SM_CYICON), LR_SHARED));
  const HICON small = static_cast<HICON>(::LoadImageW(ModuleInstance(), MAKEINTRESOURCEW(IDI_TAVOLEN), IMAGE_ICON,
                                                      ::GetSystemMetrics(SM_CXSMICON), ::GetSystemMetrics(SM_CYSMICON), LR_SHARED));
  ::SendMessageW(hwnd(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big));
  ::SendMessageW(hwnd(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small));
  ::SetWindowTextW(hwnd(), kWindowTitle);
  controller_.Initialize();
  page_->Open(hwnd(), context_.mainPage, *this);
}

void CMarveskDlg::OnCommand(UINT id) {
  switch (id) {
    case ID_MARVESK_SETTING: {
      controller_.OnSubMenuOpen(true);
      CSettingDlg settings(context_, *page_);
      settings.Run(hwnd());
      controller_.OnSettingsClosed();
      break;
    }
    case ID_MARVESK_VERSION: {
      CAboutDlg about;
      about.DoModal(hwnd(), IDD_ABOUT);
      break;
    }
    case ID_MARVESK_CLOSE: End(IDOK); break;
    case IDCANCEL: End(IDCANCEL); break;  // WM_CLOSE (from the control too)
    default: break;  // IDOK: Enter does not close the window
  }
}

void CMarveskDlg::OnDestroy() {
  ::KillTimer(hwnd(), kHideTimer);
  controller_.SavePosition();
  bar_.reset();
  page_->Close();
}

INT_PTR CMarveskDlg::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == context_.subMenuMessage && message != 0) {
    controller_.OnSubMenuOpen(wParam != 0);
    SetResult(0);
    return TRUE;
  }
  switch (message) {
    case WM_INITDIALOG: OnInitDialog(); return FALSE;
    case WM_COMMAND: OnCommand(LOWORD(wParam)); return TRUE;
    case WM_SIZE: {
      RECT client;
      ::GetClientRect(hwnd(), &client);
      page_->Fill(client);
      return FALSE;
    }
    case WM_ACTIVATEAPP:
      if (!wParam) controller_.OnDeactivateApp();
      return FALSE;
    case WM_WINDOWPOSCHANGING: {
      auto* pos = reinterpret_cast<WINDOWPOS*>(lParam);
      if ((pos->flags & SWP_SHOWWINDOW) && !controller_.MayShow()) pos->flags &= ~SWP_SHOWWINDOW;
      if (!(pos->flags & SWP_NOMOVE)) {
        std::optional<Size> size;
        if (!(pos->flags & SWP_NOSIZE)) size = Size{pos->cx, pos->cy};
        const Point corner = controller_.OnPositionChanging(Point{pos->x, pos->y}, size);
        pos->x = corner.x;
        pos->y = corner.y;
      }
      return FALSE;
    }
    case WM_MOVING: {
      const RECT* r = reinterpret_cast<const RECT*>(lParam);
      ::MoveWindow(hwnd(), r->left, r->top, r->right - r->left, r->bottom - r->top, TRUE);
      SetResult(0);
      return TRUE;
    }
    case WM_EXITSIZEMOVE: controller_.OnExitSizeMove(); return FALSE;
    case WM_SETCURSOR: controller_.OnSetCursor(); return FALSE;
    case WM_TIMER:
      if (wParam == kHideTimer) controller_.OnHideTimer();
      return FALSE;
    case WM_QUERYENDSESSION:
      controller_.SavePosition();
      SetResult(TRUE);
      return TRUE;
    case WM_DISPLAYCHANGE: controller_.OnDisplayChange(); return FALSE;
    case kRestoreRequest:
      controller_.OnRestoreRequest();
      SetResult(0);
      return TRUE;
    case WM_DESTROY: OnDestroy(); return FALSE;
    default: return FALSE;
  }
}

}  // namespace tavolen::launcher
