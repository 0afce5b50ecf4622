// Stands in for DevMgr\SETUP.exe in the creation tests: installs the service's registry
// key when the file "mode.txt" beside it says "install", and does nothing otherwise.
#include <windows.h>

#include <string>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  wchar_t path[MAX_PATH] = {};
  ::GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring folder(path);
  folder.resize(folder.rfind(L'\\'));
  char mode[16] = {};
  HANDLE file = ::CreateFileW((folder + L"\\mode.txt").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              0, nullptr);
  if (file != INVALID_HANDLE_VALUE) {
    DWORD read = 0;
    ::ReadFile(file, mode, sizeof mode - 1, &read, nullptr);
    ::CloseHandle(file);
  }
  if (std::string(mode).rfind("install", 0) == 0) {
    HKEY key = nullptr;
    if (::RegCreateKeyExW(HKEY_LOCAL_MACHINE, L"SYSTEM\\CurrentControlSet\\Services\\SembridService\\Parameters", 0,
                          nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) == ERROR_SUCCESS)
      ::RegCloseKey(key);
  }
  return 0;
}
