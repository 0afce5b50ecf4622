#include "launcher/win/PageAddress.h"

#include <windows.h>
#include <shlwapi.h>
#include <wininet.h>

#include <vector>

namespace tavolen::launcher {

std::wstring ProgramFolder() {
  std::vector<wchar_t> path(MAX_PATH);
  for (;;) {
    const DWORD length = ::GetModuleFileNameW(nullptr, path.data(), DWORD(path.size()));
    if (length == 0) return L".";
    if (length < path.size()) break;
    path.resize(path.size() * 2);
  }
  std::wstring folder(path.data());
  return folder.substr(0, folder.find_last_of(L'\\'));
}

std::wstring FileAddress(const std::wstring& path) {
  std::vector<wchar_t> url(INTERNET_MAX_URL_LENGTH);
  DWORD length = DWORD(url.size());
  if (FAILED(::UrlCreateFromPathW(path.c_str(), url.data(), &length, 0))) return L"file:///" + path;
  return std::wstring(url.data(), length);
}

}  // namespace tavolen::launcher
