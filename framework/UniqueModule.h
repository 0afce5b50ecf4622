#pragma once
// Owner of one module reference (HMODULE) taken with LoadLibrary(Ex); given back exactly
// once with FreeLibrary. Moves, never copies.
#include <windows.h>

#include <utility>

namespace tavolen {

class UniqueModule {
 public:
  UniqueModule() = default;
  explicit UniqueModule(HMODULE module) : module_(module) {}
  ~UniqueModule() { reset(); }

  UniqueModule(UniqueModule&& other) noexcept : module_(std::exchange(other.module_, nullptr)) {}
  UniqueModule& operator=(UniqueModule&& other) noexcept {
    if (this != &other) reset(std::exchange(other.module_, nullptr));
    return *this;
  }
  UniqueModule(const UniqueModule&) = delete;
  UniqueModule& operator=(const UniqueModule&) = delete;

  explicit operator bool() const { return module_ != nullptr; }
  HMODULE get() const { return module_; }
  HMODULE release() { return std::exchange(module_, nullptr); }
  void reset(HMODULE module = nullptr) {
    HMODULE old = std::exchange(module_, module);
    if (old) ::FreeLibrary(old);
  }

 private:
  HMODULE module_ = nullptr;
};

}  // namespace tavolen
