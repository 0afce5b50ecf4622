#pragma once
// Owner of one block the system allocated with LocalAlloc for us (security descriptors
// from their string form, formatted messages); freed exactly once. Moves, never copies.
#include <windows.h>

#include <utility>

namespace tavolen {

class UniqueLocal {
 public:
  UniqueLocal() = default;
  explicit UniqueLocal(void* block) : block_(block) {}
  ~UniqueLocal() { reset(); }

  UniqueLocal(UniqueLocal&& other) noexcept : block_(std::exchange(other.block_, nullptr)) {}
  UniqueLocal& operator=(UniqueLocal&& other) noexcept {
    if (this != &other) reset(std::exchange(other.block_, nullptr));
    return *this;
  }
  UniqueLocal(const UniqueLocal&) = delete;
  UniqueLocal& operator=(const UniqueLocal&) = delete;

  explicit operator bool() const { return block_ != nullptr; }
  void* get() const { return block_; }
  void reset(void* block = nullptr) {
    void* old = std::exchange(block_, block);
    if (old) ::LocalFree(old);
  }

 private:
  void* block_ = nullptr;
};

}  // namespace tavolen
