#include "control/panels/win/CShortcutDlg.h"

#include "control/panels/ShortcutStore.h"
#include "control/resources/resource.h"

namespace tavolen {

namespace {
constexpr COLORREF kBackground = RGB(190, 190, 190);
constexpr int kButtonIds[4] = {IDC_SHORTCUT_0, IDC_SHORTCUT_1, IDC_SHORTCUT_2, IDC_SHORTCUT_3};
}  // namespace

CShortcutDlg::CShortcutDlg(RowHost& host) : host_(host), background_(::CreateSolidBrush(kBackground)) {}

CShortcutDlg::~CShortcutDlg() { Destroy(); }

bool CShortcutDlg::CreateRow(HWND control, UINT templateId) { return Create(control, templateId); }

bool CShortcutDlg::OnInitDialog() {
  ::MoveWindow(Item(IDC_SHORTCUT_SPARE), 0, 0, 0, 0, FALSE);
  for (std::size_t column = 0; column < buttons_.size(); ++column)
    buttons_[column].Attach(hwnd(), kButtonIds[column], host_, menuHandler_);
  dropTarget_ = DropTargetRegistration(hwnd(), host_);
  return true;
}

void CShortcutDlg::LoadRow(uint32_t row) {
  const std::unique_ptr<SettingsFile> ini = host_.Environment().settingsFiles->Open(host_.IniPath());
  for (std::size_t column = 0; column < buttons_.size(); ++column) {
    const StoredShortcut stored = ReadStoredShortcut(*ini, row, uint32_t(column));
    buttons_[column].SetShortcut(stored.text, row, uint8_t(column), stored.record ? &*stored.record : nullptr);
  }
}

void CShortcutDlg::OnCommand(UINT id, UINT code) {
  if (code != BN_CLICKED) return;
  for (std::size_t column = 0; column < buttons_.size(); ++column)
    if (int(id) == kButtonIds[column]) buttons_[column].OpenShortcut();
}

INT_PTR CShortcutDlg::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG: return OnInitDialog();
    case WM_DESTROY:
      // OLE holds the drop target until it is revoked, which needs the window.
      dropTarget_.Revoke();
      menuHandler_.Reset();
      return FALSE;
    case WM_COMMAND: OnCommand(LOWORD(wParam), HIWORD(wParam)); return TRUE;
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORBTN: return INT_PTR(background_.get());
    case WM_MOUSEMOVE: ::PostMessageW(::GetParent(hwnd()), message, wParam, lParam); return FALSE;
    default: break;
  }
  const std::optional<LRESULT> served = menuHandler_.Handle(message, wParam, lParam);
  if (served) SetResult(*served);
  return served.has_value();
}

}  // namespace tavolen
