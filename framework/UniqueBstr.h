#pragma once
// Owner of one BSTR (SysAllocString family); freed exactly once with SysFreeString.
// A null BSTR is the empty string, as automation defines it. Moves, never copies.
#include <windows.h>

#include <oleauto.h>

#include <string>
#include <string_view>
#include <utility>

namespace tavolen {

class UniqueBstr {
 public:
  UniqueBstr() = default;
  explicit UniqueBstr(std::wstring_view text)
      : bstr_(::SysAllocStringLen(text.data(), static_cast<UINT>(text.size()))) {}
  explicit UniqueBstr(std::u16string_view text)
      : bstr_(::SysAllocStringLen(reinterpret_cast<const wchar_t*>(text.data()), static_cast<UINT>(text.size()))) {}
  // Takes over a BSTR the caller owns.
  static UniqueBstr Adopt(BSTR bstr) {
    UniqueBstr result;
    result.bstr_ = bstr;
    return result;
  }
  ~UniqueBstr() { reset(); }

  UniqueBstr(UniqueBstr&& other) noexcept : bstr_(std::exchange(other.bstr_, nullptr)) {}
  UniqueBstr& operator=(UniqueBstr&& other) noexcept {
    if (this != &other) reset(std::exchange(other.bstr_, nullptr));
    return *this;
  }
  UniqueBstr(const UniqueBstr&) = delete;
  UniqueBstr& operator=(const UniqueBstr&) = delete;

  BSTR get() const { return bstr_; }
  BSTR* put() {
    reset();
    return &bstr_;
  }
  BSTR release() { return std::exchange(bstr_, nullptr); }
  void reset(BSTR bstr = nullptr) {
    BSTR old = std::exchange(bstr_, bstr);
    if (old) ::SysFreeString(old);
  }

  size_t size() const { return bstr_ ? ::SysStringLen(bstr_) : 0; }
  std::wstring_view view() const { return bstr_ ? std::wstring_view(bstr_, size()) : std::wstring_view(); }
  std::u16string ToUtf16() const { return std::u16string(reinterpret_cast<const char16_t*>(view().data()), size()); }

 private:
  BSTR bstr_ = nullptr;
};

}  // namespace tavolen
