#include "framework/ResourceString.h"

#include "framework/Module.h"

namespace tavolen {

std::u16string LoadResourceString(UINT id) {
  const wchar_t* text = nullptr;
  // With a zero buffer size the call hands out a pointer into the loaded resource.
  const int length = ::LoadStringW(ModuleInstance(), id, reinterpret_cast<wchar_t*>(&text), 0);
  if (length <= 0 || text == nullptr) return {};
  return std::u16string(reinterpret_cast<const char16_t*>(text), std::size_t(length));
}

}  // namespace tavolen
