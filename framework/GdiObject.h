#pragma once
// Owner of one GDI object (bitmap, brush, font, pen, region); deleted exactly once with
// DeleteObject. Stock objects must not be given to it. Moves, never copies.
#include <windows.h>

#include <utility>

namespace tavolen {

template <class Handle>
class GdiObject {
 public:
  GdiObject() = default;
  explicit GdiObject(Handle handle) : handle_(handle) {}
  ~GdiObject() { reset(); }

  GdiObject(GdiObject&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
  GdiObject& operator=(GdiObject&& other) noexcept {
    if (this != &other) reset(std::exchange(other.handle_, nullptr));
    return *this;
  }
  GdiObject(const GdiObject&) = delete;
  GdiObject& operator=(const GdiObject&) = delete;

  explicit operator bool() const { return handle_ != nullptr; }
  Handle get() const { return handle_; }
  Handle release() { return std::exchange(handle_, nullptr); }
  void reset(Handle handle = nullptr) {
    Handle old = std::exchange(handle_, handle);
    if (old) ::DeleteObject(old);
  }

 private:
  Handle handle_ = nullptr;
};

using UniqueBitmap = GdiObject<HBITMAP>;
using UniqueBrush = GdiObject<HBRUSH>;
using UniqueFont = GdiObject<HFONT>;
using UniquePen = GdiObject<HPEN>;
using UniqueRegion = GdiObject<HRGN>;

}  // namespace tavolen
