#include "ports/win/Win32Processes.h"

#include <windows.h>
#include <tlhelp32.h>

#include <vector>

#include "framework/UniqueHandle.h"
#include "framework/Utf16.h"

namespace tavolen {

std::u16string Win32Processes::SystemFolder() {
  wchar_t folder[MAX_PATH + 1] = {};
  const UINT length = ::GetSystemDirectoryW(folder, MAX_PATH + 1);
  if (length == 0 || length > MAX_PATH) return {};
  return ToUtf16(std::wstring_view(folder, length));
}

bool Win32Processes::Start(const std::u16string& application, const std::u16string& arguments,
                           const std::u16string& folder, bool hidden) {
  // The command line names the program again, quoted, as its first argument.
  std::wstring line = L"\"" + ToWide(application) + L"\"";
  if (!arguments.empty()) line += L" " + ToWide(arguments);
  std::vector<wchar_t> writable(line.begin(), line.end());
  writable.push_back(L'\0');
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = hidden ? SW_HIDE : SW_SHOWNORMAL;
  PROCESS_INFORMATION started{};
  if (!::CreateProcessW(AsWide(application.c_str()), writable.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        folder.empty() ? nullptr : AsWide(folder.c_str()), &startup, &started))
    return false;
  UniqueHandle process(started.hProcess), thread(started.hThread);
  return true;
}

bool Win32Processes::IsRunning(std::u16string_view exeName) {
  UniqueHandle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  if (!snapshot) return false;
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof entry;
  for (BOOL more = ::Process32FirstW(snapshot.get(), &entry); more; more = ::Process32NextW(snapshot.get(), &entry)) {
    entry.szExeFile[MAX_PATH - 1] = L'\0';
    if (std::u16string_view(AsUtf16(entry.szExeFile)) == exeName) return true;
  }
  return false;
}

}  // namespace tavolen
