#pragma once
// The configuration-manager calls of safe removal. The module object holds one for the
// life of the process; it is used from eject threads, one call at a time per thread.
#include <windows.h>

#include "control/core/DeviceEjector.h"

namespace tavolen {

class Win32ConfigManager : public ConfigManager {
 public:
  // Takes the setup library from the process, or loads it; looks the eject request up.
  Win32ConfigManager();

  std::optional<DevNode> Locate(const std::u16string& instanceId) override;
  std::optional<std::vector<std::u16string>> EnumSubkeys(const std::u16string& enumeratorAndDevice) override;
  EjectCalls Available() override;
  bool RequestEject(DevNode node) override;
  bool QueryRemoveSubTree(DevNode node) override;
  bool DisableDevNode(DevNode node) override;
  bool QueryAndRemoveSubTree(DevNode node) override;

 private:
  using RequestEjectFn = DWORD(WINAPI*)(DWORD node, int* vetoType, char* vetoName, ULONG nameLength, ULONG flags);
  HMODULE setupLibrary_ = nullptr;
  RequestEjectFn requestEject_ = nullptr;
};


}  // namespace tavolen
