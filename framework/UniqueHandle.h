#pragma once
// Owner of one kernel HANDLE. NULL and INVALID_HANDLE_VALUE both mean "no handle";
// the handle is closed exactly once. Moves, never copies.
#include <windows.h>

#include <utility>

namespace tavolen {

class UniqueHandle {
 public:
  UniqueHandle() = default;
  explicit UniqueHandle(HANDLE handle) : handle_(handle) {}
  ~UniqueHandle() { reset(); }

  UniqueHandle(UniqueHandle&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
  UniqueHandle& operator=(UniqueHandle&& other) noexcept {
    if (this != &other) reset(std::exchange(other.handle_, nullptr));
    return *this;
  }
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;

  static bool IsValid(HANDLE h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
  explicit operator bool() const { return IsValid(handle_); }
  HANDLE get() const { return handle_; }
  HANDLE release() { return std::exchange(handle_, nullptr); }
  void reset(HANDLE handle = nullptr) {
    HANDLE old = std::exchange(handle_, handle);
    if (IsValid(old)) ::CloseHandle(old);
  }

 private:
  HANDLE handle_ = nullptr;
};

}  // namespace tavolen
