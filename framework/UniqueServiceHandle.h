#pragma once
// Owner of one service control manager handle (SC_HANDLE); closed exactly once.
// Moves, never copies.
#include <windows.h>

#include <utility>

namespace tavolen {

class UniqueServiceHandle {
 public:
  UniqueServiceHandle() = default;
  explicit UniqueServiceHandle(SC_HANDLE handle) : handle_(handle) {}
  ~UniqueServiceHandle() { reset(); }

  UniqueServiceHandle(UniqueServiceHandle&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
  UniqueServiceHandle& operator=(UniqueServiceHandle&& other) noexcept {
    if (this != &other) reset(std::exchange(other.handle_, nullptr));
    return *this;
  }
  UniqueServiceHandle(const UniqueServiceHandle&) = delete;
  UniqueServiceHandle& operator=(const UniqueServiceHandle&) = delete;

  explicit operator bool() const { return handle_ != nullptr; }
  SC_HANDLE get() const { return handle_; }
  void reset(SC_HANDLE handle = nullptr) {
    SC_HANDLE old = std::exchange(handle_, handle);
    if (old) ::CloseServiceHandle(old);
  }

 private:
  SC_HANDLE handle_ = nullptr;
};

}  // namespace tavolen
