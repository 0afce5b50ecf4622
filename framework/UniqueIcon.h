#pragma once
// Owner of one icon or cursor (HICON) made by CreateIconIndirect, ExtractIcon,
// SHGetFileInfo or LoadImage without LR_SHARED; destroyed exactly once with DestroyIcon.
// Shared icons must not be given to it. Moves, never copies.
#include <windows.h>

#include <utility>

namespace tavolen {

class UniqueIcon {
 public:
  UniqueIcon() = default;
  explicit UniqueIcon(HICON icon) : icon_(icon) {}
  ~UniqueIcon() { reset(); }

  UniqueIcon(UniqueIcon&& other) noexcept : icon_(std::exchange(other.icon_, nullptr)) {}
  UniqueIcon& operator=(UniqueIcon&& other) noexcept {
    if (this != &other) reset(std::exchange(other.icon_, nullptr));
    return *this;
  }
  UniqueIcon(const UniqueIcon&) = delete;
  UniqueIcon& operator=(const UniqueIcon&) = delete;

  explicit operator bool() const { return icon_ != nullptr; }
  HICON get() const { return icon_; }
  HICON release() { return std::exchange(icon_, nullptr); }
  void reset(HICON icon = nullptr) {
    HICON old = std::exchange(icon_, icon);
    if (old) ::DestroyIcon(old);
  }

 private:
  HICON icon_ = nullptr;
};

}  // namespace tavolen
