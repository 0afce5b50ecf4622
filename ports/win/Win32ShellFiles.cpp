#include "ports/win/Win32ShellFiles.h"

#include <windows.h>
#include <shellapi.h>

namespace tavolen {

namespace {
const wchar_t* W(const std::u16string& s) { return reinterpret_cast<const wchar_t*>(s.c_str()); }
const wchar_t* OrNull(const std::u16string& s) { return s.empty() ? nullptr : W(s); }
}  // namespace

bool Win32ShellFiles::Operate(uintptr_t owner, uint32_t operation, const std::u16string& sources,
                              const std::u16string& destination, uint32_t flags) {
  // The lists must end in two NULs: the shell reads up to them.
  if (sources.size() < 2 || sources[sources.size() - 1] != u'\0' || sources[sources.size() - 2] != u'\0') return false;
  SHFILEOPSTRUCTW request{};
  request.hwnd = reinterpret_cast<HWND>(owner);
  request.wFunc = UINT(operation);
  request.pFrom = W(sources);
  request.pTo = OrNull(destination);
  request.fFlags = FILEOP_FLAGS(flags);
  request.lpszProgressTitle = L"";
  return ::SHFileOperationW(&request) == 0 && !request.fAnyOperationsAborted;
}

intptr_t Win32ShellFiles::Open(uintptr_t owner, const ShellOpen& open) {
  return intptr_t(::ShellExecuteW(reinterpret_cast<HWND>(owner), OrNull(open.verb), W(open.file),
                                  OrNull(open.parameters), OrNull(open.folder), open.show));
}

}  // namespace tavolen
