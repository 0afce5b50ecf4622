#include "ports/win/Win32Registry.h"

#include <windows.h>

#include "framework/UniqueRegKey.h"
#include "framework/Utf16.h"

namespace tavolen {

namespace {
HKEY Root(Registry::Hive hive) { return hive == Registry::Hive::CurrentUser ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE; }
// Registry value data are at most this large for anything we read.
constexpr DWORD kMaxValueBytes = 1 << 20;
}  // namespace

bool Win32Registry::KeyExists(Hive hive, const std::u16string& key) {
  UniqueRegKey opened;
  return ::RegOpenKeyExW(Root(hive), AsWide(key.c_str()), 0, KEY_QUERY_VALUE, opened.put()) == ERROR_SUCCESS;
}

std::optional<Registry::Value> Win32Registry::Read(Hive hive, const std::u16string& key, const std::u16string& name) {
  UniqueRegKey opened;
  if (::RegOpenKeyExW(Root(hive), AsWide(key.c_str()), 0, KEY_QUERY_VALUE, opened.put()) != ERROR_SUCCESS)
    return std::nullopt;
  // The size first; a value that grows between the two calls is asked for again.
  for (int attempt = 0; attempt < 3; ++attempt) {
    DWORD type = 0, size = 0;
    if (::RegQueryValueExW(opened.get(), AsWide(name.c_str()), nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
        size > kMaxValueBytes)
      return std::nullopt;
    Value value{type, std::vector<uint8_t>(size)};
    DWORD read = size;
    const LONG status = ::RegQueryValueExW(opened.get(), AsWide(name.c_str()), nullptr, &type,
                                           value.data.empty() ? nullptr : value.data.data(), &read);
    if (status == ERROR_MORE_DATA) continue;
    if (status != ERROR_SUCCESS) return std::nullopt;
    value.type = type;
    value.data.resize(read);
    return value;
  }
  return std::nullopt;
}

long Win32Registry::Write(Hive hive, const std::u16string& key, const std::u16string& name, const Value& value) {
  UniqueRegKey opened;
  const LONG status = ::RegOpenKeyExW(Root(hive), AsWide(key.c_str()), 0, KEY_SET_VALUE, opened.put());
  if (status != ERROR_SUCCESS) return status;
  return ::RegSetValueExW(opened.get(), AsWide(name.c_str()), 0, value.type,
                          value.data.empty() ? nullptr : value.data.data(), DWORD(value.data.size()));
}

long Win32Registry::CreateKey(Hive hive, const std::u16string& key) {
  UniqueRegKey created;
  return ::RegCreateKeyExW(Root(hive), AsWide(key.c_str()), 0, nullptr, 0, KEY_QUERY_VALUE, nullptr, created.put(),
                           nullptr);
}

bool Win32Registry::ValueExists(Hive hive, const std::u16string& key, const std::u16string& name) {
  UniqueRegKey opened;
  if (::RegOpenKeyExW(Root(hive), AsWide(key.c_str()), 0, KEY_QUERY_VALUE, opened.put()) != ERROR_SUCCESS) return false;
  return ::RegQueryValueExW(opened.get(), AsWide(name.c_str()), nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
}

long Win32Registry::OpenForWriting(Hive hive, const std::u16string& key) {
  UniqueRegKey opened;
  return ::RegOpenKeyExW(Root(hive), AsWide(key.c_str()), 0, KEY_QUERY_VALUE | KEY_SET_VALUE, opened.put());
}

}  // namespace tavolen
