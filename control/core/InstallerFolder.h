#pragma once
// Where the device-management service's installer may be run from. Only folders that
// came with the program itself count: the host program's folder and the folder of the
// control's own module. A sidebar gadget's folder or the page's location never do: any
// gadget or page could have put a program named like the installer there.
#include <optional>
#include <string>

namespace tavolen {

// The installer below a folder, and its own folder (the working folder it runs in).
constexpr char16_t kInstallerFolderName[] = u"\\DevMgr";
constexpr char16_t kInstallerFileName[] = u"\\SETUP.exe";

struct InstallerCandidates {
  std::u16string hostFolder;    // the host program's folder
  bool hostHasInstaller = false;
  std::u16string moduleFolder;  // the folder of the module holding the control
  bool moduleHasInstaller = false;
};

// The folder whose installer is run: the host's folder when it holds the installer
// (there the launcher and the control ship together), else the module's folder when it
// does, else the host's folder, where starting it then fails. Folders that are not
// absolute (a drive and "\", or a "\\" share) are never chosen; none left gives none.
std::optional<std::u16string> ChooseInstallerFolder(const InstallerCandidates& candidates);

// "<folder>\DevMgr\SETUP.exe" and "<folder>\DevMgr" for a chosen folder.
std::u16string InstallerPath(const std::u16string& folder);
std::u16string InstallerWorkingFolder(const std::u16string& folder);

// Whether a folder is an absolute path: "X:\..." or "\\server\...".
bool IsAbsoluteFolder(const std::u16string& folder);

}  // namespace tavolen
