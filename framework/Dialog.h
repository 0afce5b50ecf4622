#pragma once
// Base of our dialogs, made from resource templates: modeless (Create) or modal (DoModal).
// One dialog procedure stores `this` at WM_INITDIALOG (its lParam) in DWLP_USER and hands
// every later message to the object's virtual HandleMessage, which returns TRUE for a
// handled message (and may set the message's result with SetResult), FALSE otherwise.
//
// Lifetime: the object owns a modeless window and destroys it if it still exists; a modal
// dialog ends (End) before DoModal returns. The window detaches itself from the object at
// WM_NCDESTROY. Not movable: the window holds our address. Derived classes that handle
// WM_DESTROY call Destroy() in their own destructor.
#include <windows.h>

namespace tavolen {

class Dialog {
 public:
  virtual ~Dialog();
  Dialog(const Dialog&) = delete;
  Dialog& operator=(const Dialog&) = delete;

  // Modeless; the template comes from `instance` (this module when null). False on failure.
  bool Create(HWND parent, UINT templateId, HINSTANCE instance = nullptr);
  // Modal: returns the value given to End, or -1 when the dialog cannot be made.
  INT_PTR DoModal(HWND parent, UINT templateId, HINSTANCE instance = nullptr);
  void End(INT_PTR result);
  void Destroy();

  HWND hwnd() const { return hwnd_; }
  HWND Item(int id) const { return ::GetDlgItem(hwnd_, id); }
  explicit operator bool() const { return hwnd_ != nullptr; }

 protected:
  Dialog() = default;
  virtual INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
  // The result of the message being handled (for messages whose result is not the BOOL).
  void SetResult(LRESULT result) { ::SetWindowLongPtrW(hwnd_, DWLP_MSGRESULT, result); }

 private:
  static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

  HWND hwnd_ = nullptr;
  bool modal_ = false;
};

}  // namespace tavolen
