#include "control/core/win/CZendrelApp.h"

#include <windows.h>
#include <shlobj.h>

#include <thread>

#include "control/core/GadgetOptions.h"
#include "framework/Module.h"
#include "control/device/win/SetupApiDeviceSource.h"
#include "control/device/win/Win32DeviceOpener.h"
#include "control/resources/resource.h"

namespace tavolen {

HWND g_hGadgetWnd = nullptr;
int g_nRowHeight = 0;
int g_nRowWidth = 0;
bool g_bMeiryoFont = false;
bool g_bPreVista = false;

namespace {

const wchar_t* W(const std::u16string& s) { return reinterpret_cast<const wchar_t*>(s.c_str()); }
std::u16string U(const wchar_t* s) { return reinterpret_cast<const char16_t*>(s); }

bool MeiryoInstalled() {
  const std::u16string windows = WindowsDirectory();
  if (windows.empty()) return false;
  const std::wstring pattern = std::wstring(windows.begin(), windows.end()) + L"\\Fonts\\*meiryo*.*";
  WIN32_FIND_DATAW found{};
  HANDLE search = ::FindFirstFileW(pattern.c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return false;
  ::FindClose(search);
  return true;
}

bool OlderThanVista() {
  // GetVersionEx reports what the manifest allows; RtlGetVersion tells the truth.
  using RtlGetVersionFn = LONG(WINAPI*)(OSVERSIONINFOW*);
  OSVERSIONINFOW version{};
  version.dwOSVersionInfoSize = sizeof version;
  if (HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll")) {
    auto rtlGetVersion = reinterpret_cast<RtlGetVersionFn>(reinterpret_cast<void*>(::GetProcAddress(ntdll, "RtlGetVersion")));
    if (rtlGetVersion && rtlGetVersion(&version) == 0) return version.dwMajorVersion < 6;
  }
  return false;
}

std::u16string MakePowerSaveFolder() {
  wchar_t appData[MAX_PATH] = {};
  if (FAILED(::SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, appData))) {
    const DWORD length = ::GetEnvironmentVariableW(L"APPDATA", appData, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) appData[0] = L'\0';
  }
  std::wstring folder = std::wstring(appData) + L"\\VARNKELD";
  ::CreateDirectoryW(folder.c_str(), nullptr);  // an existing folder is fine
  folder += L"\\PowerSave";
  ::CreateDirectoryW(folder.c_str(), nullptr);
  return U((folder + L"\\Setting.ini").c_str());
}

}  // namespace

std::u16string LoadResourceString(UINT id) {
  const wchar_t* text = nullptr;
  const int length = ::LoadStringW(ModuleInstance(), id, reinterpret_cast<wchar_t*>(&text), 0);
  if (length <= 0 || text == nullptr) return {};
  return std::u16string(reinterpret_cast<const char16_t*>(text), std::size_t(length));
}

CZendrelApp& CZendrelApp::Instance() {
  static CZendrelApp app;
  return app;
}

CZendrelApp::CZendrelApp() {
  static SetupApiDeviceSource systemSource;
  environment_.opener = &SystemDeviceOpener();
  environment_.source = &systemSource;
  // The list starts empty: the first refresh thread fills it.
  devices_ = std::make_unique<DeviceList>(*environment_.opener, *environment_.source, 0);
  g_bMeiryoFont = MeiryoInstalled();
  g_bPreVista = OlderThanVista();
  powerSavePath_ = MakePowerSaveFolder();
}

void CZendrelApp::SetEnvironment(const ZendrelEnvironment& environment) {
  environment_ = environment;
  devices_ = std::make_unique<DeviceList>(*environment_.opener, *environment_.source, 0,
                                          environment_.portableDevices);
}

std::u16string CZendrelApp::GadgetFolder() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return gadgetFolder_;
}

void CZendrelApp::SetGadgetFolder(const std::u16string& folder) {
  std::lock_guard<std::mutex> lock(mutex_);
  gadgetFolder_ = folder;
}

std::u16string CZendrelApp::IniPath() const { return GadgetFolder() + settings::kIniName; }

UINT CZendrelApp::DriveTemplate() const { return g_bMeiryoFont ? IDD_DRIVE_MEIRYO : IDD_DRIVE_TAHOMA; }

int CZendrelApp::ShowCautionBox(const std::u16string& text) {
  return ::MessageBoxW(nullptr, W(text), W(LoadResourceString(IDS_CAUTION)),
                       MB_ICONWARNING | MB_SETFOREGROUND | MB_TOPMOST);
}

int CZendrelApp::ShowCautionBox(UINT stringId) { return ShowCautionBox(LoadResourceString(stringId)); }

int CZendrelApp::ShowInfoBox(const std::u16string& text, DWORD closeAfter) {
  const std::u16string caption = LoadResourceString(IDS_INFORMATION);
  // The watcher finds the box by its caption once it is up and closes it later; it keeps
  // the module loaded while it waits.
  std::thread([caption, closeAfter, hold = ModuleReference()] {
    // The box appears once MessageBoxW below has made it: look for it for a while.
    HWND box = nullptr;
    for (int i = 0; i < 40 && !box; ++i) {
      ::Sleep(100);
      box = ::FindWindowW(L"#32770", W(caption));
    }
    if (box) {
      ::Sleep(closeAfter);
      if (::IsWindow(box)) ::PostMessageW(box, WM_CLOSE, 0, 0);
    }
  }).detach();
  return ::MessageBoxW(nullptr, W(text), W(caption), MB_ICONINFORMATION | MB_SETFOREGROUND | MB_TOPMOST);
}

}  // namespace tavolen
