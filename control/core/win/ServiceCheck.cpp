#include "control/core/win/ServiceCheck.h"

#include <shellapi.h>
#include <shlobj.h>

#include "control/device/ServiceProtocol.h"
#include "control/widgets/win/MessageBoxes.h"
#include "framework/ResourceString.h"
#include "control/device/win/ServiceClient.h"
#include "framework/UniqueHandle.h"
#include "control/resources/resource.h"

namespace tavolen {

namespace {
const wchar_t* W(const std::u16string& s) { return reinterpret_cast<const wchar_t*>(s.c_str()); }
std::u16string U(const std::wstring& s) { return std::u16string(s.begin(), s.end()); }

bool FileExists(const std::wstring& path) {
  const DWORD attributes = ::GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::wstring HostProgramFolder() {
  wchar_t path[MAX_PATH + 1] = {};
  const DWORD length = ::GetModuleFileNameW(nullptr, path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return {};
  std::wstring folder(path, length);
  const std::size_t slash = folder.rfind(L'\\');
  return slash == std::wstring::npos ? folder : folder.substr(0, slash);
}
}  // namespace

std::u16string FindInstallerFolder() {
  wchar_t localAppData[MAX_PATH] = {};
  if (SUCCEEDED(::SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, localAppData))) {
    const std::wstring gadgets = std::wstring(localAppData) + L"\\Microsoft\\Windows Sidebar\\Gadgets";
    WIN32_FIND_DATAW entry{};
    const UniqueFindHandle search(::FindFirstFileW((gadgets + L"\\*").c_str(), &entry));
    if (search) {
      std::wstring found;
      do {
        const std::wstring name = entry.cFileName;
        if (name == L"." || name == L"..") continue;
        const std::wstring folder = gadgets + L"\\" + name;
        if (FileExists(folder + L"\\DevMgr\\SETUP.EXE")) {
          found = folder;
          break;
        }
      } while (::FindNextFileW(search.get(), &entry));
      if (!found.empty()) return U(found);
    }
  }
  return U(HostProgramFolder());
}

bool IsServiceInstalled(CZendrelApp& app) {
  const std::string key = kServiceParametersKey;
  return app.Environment().registry->KeyExists(Registry::Hive::LocalMachine, std::u16string(key.begin(), key.end()));
}

int CheckService(CZendrelApp& app) {
  app.SetGadgetFolder(FindInstallerFolder());
  if (IsServiceInstalled(app)) return kServiceUsable;
  // Before Vista an administrator opens the disks itself.
  if (app.PreVista() && IsAdministrator()) return kServiceUsable;
  const int answer = ::MessageBoxW(nullptr, W(LoadResourceString(IDS_INSTALL_SERVICE)),
                                   W(LoadResourceString(IDS_INSTALL_CAPTION)), MB_YESNO | MB_ICONQUESTION | MB_TOPMOST);
  if (answer == IDYES) return kServiceToInstall;
  ShowCautionBox(IDS_SERVICE_NOT_INSTALLED);
  return kServiceDeclined;
}

bool RunServiceInstaller(CZendrelApp& app, HWND owner) {
  const std::u16string folder = app.GadgetFolder() + u"\\DevMgr";
  const std::u16string installer = folder + u"\\SETUP.exe";
  SHELLEXECUTEINFOW run{};
  run.cbSize = sizeof run;
  run.fMask = SEE_MASK_NOCLOSEPROCESS;
  run.hwnd = owner;
  run.lpVerb = L"open";
  run.lpFile = W(installer);
  run.lpDirectory = W(folder);
  run.nShow = SW_SHOWNORMAL;
  if (!::ShellExecuteExW(&run)) return false;
  UniqueHandle process(run.hProcess);
  if (process) ::WaitForSingleObject(process.get(), INFINITE);
  return true;
}

}  // namespace tavolen
