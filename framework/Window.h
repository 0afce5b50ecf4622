#pragma once
// Base of our windows: one window procedure for every class, which stores `this` at
// WM_NCCREATE (GWLP_USERDATA) and hands every later message to the object's virtual
// HandleMessage. The window class is registered on first use in this module, by the name
// the derived class gives.
//
// Lifetime: the object owns its window. Destroying the object destroys a window that still
// exists; a window destroyed first (e.g. with its parent) detaches itself from the object
// at WM_NCDESTROY, after which hwnd() is null. Not movable: the window holds our address.
#include <windows.h>

#include <string>

namespace tavolen {

class Window {
 public:
  virtual ~Window();
  Window(const Window&) = delete;
  Window& operator=(const Window&) = delete;

  // Creates the window (registering the class first if needed). False on failure.
  bool Create(HWND parent, const wchar_t* title, DWORD style, DWORD exStyle, const RECT& rect, UINT_PTR id = 0);
  void Destroy();

  HWND hwnd() const { return hwnd_; }
  explicit operator bool() const { return hwnd_ != nullptr; }

  bool SetTimer(UINT_PTR id, UINT milliseconds) { return hwnd_ && ::SetTimer(hwnd_, id, milliseconds, nullptr) != 0; }
  void KillTimer(UINT_PTR id) {
    if (hwnd_) ::KillTimer(hwnd_, id);
  }
  bool Post(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const {
    return hwnd_ && ::PostMessageW(hwnd_, message, wParam, lParam);
  }
  LRESULT Send(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const {
    return hwnd_ ? ::SendMessageW(hwnd_, message, wParam, lParam) : 0;
  }

  // Unregisters the classes this module registered (at DLL unload: the system does not).
  static void UnregisterClasses();

 protected:
  // The class name; `classStyle` and `background` apply when this module registers it.
  explicit Window(std::wstring className, UINT classStyle = CS_HREDRAW | CS_VREDRAW, HBRUSH background = nullptr);

  // Every message after WM_NCCREATE; the default lets the system handle it.
  virtual LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT DefaultHandler(UINT message, WPARAM wParam, LPARAM lParam) {
    return ::DefWindowProcW(hwnd_, message, wParam, lParam);
  }

 private:
  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  bool RegisterOnce() const;

  std::wstring className_;
  UINT classStyle_;
  HBRUSH background_;
  HWND hwnd_ = nullptr;
};

}  // namespace tavolen
