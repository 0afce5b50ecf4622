#include "framework/SubclassedControl.h"

#include <commctrl.h>

namespace tavolen {

bool SubclassedControl::Attach(HWND dialog, int id) { return AttachWindow(::GetDlgItem(dialog, id)); }

bool SubclassedControl::AttachWindow(HWND control) {
  if (hwnd_ || !control) return false;
  if (!::SetWindowSubclass(control, &SubclassedControl::SubclassProc, reinterpret_cast<UINT_PTR>(this),
                           reinterpret_cast<DWORD_PTR>(this)))
    return false;
  hwnd_ = control;
  return true;
}

void SubclassedControl::Detach() {
  if (!hwnd_) return;
  ::RemoveWindowSubclass(hwnd_, &SubclassedControl::SubclassProc, reinterpret_cast<UINT_PTR>(this));
  hwnd_ = nullptr;
}

LRESULT CALLBACK SubclassedControl::SubclassProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                                 DWORD_PTR data) {
  auto* self = reinterpret_cast<SubclassedControl*>(data);
  if (message == WM_NCDESTROY) {
    LRESULT result = self->HandleMessage(message, wParam, lParam);
    self->Detach();
    return result;
  }
  (void)hwnd;
  return self->HandleMessage(message, wParam, lParam);
}

}  // namespace tavolen
