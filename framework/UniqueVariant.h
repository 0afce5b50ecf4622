#pragma once
// Owner of one VARIANT: initialised empty, cleared exactly once (VariantClear frees the
// string, releases the interface or destroys the array it holds). Moves, never copies;
// Copy() makes an independent deep copy.
#include <windows.h>

#include <oleauto.h>

#include <string_view>

namespace tavolen {

class UniqueVariant {
 public:
  UniqueVariant() { ::VariantInit(&v_); }
  ~UniqueVariant() { ::VariantClear(&v_); }
  UniqueVariant(UniqueVariant&& other) noexcept : v_(other.v_) { ::VariantInit(&other.v_); }
  UniqueVariant& operator=(UniqueVariant&& other) noexcept {
    if (this != &other) {
      ::VariantClear(&v_);
      v_ = other.v_;
      ::VariantInit(&other.v_);
    }
    return *this;
  }
  UniqueVariant(const UniqueVariant&) = delete;
  UniqueVariant& operator=(const UniqueVariant&) = delete;

  static UniqueVariant FromInt(LONG value);
  static UniqueVariant FromDouble(double value);
  static UniqueVariant FromBool(bool value);
  static UniqueVariant FromString(std::wstring_view text);
  // Deep copy of any variant; by-reference values are copied as values.
  static UniqueVariant CopyOf(const VARIANT& source);
  UniqueVariant Copy() const { return CopyOf(v_); }

  VARIANT* get() { return &v_; }
  const VARIANT* get() const { return &v_; }
  VARTYPE type() const { return V_VT(&v_); }
  // Empties it and gives the slot to fill (for out parameters).
  VARIANT* put() {
    ::VariantClear(&v_);
    return &v_;
  }
  // Hands the value to the caller, who then owns it; this owner becomes empty.
  VARIANT release() {
    VARIANT result = v_;
    ::VariantInit(&v_);
    return result;
  }

 private:
  VARIANT v_;
};

}  // namespace tavolen
