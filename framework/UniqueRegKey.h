#pragma once
// Owner of one open registry key (HKEY); closed exactly once. The predefined root keys
// are never owned. Moves, never copies.
#include <windows.h>

#include <utility>

namespace tavolen {

class UniqueRegKey {
 public:
  UniqueRegKey() = default;
  explicit UniqueRegKey(HKEY key) : key_(key) {}
  ~UniqueRegKey() { reset(); }

  UniqueRegKey(UniqueRegKey&& other) noexcept : key_(std::exchange(other.key_, nullptr)) {}
  UniqueRegKey& operator=(UniqueRegKey&& other) noexcept {
    if (this != &other) reset(std::exchange(other.key_, nullptr));
    return *this;
  }
  UniqueRegKey(const UniqueRegKey&) = delete;
  UniqueRegKey& operator=(const UniqueRegKey&) = delete;

  explicit operator bool() const { return key_ != nullptr; }
  HKEY get() const { return key_; }
  // For RegOpenKeyEx and RegCreateKeyEx: closes the current key, gives the slot to fill.
  HKEY* put() {
    reset();
    return &key_;
  }
  void reset(HKEY key = nullptr) {
    HKEY old = std::exchange(key_, key);
    if (old) ::RegCloseKey(old);
  }

 private:
  HKEY key_ = nullptr;
};

}  // namespace tavolen
