#include "launcher/win/PageAddress.h"

#include <windows.h>

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

}  // namespace tavolen::launcher
