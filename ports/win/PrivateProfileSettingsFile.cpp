#include "ports/win/PrivateProfileSettingsFile.h"

#include <windows.h>

#include <algorithm>
#include <vector>

namespace tavolen {

namespace {
const wchar_t* W(const std::u16string& s) { return reinterpret_cast<const wchar_t*>(s.c_str()); }
}  // namespace

std::u16string PrivateProfileSettingsFile::Read(const std::u16string& section, const std::u16string& key,
                                                std::size_t capacity) {
  if (capacity == 0 || capacity > 65536) return {};
  std::vector<wchar_t> buffer(capacity, L'\0');
  const DWORD length = ::GetPrivateProfileStringW(W(section), W(key), L"", buffer.data(), DWORD(capacity), W(path_));
  return std::u16string(reinterpret_cast<const char16_t*>(buffer.data()), std::min<std::size_t>(length, capacity - 1));
}

bool PrivateProfileSettingsFile::Write(const std::u16string& section, const std::u16string& key,
                                       const std::u16string& value) {
  return ::WritePrivateProfileStringW(W(section), W(key), W(value), W(path_)) != FALSE;
}

bool PrivateProfileSettingsFile::DeleteKey(const std::u16string& section, const std::u16string& key) {
  return ::WritePrivateProfileStringW(W(section), W(key), nullptr, W(path_)) != FALSE;
}

bool PrivateProfileSettingsFile::DeleteSection(const std::u16string& section) {
  return ::WritePrivateProfileStringW(W(section), nullptr, nullptr, W(path_)) != FALSE;
}

}  // namespace tavolen
