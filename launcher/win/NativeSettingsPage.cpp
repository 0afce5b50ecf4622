#include "launcher/win/NativeSettingsPage.h"

#include <commctrl.h>

#include "launcher/resources/resource.h"

namespace tavolen::launcher {
namespace {

namespace sp = settings_page;

struct Element {
  const char16_t* id;
  int control;
};
constexpr Element kElements[] = {
    {sp::kAutoHide, IDC_AUTOHIDE},         {sp::kShowAlways, IDC_SHOWALWAYS},
    {sp::kDriveCount, IDC_DRIVECOUNT},     {sp::kColorIndex, IDC_COLORINDEX},
    {sp::kAddRecycle, IDC_ADDRECYCLE},     {sp::kWatchRemovable, IDC_WACTHREMOVABLE},
    {sp::kShortcutCount, IDC_SHORTCUTCOUNT}, {sp::kButtonOk, IDC_BUTTONOK},
    {sp::kButtonCancel, IDC_BUTTONCANCEL}, {sp::kShowManual, IDC_SHOWMANUAL},
};
constexpr COLORREF kColours[kColorCount] = {RGB(96, 100, 110), RGB(40, 90, 170), RGB(40, 130, 80),
                                            RGB(170, 60, 100)};
constexpr const wchar_t* kColourNames[kColorCount] = {L"0", L"1", L"2", L"3"};

}  // namespace

NativeSettingsPage::NativeSettingsPage(HWND dialog) : dialog_(dialog) {
  const HWND colours = ::GetDlgItem(dialog, IDC_COLORINDEX);
  for (const wchar_t* name : kColourNames) ::SendMessageW(colours, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name));
  ::SendDlgItemMessageW(dialog, IDC_DRIVECOUNT_SPIN, UDM_SETRANGE32, 0, kMaxDriveCount);
  ::SendDlgItemMessageW(dialog, IDC_SHORTCUTCOUNT_SPIN, UDM_SETRANGE32, 0, kMaxShortcutRows);
}

int NativeSettingsPage::ControlId(const std::u16string& id) {
  for (const Element& e : kElements)
    if (id == e.id) return e.control;
  return 0;
}

COLORREF NativeSettingsPage::Colour(uint32_t index) { return kColours[index < kColorCount ? index : 0]; }

bool NativeSettingsPage::Checked(const std::u16string& id) {
  return ::IsDlgButtonChecked(dialog_, ControlId(id)) == BST_CHECKED;
}

void NativeSettingsPage::SetChecked(const std::u16string& id, bool checked) {
  ::CheckDlgButton(dialog_, ControlId(id), checked ? BST_CHECKED : BST_UNCHECKED);
}

uint32_t NativeSettingsPage::Number(const std::u16string& id) {
  const int control = ControlId(id);
  if (control == IDC_COLORINDEX) {
    const LRESULT selected = ::SendDlgItemMessageW(dialog_, control, CB_GETCURSEL, 0, 0);
    return selected == CB_ERR ? 0 : uint32_t(selected);
  }
  BOOL ok = FALSE;
  const UINT value = ::GetDlgItemInt(dialog_, control, &ok, FALSE);
  return ok ? value : 0;
}

void NativeSettingsPage::SetNumber(const std::u16string& id, uint32_t value) {
  const int control = ControlId(id);
  if (control == IDC_COLORINDEX)
    ::SendDlgItemMessageW(dialog_, control, CB_SETCURSEL, value < kColorCount ? value : 0, 0);
  else
    ::SetDlgItemInt(dialog_, control, value, FALSE);
}

bool NativeSettingsPage::Call(const std::u16string& function) {
  if (function != sp::kChangeColorIndex) return false;
  ::InvalidateRect(::GetDlgItem(dialog_, IDC_COLOR_PREVIEW), nullptr, TRUE);
  return true;
}

}  // namespace tavolen::launcher
