#pragma once
// The configuration-manager calls of safe removal, and the real pause between tries.
#include <windows.h>

#include "control/panels/DeviceEjector.h"

namespace tavolen {

class Win32ConfigManager : public ConfigManager {
 public:
  // Takes the setup library from the process, or loads it; looks the eject request up.
  Win32ConfigManager();
  ~Win32ConfigManager() override;
  Win32ConfigManager(const Win32ConfigManager&) = delete;
  Win32ConfigManager& operator=(const Win32ConfigManager&) = delete;

  std::optional<DevNode> Locate(const std::u16string& instanceId) override;
  std::optional<std::vector<std::u16string>> EnumSubkeys(const std::u16string& enumeratorAndDevice) override;
  EjectCalls Available() override;
  bool RequestEject(DevNode node) override;
  bool QueryRemoveSubTree(DevNode node) override;
  bool DisableDevNode(DevNode node) override;
  bool QueryAndRemoveSubTree(DevNode node) override;

 private:
  using RequestEjectFn = DWORD(WINAPI*)(DWORD node, int* vetoType, char* vetoName, ULONG nameLength, ULONG flags);
  HMODULE setupLibrary_ = nullptr;   // the loaded module, or one we loaded (then freed by us)
  bool loadedHere_ = false;
  RequestEjectFn requestEject_ = nullptr;
};

class SystemSleeper : public Sleeper {
 public:
  void Sleep(uint32_t milliseconds) override;
};

}  // namespace tavolen
