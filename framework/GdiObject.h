#pragma once
// Owners of GDI objects and device contexts.
//   - UniqueBitmap, UniqueBrush, UniqueFont, UniquePen, UniqueRegion: one GDI object,
//     deleted exactly once with DeleteObject. Stock objects must not be given to them.
//   - UniqueDc: a memory device context of CreateCompatibleDC, deleted with DeleteDC.
//   - WindowDc: the device context of a window (GetDC), released with ReleaseDC.
//   - SelectedObject: an object selected into a device context for the life of the
//     scope; the previous object is selected back at its end, before either goes.
#include <windows.h>

#include <utility>

#include "framework/Unique.h"

namespace tavolen {

template <class Handle>
struct GdiObjectTraits {
  using pointer = Handle;
  static pointer Invalid() noexcept { return nullptr; }
  static bool IsInvalid(pointer p) noexcept { return p == nullptr; }
  static void Close(pointer p) noexcept { ::DeleteObject(p); }
};
template <class Handle>
using GdiObject = Unique<GdiObjectTraits<Handle>>;

using UniqueBitmap = GdiObject<HBITMAP>;
using UniqueBrush = GdiObject<HBRUSH>;
using UniqueFont = GdiObject<HFONT>;
using UniquePen = GdiObject<HPEN>;
using UniqueRegion = GdiObject<HRGN>;

namespace detail {
inline void DeleteDcHandle(HDC dc) { ::DeleteDC(dc); }
}  // namespace detail
using UniqueDc = Unique<NullIsNone<HDC, &detail::DeleteDcHandle>>;

class WindowDc {
 public:
  explicit WindowDc(HWND window) : window_(window), dc_(::GetDC(window)) {}
  ~WindowDc() {
    if (dc_) ::ReleaseDC(window_, dc_);
  }
  WindowDc(const WindowDc&) = delete;
  WindowDc& operator=(const WindowDc&) = delete;
  HDC get() const { return dc_; }
  explicit operator bool() const { return dc_ != nullptr; }

 private:
  HWND window_;
  HDC dc_;
};

class SelectedObject {
 public:
  SelectedObject(HDC dc, HGDIOBJ object) : dc_(dc), previous_(dc && object ? ::SelectObject(dc, object) : nullptr) {}
  ~SelectedObject() {
    if (previous_ && previous_ != HGDI_ERROR) ::SelectObject(dc_, previous_);
  }
  SelectedObject(const SelectedObject&) = delete;
  SelectedObject& operator=(const SelectedObject&) = delete;

 private:
  HDC dc_;
  HGDIOBJ previous_;
};

}  // namespace tavolen
