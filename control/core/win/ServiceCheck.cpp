#include "control/core/win/ServiceCheck.h"

#include <shellapi.h>
#include <shlobj.h>

#include "control/core/InstallerFolder.h"
#include "control/device/ServiceProtocol.h"
#include "control/widgets/win/MessageBoxes.h"
#include "framework/Module.h"
#include "framework/ResourceString.h"
#include "framework/Utf16.h"
#include "control/device/win/ServiceClient.h"
#include "framework/UniqueHandle.h"
#include "control/resources/resource.h"

namespace tavolen {

namespace {
const wchar_t* W(const std::u16string& s) { return reinterpret_cast<const wchar_t*>(s.c_str()); }

bool FileExists(const std::u16string& path) {
  const DWORD attributes = ::GetFileAttributesW(W(path));
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::u16string FolderOf(const std::wstring& path) {
  const std::size_t slash = path.find_last_of(L"\\/");
  return slash == std::wstring::npos ? std::u16string() : ToUtf16(std::wstring_view(path).substr(0, slash));
}
}  // namespace

std::u16string FindInstallerFolder() {
  InstallerCandidates candidates;
  candidates.hostFolder = ToUtf16(ProgramFolder());
  candidates.hostHasInstaller = FileExists(InstallerPath(candidates.hostFolder));
  candidates.moduleFolder = FolderOf(ModuleFileName());
  candidates.moduleHasInstaller = FileExists(InstallerPath(candidates.moduleFolder));
  return ChooseInstallerFolder(candidates).value_or(std::u16string());
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

bool RunServiceInstaller(HWND owner) {
  // Found again rather than taken from the gadget folder, which a page may have set.
  const std::u16string found = FindInstallerFolder();
  if (found.empty()) return false;
  const std::u16string folder = InstallerWorkingFolder(found);
  const std::u16string installer = InstallerPath(found);
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
