#include "control/widgets/win/CFlyoutDlg.h"

#include "control/core/ControlHook.h"
#include "control/core/FlyoutPlacement.h"
#include "control/resources/resource.h"
#include "control/widgets/win/LauncherNotice.h"
#include "framework/Utf16.h"

namespace tavolen {

namespace {

constexpr int kPageControls[kFlyOutFieldCount] = {
    IDC_FLYOUT_TITLE,  IDC_FLYOUT_LABEL, IDC_FLYOUT_SIZE,   IDC_FLYOUT_VENDOR, IDC_FLYOUT_PRODUCT, IDC_FLYOUT_FIRMWARE,
    IDC_FLYOUT_TITLE1, IDC_FLYOUT_DATA1, IDC_FLYOUT_TITLE2, IDC_FLYOUT_DATA2,  IDC_FLYOUT_TITLE3,  IDC_FLYOUT_DATA3};

ScreenRect ToScreenRect(const RECT& r) { return ScreenRect{int(r.left), int(r.top), int(r.right), int(r.bottom)}; }

}  // namespace

int NativeFlyoutPage::ControlId(const std::u16string& id) {
  for (std::size_t i = 0; i < kFlyOutFieldCount; ++i)
    if (id == kFlyoutFieldIds[i]) return kPageControls[i];
  return 0;
}

void NativeFlyoutPage::SetText(const std::u16string& id, const std::u16string& text) {
  // Static controls without prefix processing show the text as it is.
  if (const int control = ControlId(id)) ::SetDlgItemTextW(dialog_, control, AsWide(text.c_str()));
}

void HtmlFlyoutPage::SetText(const std::u16string& id, const std::u16string& text) {
  view_.SetText(AsWide(id.c_str()), ToWide(text));
}

CFlyoutDlg::CFlyoutDlg(const FlyOutInfo& info, std::u16string gadgetFolder, bool html)
    : info_(info), gadgetFolder_(std::move(gadgetFolder)), html_(html) {}

CFlyoutDlg::~CFlyoutDlg() { Destroy(); }

bool CFlyoutDlg::Open(HWND control) {
  control_ = control;
  launcher_ = LauncherWindow();
  TellLauncherSubMenuOpen(launcher_, true);
  if (!Create(control, IDD_FLYOUT)) {
    TellLauncherSubMenuOpen(launcher_, false);
    return false;
  }
  ::ShowWindow(hwnd(), SW_SHOWNOACTIVATE);
  return true;
}

void CFlyoutDlg::Update(const FlyOutInfo& info) {
  info_ = info;
  FillPage();
}

bool CFlyoutDlg::OnInitDialog() {
  ::SetWindowTextW(hwnd(), AsWide(kFlyoutWindowTitle));
  RECT flyout{}, control{};
  ::GetWindowRect(hwnd(), &flyout);
  ::GetWindowRect(control_, &control);
  MONITORINFO monitor{};
  monitor.cbSize = sizeof monitor;
  ::GetMonitorInfoW(::MonitorFromRect(&control, MONITOR_DEFAULTTONEAREST), &monitor);
  const ScreenPoint at = FlyoutPosition(int(flyout.right - flyout.left), int(flyout.bottom - flyout.top),
                                        ToScreenRect(control), ToScreenRect(monitor.rcWork));
  ::SetWindowPos(hwnd(), nullptr, at.x, at.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);

  if (html_) {
    view_ = std::make_unique<HtmlView>();
    HtmlView::Callbacks callbacks;
    callbacks.documentComplete = [this](const std::u16string& url) { OnDocumentComplete(url); };
    const std::wstring page = ToWide(gadgetFolder_ + u"\\" + kFlyoutPageName);
    if (view_->Open(hwnd(), std::move(callbacks)) && view_->Navigate(FileAddress(page))) {
      // The page covers the native stand-in.
      for (int id : kPageControls) ::ShowWindow(Item(id), SW_HIDE);
      ::ShowWindow(Item(IDOK), SW_HIDE);
      return true;
    }
    view_.reset();  // no page after all: the stand-in shows the record
  }
  FillPage();
  return true;
}

void CFlyoutDlg::OnDocumentComplete(const std::u16string& url) {
  if (url.find(u"htm") == std::u16string::npos) return;
  pageLoaded_ = true;
  view_->AttachEvent(AsWide(kFlyoutOkButton), L"onclick", [this] {
    OnOk();
    return false;
  });
  FillPage();
}

void CFlyoutDlg::FillPage() {
  if (!hwnd()) return;
  if (view_) {
    if (!pageLoaded_) return;  // the page fills itself when it has loaded
    HtmlFlyoutPage page(*view_);
    FillFlyoutPage(page, info_);
    return;
  }
  NativeFlyoutPage page(hwnd());
  FillFlyoutPage(page, info_);
}

void CFlyoutDlg::OnOk() {
  // The control owns this window: it closes it, forgets it and zeroes the record.
  if (control_ && ::IsWindow(control_))
    ::PostMessageW(control_, gadget_message::kFlyoutOff, 0, 0);
  else
    ::DestroyWindow(hwnd());
}

void CFlyoutDlg::OnDestroy() {
  if (view_) view_->Close();
  TellLauncherSubMenuOpen(launcher_, false);
}

INT_PTR CFlyoutDlg::HandleMessage(UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG: return OnInitDialog();
    case WM_COMMAND:
      if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) OnOk();
      return TRUE;
    case WM_SIZE:
      if (view_) {
        RECT client{};
        ::GetClientRect(hwnd(), &client);
        view_->Fill(client);
      }
      return FALSE;
    case WM_DESTROY: OnDestroy(); return FALSE;
    default: return FALSE;
  }
}

}  // namespace tavolen
