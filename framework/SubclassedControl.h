#pragma once
// A control made by a dialog template whose messages pass through our object first:
// Attach subclasses it (SetWindowSubclass) with `this` as reference data; HandleMessage
// sees every message and forwards what it does not handle to DefaultHandler.
//
// Lifetime: the subclass is removed when the object is destroyed or detached, or when the
// control is destroyed (WM_NCDESTROY). Not movable: the subclass holds our address.
#include <windows.h>

#include <commctrl.h>

namespace tavolen {

class SubclassedControl {
 public:
  virtual ~SubclassedControl() { Detach(); }
  SubclassedControl(const SubclassedControl&) = delete;
  SubclassedControl& operator=(const SubclassedControl&) = delete;

  // Subclasses the child `id` of `dialog`. False when there is no such child or already attached.
  bool Attach(HWND dialog, int id);
  bool AttachWindow(HWND control);
  void Detach();

  HWND hwnd() const { return hwnd_; }

 protected:
  SubclassedControl() = default;
  virtual LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    return DefaultHandler(message, wParam, lParam);
  }
  LRESULT DefaultHandler(UINT message, WPARAM wParam, LPARAM lParam) {
    return ::DefSubclassProc(hwnd_, message, wParam, lParam);
  }

 private:
  static LRESULT CALLBACK SubclassProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                       DWORD_PTR data);
  HWND hwnd_ = nullptr;
};

}  // namespace tavolen
