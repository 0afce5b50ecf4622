#pragma once
// Tavolen.exe started from a folder of the test's choosing, found by its windows, told
// what a person would tell it, and ended. Helpers for the registry and settings file the
// launcher keeps, and for the control's registration it needs.
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "framework/UniqueHandle.h"

namespace tavolen::test {

// Waits up to `milliseconds` for `done`, polling every 50 ms.
bool WaitFor(const std::function<bool()>& done, DWORD milliseconds = 15000);

class LauncherProcess {
 public:
  LauncherProcess() = default;
  ~LauncherProcess();
  LauncherProcess(const LauncherProcess&) = delete;
  LauncherProcess& operator=(const LauncherProcess&) = delete;

  // Starts `exe` with `arguments`; false when it cannot start.
  bool Start(const std::wstring& exe, const std::wstring& arguments = L"--engine=native");
  // The "Marvesk" window of this process, once its page has been fitted (taller than the
  // 40 pixels of its frame images); null when none came in time.
  HWND WaitForMainWindow();
  // Waits for the process to end; its exit code, or -1 when it did not end in time.
  long WaitForExit(DWORD milliseconds = 20000);
  // The top-level windows of the process (visible or not).
  std::vector<HWND> Windows() const;
  // A window of the process of the class with the title (any title when null).
  HWND Find(const wchar_t* className, const wchar_t* title) const;
  DWORD Id() const { return id_; }

 private:
  UniqueHandle process_;
  DWORD id_ = 0;
};

// The build tree's path of a file, as the Wine prefix sees the Unix file system.
std::wstring BuildPath(const char* unixPath);
// A fresh folder under the temporary folder; emptied if it exists.
std::wstring FreshFolder(const std::wstring& name);
bool CopyTree(const std::wstring& from, const std::wstring& to);
// Runs a program and waits for it; its exit code or -1.
long RunAndWait(const std::wstring& commandLine, DWORD milliseconds = 60000);

// HKEY_CURRENT_USER\Software\Varnkeld\Tavolen.
void DeleteLauncherKey();
std::wstring LauncherText(const wchar_t* name);  // "<missing>" when absent
DWORD LauncherDword(const wchar_t* name, DWORD missing = 0xFFFFFFFF);
void SetLauncherDword(const wchar_t* name, DWORD value);
void SetLauncherText(const wchar_t* name, const wchar_t* value);

RECT WindowRect(HWND window);
RECT PrimaryWorkArea();

}  // namespace tavolen::test
