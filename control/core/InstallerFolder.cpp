#include "control/core/InstallerFolder.h"

namespace tavolen {

bool IsAbsoluteFolder(const std::u16string& folder) {
  if (folder.size() >= 3 && folder[1] == u':' && folder[2] == u'\\') {
    const char16_t drive = folder[0];
    return (drive >= u'A' && drive <= u'Z') || (drive >= u'a' && drive <= u'z');
  }
  return folder.size() >= 3 && folder[0] == u'\\' && folder[1] == u'\\' && folder[2] != u'\\';
}

std::optional<std::u16string> ChooseInstallerFolder(const InstallerCandidates& candidates) {
  const bool host = IsAbsoluteFolder(candidates.hostFolder);
  const bool module = IsAbsoluteFolder(candidates.moduleFolder);
  if (host && candidates.hostHasInstaller) return candidates.hostFolder;
  if (module && candidates.moduleHasInstaller) return candidates.moduleFolder;
  if (host) return candidates.hostFolder;
  if (module) return candidates.moduleFolder;
  return std::nullopt;
}

std::u16string InstallerWorkingFolder(const std::u16string& folder) { return folder + kInstallerFolderName; }

std::u16string InstallerPath(const std::u16string& folder) { return InstallerWorkingFolder(folder) + kInstallerFileName; }

}  // namespace tavolen
