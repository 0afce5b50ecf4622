#pragma once
// Owner of one PROPVARIANT: starts empty, cleared exactly once (PropVariantClear frees the
// string or the identifier it points to and releases an interface it holds). Moves,
// never copies.
#include <windows.h>

#include <propidl.h>

#include <cstring>

namespace tavolen {

class UniquePropVariant {
 public:
  UniquePropVariant() { std::memset(&v_, 0, sizeof v_); }
  ~UniquePropVariant() { ::PropVariantClear(&v_); }
  UniquePropVariant(UniquePropVariant&& other) noexcept : v_(other.v_) { std::memset(&other.v_, 0, sizeof other.v_); }
  UniquePropVariant& operator=(UniquePropVariant&& other) noexcept {
    if (this != &other) {
      ::PropVariantClear(&v_);
      v_ = other.v_;
      std::memset(&other.v_, 0, sizeof other.v_);
    }
    return *this;
  }
  UniquePropVariant(const UniquePropVariant&) = delete;
  UniquePropVariant& operator=(const UniquePropVariant&) = delete;

  const PROPVARIANT& get() const { return v_; }
  // Empties it and gives the slot to fill (for out parameters).
  PROPVARIANT* put() {
    ::PropVariantClear(&v_);
    std::memset(&v_, 0, sizeof v_);
    return &v_;
  }

 private:
  PROPVARIANT v_;
};

}  // namespace tavolen
