#include "control/core/win/CZendrelApp.h"

#include <shlobj.h>

#include "control/core/GadgetOptions.h"
#include "control/device/win/Win32DeviceOpener.h"
#include "control/resources/resource.h"
#include "framework/HtmlView.h"
#include "framework/UniqueHandle.h"
#include "framework/Utf16.h"

namespace tavolen {

namespace {

bool MeiryoInstalled() {
  const std::u16string windows = WindowsDirectory();
  if (windows.empty()) return false;
  const std::wstring pattern = ToWide(windows) + L"\\Fonts\\*meiryo*.*";
  WIN32_FIND_DATAW found{};
  const UniqueFindHandle search(::FindFirstFileW(pattern.c_str(), &found));
  return bool(search);
}

bool OlderThanVista() {
  // GetVersionEx reports what the manifest allows; RtlGetVersion tells the truth.
  using RtlGetVersionFn = LONG(WINAPI*)(OSVERSIONINFOW*);
  OSVERSIONINFOW version{};
  version.dwOSVersionInfoSize = sizeof version;
  if (HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll")) {
    auto rtlGetVersion =
        reinterpret_cast<RtlGetVersionFn>(reinterpret_cast<void*>(::GetProcAddress(ntdll, "RtlGetVersion")));
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
  return ToUtf16(folder + L"\\Setting.ini");
}

}  // namespace

CZendrelApp& CZendrelApp::Instance() {
  static CZendrelApp app;
  return app;
}

CZendrelApp::CZendrelApp() : threads_(&SystemThreads()) {
  environment_.opener = &SystemDeviceOpener();
  environment_.source = &systemSource_;
  environment_.portableDevices = &systemPortableDevices_;
  environment_.volumes = &systemVolumes_;
  environment_.settingsFiles = &systemFiles_;
  environment_.registry = &systemRegistry_;
  environment_.clock = &systemClock_;
  environment_.configManager = &systemConfigManager_;
  environment_.processes = &systemProcesses_;
  environment_.unbufferedFiles = &systemUnbufferedFiles_;
  environment_.uiLanguage = &systemUiLanguage_;
  environment_.recycleBin = &systemRecycleBin_;
  environment_.shellFiles = &systemShellFiles_;
  // The list starts empty: the first refresh thread fills it.
  devices_ = std::make_unique<DeviceList>(*environment_.opener, *environment_.source, 0, environment_.portableDevices);
  powerSave_ = std::make_unique<PowerSaveFile>(*environment_.settingsFiles, MakePowerSaveFolder());
  meiryoFont_ = MeiryoInstalled();
  preVista_ = OlderThanVista();
}

void CZendrelApp::SetEnvironment(const ZendrelEnvironment& environment) {
  const std::u16string powerSavePath = powerSave_->Path();
  environment_ = environment;
  if (!environment_.uiLanguage) environment_.uiLanguage = &systemUiLanguage_;
  if (!environment_.recycleBin) environment_.recycleBin = &systemRecycleBin_;
  if (!environment_.shellFiles) environment_.shellFiles = &systemShellFiles_;
  devices_ = std::make_unique<DeviceList>(*environment_.opener, *environment_.source, 0,
                                          environment_.portableDevices);
  powerSave_ = std::make_unique<PowerSaveFile>(*environment_.settingsFiles, powerSavePath);
}

std::u16string CZendrelApp::GadgetFolder() const {
  std::lock_guard<std::mutex> lock(folderMutex_);
  return gadgetFolder_;
}

void CZendrelApp::SetGadgetFolder(const std::u16string& folder) {
  std::lock_guard<std::mutex> lock(folderMutex_);
  gadgetFolder_ = folder;
}

std::u16string CZendrelApp::IniPath() const { return GadgetFolder() + settings::kIniName; }

bool CZendrelApp::HtmlEngine() {
  if (htmlEngine_ < 0) htmlEngine_ = HtmlEngineRenders() ? 1 : 0;
  return htmlEngine_ == 1;
}

UINT CZendrelApp::DriveTemplate() const { return meiryoFont_ ? IDD_DRIVE_MEIRYO : IDD_DRIVE_TAHOMA; }

UINT CZendrelApp::ShortcutTemplate() const { return meiryoFont_ ? IDD_SHORTCUT_MEIRYO : IDD_SHORTCUT_TAHOMA; }

}  // namespace tavolen
