#include "framework/Dialog.h"

#include "framework/Module.h"

namespace tavolen {

Dialog::~Dialog() { Destroy(); }

bool Dialog::Create(HWND parent, UINT templateId, HINSTANCE instance) {
  if (hwnd_) return false;
  modal_ = false;
  return ::CreateDialogParamW(instance ? instance : ModuleInstance(), MAKEINTRESOURCEW(templateId), parent,
                              &Dialog::DialogProc, reinterpret_cast<LPARAM>(this)) != nullptr;
}

INT_PTR Dialog::DoModal(HWND parent, UINT templateId, HINSTANCE instance) {
  if (hwnd_) return -1;
  modal_ = true;
  return ::DialogBoxParamW(instance ? instance : ModuleInstance(), MAKEINTRESOURCEW(templateId), parent,
                           &Dialog::DialogProc, reinterpret_cast<LPARAM>(this));
}

void Dialog::End(INT_PTR result) {
  if (!hwnd_) return;
  if (modal_)
    ::EndDialog(hwnd_, result);
  else
    ::DestroyWindow(hwnd_);
}

void Dialog::Destroy() {
  // A modal dialog is never destroyed from outside its own run.
  if (hwnd_ && !modal_) ::DestroyWindow(hwnd_);
}

INT_PTR Dialog::HandleMessage(UINT message, WPARAM wParam, LPARAM) {
  if (message == WM_INITDIALOG) return TRUE;  // default focus
  if (message == WM_COMMAND && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)) {
    End(LOWORD(wParam));
    return TRUE;
  }
  return FALSE;
}

INT_PTR CALLBACK Dialog::DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  Dialog* self = nullptr;
  if (message == WM_INITDIALOG) {
    self = reinterpret_cast<Dialog*>(lParam);
    self->hwnd_ = hwnd;
    ::SetWindowLongPtrW(hwnd, DWLP_USER, lParam);
  } else {
    self = reinterpret_cast<Dialog*>(::GetWindowLongPtrW(hwnd, DWLP_USER));
  }
  // Messages before WM_INITDIALOG (WM_SETFONT) have no object yet.
  if (!self) return FALSE;

  INT_PTR result = self->HandleMessage(message, wParam, lParam);
  if (message == WM_NCDESTROY) {
    ::SetWindowLongPtrW(hwnd, DWLP_USER, 0);
    self->hwnd_ = nullptr;
  }
  return result;
}

}  // namespace tavolen
