#pragma once
// One owner template for every handle kind: a traits struct per kind says which values
// mean "no handle" and how a handle is given back. Every owner has the same operations;
// each gives its handle back exactly once. Moves, never copies.
//
//   template traits:  using pointer = <handle type>;
//                     static pointer Invalid();          // the value an empty owner holds
//                     static bool IsInvalid(pointer);    // every value meaning "none"
//                     static void Close(pointer);
#include <utility>

namespace tavolen {

template <class Traits>
class Unique {
 public:
  using pointer = typename Traits::pointer;

  Unique() noexcept = default;
  explicit Unique(pointer p) noexcept : p_(p) {}
  ~Unique() { reset(); }
  Unique(Unique&& other) noexcept : p_(other.release()) {}
  Unique& operator=(Unique&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }
  Unique(const Unique&) = delete;
  Unique& operator=(const Unique&) = delete;

  pointer get() const noexcept { return p_; }
  explicit operator bool() const noexcept { return !Traits::IsInvalid(p_); }
  pointer release() noexcept { return std::exchange(p_, Traits::Invalid()); }
  void reset(pointer p = Traits::Invalid()) noexcept {
    const pointer old = std::exchange(p_, p);
    if (!Traits::IsInvalid(old)) Traits::Close(old);
  }
  // For out-parameters: gives back the current handle, then the slot to fill.
  pointer* put() noexcept {
    reset();
    return &p_;
  }

 private:
  pointer p_ = Traits::Invalid();
};

// Traits for kinds whose only "none" value is null.
template <class Handle, void (*CloseFn)(Handle)>
struct NullIsNone {
  using pointer = Handle;
  static pointer Invalid() noexcept { return nullptr; }
  static bool IsInvalid(pointer p) noexcept { return p == nullptr; }
  static void Close(pointer p) noexcept { CloseFn(p); }
};

}  // namespace tavolen
