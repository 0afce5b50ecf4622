#include "tests/launcher/win/LauncherProcess.h"

#include <shellapi.h>

#include "framework/UniqueRegKey.h"

namespace tavolen::test {
namespace {

constexpr wchar_t kLauncherKey[] = L"Software\\Varnkeld\\Tavolen";

struct Search {
  DWORD id;
  std::vector<HWND> found;
};

BOOL CALLBACK CollectWindow(HWND window, LPARAM data) {
  auto* s = reinterpret_cast<Search*>(data);
  DWORD owner = 0;
  ::GetWindowThreadProcessId(window, &owner);
  if (owner == s->id) s->found.push_back(window);
  return TRUE;
}

}  // namespace

bool WaitFor(const std::function<bool()>& done, DWORD milliseconds) {
  const DWORD start = ::GetTickCount();
  while (!done()) {
    if (::GetTickCount() - start > milliseconds) return done();
    ::Sleep(50);
  }
  return true;
}

LauncherProcess::~LauncherProcess() {
  if (process_ && ::WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT) {
    if (HWND window = Find(L"#32770", L"Marvesk")) ::PostMessageW(window, WM_CLOSE, 0, 0);
    if (::WaitForSingleObject(process_.get(), 10000) == WAIT_TIMEOUT) ::TerminateProcess(process_.get(), 1);
  }
}

bool LauncherProcess::Start(const std::wstring& exe, const std::wstring& arguments) {
  std::wstring command = L"\"" + exe + L"\" " + arguments;
  const std::wstring folder = exe.substr(0, exe.find_last_of(L'\\'));
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  if (!::CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &startup, &info))
    return false;
  process_.reset(info.hProcess);
  UniqueHandle thread(info.hThread);
  id_ = info.dwProcessId;
  return true;
}

std::vector<HWND> LauncherProcess::Windows() const {
  Search search{id_, {}};
  ::EnumWindows(&CollectWindow, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

HWND LauncherProcess::Find(const wchar_t* className, const wchar_t* title) const {
  for (HWND window : Windows()) {
    wchar_t name[64] = {}, text[128] = {};
    ::GetClassNameW(window, name, 64);
    ::GetWindowTextW(window, text, 128);
    if (::lstrcmpW(name, className) == 0 && (!title || ::lstrcmpW(text, title) == 0)) return window;
  }
  return nullptr;
}

HWND LauncherProcess::WaitForMainWindow() {
  HWND found = nullptr;
  WaitFor([&] {
    found = Find(L"#32770", L"Marvesk");
    if (!found) return false;
    const RECT r = WindowRect(found);
    return r.bottom - r.top > 40;
  });
  return found && WindowRect(found).bottom - WindowRect(found).top > 40 ? found : nullptr;
}

long LauncherProcess::WaitForExit(DWORD milliseconds) {
  if (!process_ || ::WaitForSingleObject(process_.get(), milliseconds) != WAIT_OBJECT_0) return -1;
  DWORD code = 0;
  ::GetExitCodeProcess(process_.get(), &code);
  return long(code);
}

std::wstring BuildPath(const char* unixPath) {
  std::wstring path = L"Z:";
  for (const char* c = unixPath; *c; ++c) path += *c == '/' ? L'\\' : wchar_t(*c);
  return path;
}

std::wstring FreshFolder(const std::wstring& name) {
  wchar_t temp[MAX_PATH] = {};
  ::GetTempPathW(MAX_PATH, temp);
  const std::wstring folder = std::wstring(temp) + name;
  std::wstring from = folder + L'\0';
  SHFILEOPSTRUCTW remove{};
  remove.wFunc = FO_DELETE;
  remove.pFrom = from.c_str();
  remove.fFlags = FOF_NO_UI;
  ::SHFileOperationW(&remove);
  ::CreateDirectoryW(folder.c_str(), nullptr);
  return folder;
}

bool CopyTree(const std::wstring& from, const std::wstring& to) {
  std::wstring source = from + L"\\*" + L'\0';
  std::wstring target = to + L'\0';
  SHFILEOPSTRUCTW copy{};
  copy.wFunc = FO_COPY;
  copy.pFrom = source.c_str();
  copy.pTo = target.c_str();
  copy.fFlags = FOF_NO_UI;
  return ::SHFileOperationW(&copy) == 0;
}

long RunAndWait(const std::wstring& commandLine, DWORD milliseconds) {
  std::wstring command = commandLine;
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  if (!::CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info))
    return -1;
  UniqueHandle process(info.hProcess), thread(info.hThread);
  if (::WaitForSingleObject(process.get(), milliseconds) != WAIT_OBJECT_0) return -1;
  DWORD code = 0;
  ::GetExitCodeProcess(process.get(), &code);
  return long(code);
}

void DeleteLauncherKey() { ::RegDeleteTreeW(HKEY_CURRENT_USER, kLauncherKey); ::RegDeleteKeyW(HKEY_CURRENT_USER, kLauncherKey); }

std::wstring LauncherText(const wchar_t* name) {
  wchar_t value[300] = {};
  DWORD size = sizeof value - sizeof(wchar_t);
  if (::RegGetValueW(HKEY_CURRENT_USER, kLauncherKey, name, RRF_RT_REG_SZ, nullptr, value, &size) != ERROR_SUCCESS)
    return L"<missing>";
  return value;
}

DWORD LauncherDword(const wchar_t* name, DWORD missing) {
  DWORD value = 0, size = sizeof value;
  if (::RegGetValueW(HKEY_CURRENT_USER, kLauncherKey, name, RRF_RT_REG_DWORD, nullptr, &value, &size) != ERROR_SUCCESS)
    return missing;
  return value;
}

void SetLauncherDword(const wchar_t* name, DWORD value) {
  ::RegSetKeyValueW(HKEY_CURRENT_USER, kLauncherKey, name, REG_DWORD, &value, sizeof value);
}

void SetLauncherText(const wchar_t* name, const wchar_t* value) {
  ::RegSetKeyValueW(HKEY_CURRENT_USER, kLauncherKey, name, REG_SZ, value, DWORD((::lstrlenW(value) + 1) * sizeof(wchar_t)));
}

RECT WindowRect(HWND window) {
  RECT r{};
  ::GetWindowRect(window, &r);
  return r;
}

RECT PrimaryWorkArea() {
  RECT work{};
  ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  return work;
}

}  // namespace tavolen::test
