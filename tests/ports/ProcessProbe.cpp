// Stands in for cmd.exe in the tests of the process adapter: writes its command line and
// its working folder to probe.txt in that folder, then ends with exit code 7.
#include <windows.h>

#include <string>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  wchar_t folder[MAX_PATH] = {};
  ::GetCurrentDirectoryW(MAX_PATH, folder);
  const std::wstring report = std::wstring(::GetCommandLineW()) + L"\n" + folder + L"\n";
  const HANDLE file = ::CreateFileW(L"probe.txt", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 1;
  DWORD written = 0;
  ::WriteFile(file, report.data(), DWORD(report.size() * sizeof(wchar_t)), &written, nullptr);
  ::CloseHandle(file);
  ::Sleep(300);  // still running for a while: Run must wait for the end, not the start
  return 7;
}
