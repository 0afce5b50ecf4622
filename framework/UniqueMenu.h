#pragma once
// Owner of one menu (HMENU) from CreateMenu, CreatePopupMenu or LoadMenu; destroyed
// exactly once with DestroyMenu. A menu attached to a window belongs to the window:
// release() it before attaching. Moves, never copies.
#include <windows.h>

#include <utility>

namespace tavolen {

class UniqueMenu {
 public:
  UniqueMenu() = default;
  explicit UniqueMenu(HMENU menu) : menu_(menu) {}
  ~UniqueMenu() { reset(); }

  UniqueMenu(UniqueMenu&& other) noexcept : menu_(std::exchange(other.menu_, nullptr)) {}
  UniqueMenu& operator=(UniqueMenu&& other) noexcept {
    if (this != &other) reset(std::exchange(other.menu_, nullptr));
    return *this;
  }
  UniqueMenu(const UniqueMenu&) = delete;
  UniqueMenu& operator=(const UniqueMenu&) = delete;

  explicit operator bool() const { return menu_ != nullptr; }
  HMENU get() const { return menu_; }
  HMENU release() { return std::exchange(menu_, nullptr); }
  void reset(HMENU menu = nullptr) {
    HMENU old = std::exchange(menu_, menu);
    if (old) ::DestroyMenu(old);
  }

 private:
  HMENU menu_ = nullptr;
};

}  // namespace tavolen
