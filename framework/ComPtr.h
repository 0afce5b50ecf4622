#pragma once
// Owner of one COM interface pointer: holds one reference and releases it exactly once.
// Moves, never copies; a second reference is taken explicitly with Retain() or Clone().
#include <windows.h>

#include <objbase.h>

#include <utility>

namespace tavolen {

template <class T>
class ComPtr {
 public:
  ComPtr() = default;
  ComPtr(std::nullptr_t) {}
  ~ComPtr() { reset(); }

  // Takes over a reference the caller already owns (a fresh object, an out parameter).
  static ComPtr Adopt(T* p) {
    ComPtr result;
    result.p_ = p;
    return result;
  }
  // Takes a new reference of its own on a borrowed pointer.
  static ComPtr Retain(T* p) {
    if (p) p->AddRef();
    return Adopt(p);
  }

  ComPtr(ComPtr&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
  ComPtr& operator=(ComPtr&& other) noexcept {
    if (this != &other) {
      T* old = std::exchange(p_, std::exchange(other.p_, nullptr));
      if (old) old->Release();
    }
    return *this;
  }
  ComPtr(const ComPtr&) = delete;
  ComPtr& operator=(const ComPtr&) = delete;

  ComPtr Clone() const { return Retain(p_); }

  explicit operator bool() const { return p_ != nullptr; }
  T* get() const { return p_; }
  T* operator->() const { return p_; }
  // For out parameters: releases the current pointer and gives the slot to fill.
  T** put() {
    reset();
    return &p_;
  }
  void** put_void() { return reinterpret_cast<void**>(put()); }
  T* detach() { return std::exchange(p_, nullptr); }
  void reset() {
    if (T* old = std::exchange(p_, nullptr)) old->Release();
  }

  // QueryInterface into another owner; the result is empty on failure.
  template <class U>
  HRESULT As(REFIID iid, ComPtr<U>* out) const {
    if (!p_) return E_POINTER;
    return p_->QueryInterface(iid, out->put_void());
  }
  template <class U>
  HRESULT As(ComPtr<U>* out) const {
    return As(__uuidof(U), out);
  }

  // Hands a new reference to a caller's out parameter (the COM way of returning).
  HRESULT CopyTo(T** out) const {
    if (!out) return E_POINTER;
    *out = p_;
    if (p_) p_->AddRef();
    return S_OK;
  }

 private:
  T* p_ = nullptr;
};

}  // namespace tavolen
