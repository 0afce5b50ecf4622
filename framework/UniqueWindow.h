#pragma once
// Owners of a window made outside our window classes (a tooltip control, a helper
// window), destroyed exactly once with DestroyWindow, and of a message hook, removed with
// UnhookWindowsHookEx. A child window goes with its parent: reset() or release() it
// before the parent is destroyed when the owner outlives the parent.
#include <windows.h>

#include "framework/Unique.h"

namespace tavolen {

namespace detail {
inline void DestroyWindowHandle(HWND window) {
  if (::IsWindow(window)) ::DestroyWindow(window);
}
inline void RemoveHook(HHOOK hook) { ::UnhookWindowsHookEx(hook); }
}  // namespace detail
using UniqueWindow = Unique<NullIsNone<HWND, &detail::DestroyWindowHandle>>;
using UniqueHook = Unique<NullIsNone<HHOOK, &detail::RemoveHook>>;

}  // namespace tavolen
