#pragma once
// Owner of one SetupAPI device information set (HDEVINFO); destroyed exactly once.
// INVALID_HANDLE_VALUE means "no set". Moves, never copies.
#include <windows.h>

#include <setupapi.h>

#include <utility>

namespace tavolen {

class UniqueDevInfoSet {
 public:
  UniqueDevInfoSet() = default;
  explicit UniqueDevInfoSet(HDEVINFO set) : set_(set) {}
  ~UniqueDevInfoSet() { reset(); }

  UniqueDevInfoSet(UniqueDevInfoSet&& other) noexcept : set_(std::exchange(other.set_, INVALID_HANDLE_VALUE)) {}
  UniqueDevInfoSet& operator=(UniqueDevInfoSet&& other) noexcept {
    if (this != &other) reset(std::exchange(other.set_, INVALID_HANDLE_VALUE));
    return *this;
  }
  UniqueDevInfoSet(const UniqueDevInfoSet&) = delete;
  UniqueDevInfoSet& operator=(const UniqueDevInfoSet&) = delete;

  explicit operator bool() const { return set_ != INVALID_HANDLE_VALUE && set_ != nullptr; }
  HDEVINFO get() const { return set_; }
  void reset(HDEVINFO set = INVALID_HANDLE_VALUE) {
    HDEVINFO old = std::exchange(set_, set);
    if (old != INVALID_HANDLE_VALUE && old != nullptr) ::SetupDiDestroyDeviceInfoList(old);
  }

 private:
  HDEVINFO set_ = INVALID_HANDLE_VALUE;
};

}  // namespace tavolen
