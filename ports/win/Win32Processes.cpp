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

namespace {

// The process and its first thread; both none when it could not be started.
struct StartedProcess {
  UniqueHandle process, thread;
};

StartedProcess Launch(const std::u16string& application, const std::u16string& arguments,
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
  StartedProcess result;
  if (::CreateProcessW(AsWide(application.c_str()), writable.data(), nullptr, nullptr, FALSE, 0, nullptr,
                       folder.empty() ? nullptr : AsWide(folder.c_str()), &startup, &started)) {
    result.process.reset(started.hProcess);
    result.thread.reset(started.hThread);
  }
  return result;
}

}  // namespace

bool Win32Processes::Start(const std::u16string& application, const std::u16string& arguments,
                           const std::u16string& folder, bool hidden) {
  return bool(Launch(application, arguments, folder, hidden).process);
}

std::optional<uint32_t> Win32Processes::Run(const std::u16string& application, const std::u16string& arguments,
                                            const std::u16string& folder, bool hidden) {
  const StartedProcess started = Launch(application, arguments, folder, hidden);
  if (!started.process) return std::nullopt;
  ::WaitForSingleObject(started.process.get(), INFINITE);
  DWORD code = 0;
  if (!::GetExitCodeProcess(started.process.get(), &code)) return std::nullopt;
  return uint32_t(code);
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
