#include "framework/Window.h"

#include "framework/Module.h"

#include <mutex>
#include <set>

namespace tavolen {
namespace {

std::mutex g_classesLock;
std::set<std::wstring>& RegisteredClasses() {
  static std::set<std::wstring> classes;
  return classes;
}

}  // namespace

Window::Window(std::wstring className, UINT classStyle, HBRUSH background)
    : className_(std::move(className)), classStyle_(classStyle), background_(background) {}

Window::~Window() { Destroy(); }

bool Window::RegisterOnce() const {
  std::lock_guard<std::mutex> lock(g_classesLock);
  if (RegisteredClasses().count(className_)) return true;
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.style = classStyle_;
  wc.lpfnWndProc = &Window::WindowProc;
  wc.hInstance = ModuleInstance();
  wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = background_;
  wc.lpszClassName = className_.c_str();
  if (!::RegisterClassExW(&wc) && ::GetLastError() != ERROR_CLASS_ALREADY_EXISTS) return false;
  RegisteredClasses().insert(className_);
  return true;
}

void Window::UnregisterClasses() {
  std::lock_guard<std::mutex> lock(g_classesLock);
  for (const std::wstring& name : RegisteredClasses()) ::UnregisterClassW(name.c_str(), ModuleInstance());
  RegisteredClasses().clear();
}

bool Window::Create(HWND parent, const wchar_t* title, DWORD style, DWORD exStyle, const RECT& rect, UINT_PTR id) {
  if (hwnd_ || !RegisterOnce()) return false;
  HWND created = ::CreateWindowExW(exStyle, className_.c_str(), title, style, rect.left, rect.top,
                                   rect.right - rect.left, rect.bottom - rect.top, parent,
                                   reinterpret_cast<HMENU>(id), ModuleInstance(), this);
  return created != nullptr;
}

void Window::Destroy() {
  if (hwnd_) ::DestroyWindow(hwnd_);  // WM_NCDESTROY clears hwnd_
}

LRESULT Window::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  return DefaultHandler(message, wParam, lParam);
}

LRESULT CALLBACK Window::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  Window* self = nullptr;
  if (message == WM_NCCREATE) {
    self = static_cast<Window*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
    self->hwnd_ = hwnd;
    ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  } else {
    self = reinterpret_cast<Window*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  }
  // Messages before WM_NCCREATE (WM_GETMINMAXINFO) and after WM_NCDESTROY have no object.
  if (!self) return ::DefWindowProcW(hwnd, message, wParam, lParam);

  LRESULT result = self->HandleMessage(message, wParam, lParam);
  if (message == WM_NCDESTROY) {
    ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
    self->hwnd_ = nullptr;
  }
  return result;
}

}  // namespace tavolen
