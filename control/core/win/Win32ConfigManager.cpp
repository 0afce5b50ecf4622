#include "control/core/win/Win32ConfigManager.h"

#include <cfgmgr32.h>

#include "framework/UniqueRegKey.h"
#include "framework/Utf16.h"

namespace tavolen {

Win32ConfigManager::Win32ConfigManager() {
  // The library imports the setup library itself, so it is normally loaded already. A
  // reference taken here is kept for the life of the process: this object belongs to the
  // module object, whose destruction runs under the loader lock, where no library may be
  // freed.
  setupLibrary_ = ::GetModuleHandleW(L"setupapi.dll");
  if (!setupLibrary_) setupLibrary_ = ::LoadLibraryW(L"setupapi.dll");
  if (setupLibrary_)
    requestEject_ = reinterpret_cast<RequestEjectFn>(
        reinterpret_cast<void*>(::GetProcAddress(setupLibrary_, "CM_Request_Device_EjectA")));
}

std::optional<ConfigManager::DevNode> Win32ConfigManager::Locate(const std::u16string& instanceId) {
  DEVINST node = 0;
  std::wstring id = ToWide(instanceId);
  if (::CM_Locate_DevNodeW(&node, id.data(), CM_LOCATE_DEVNODE_NORMAL) != CR_SUCCESS) return std::nullopt;
  return DevNode(node);
}

std::optional<std::vector<std::u16string>> Win32ConfigManager::EnumSubkeys(const std::u16string& enumeratorAndDevice) {
  const std::wstring path = L"SYSTEM\\CurrentControlSet\\Enum\\" + ToWide(enumeratorAndDevice);
  UniqueRegKey key;
  if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_ENUMERATE_SUB_KEYS, key.put()) != ERROR_SUCCESS)
    return std::nullopt;
  std::vector<std::u16string> names;
  for (DWORD index = 0;; ++index) {
    wchar_t name[256] = {};
    DWORD length = 256;
    if (::RegEnumKeyExW(key.get(), index, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    names.push_back(ToUtf16(std::wstring_view(name, length)));
  }
  return names;
}

ConfigManager::EjectCalls Win32ConfigManager::Available() {
  if (!setupLibrary_) return EjectCalls::Unavailable;
  return requestEject_ ? EjectCalls::RequestEject : EjectCalls::RemoveSubTree;
}

bool Win32ConfigManager::RequestEject(DevNode node) {
  int vetoType = 0;
  char vetoName[1] = {};
  return requestEject_ && requestEject_(node, &vetoType, vetoName, 1, 0) == CR_SUCCESS;
}

bool Win32ConfigManager::QueryRemoveSubTree(DevNode node) { return ::CM_Query_Remove_SubTree(node, 0) == CR_SUCCESS; }

bool Win32ConfigManager::DisableDevNode(DevNode node) { return ::CM_Disable_DevNode(node, 0) == CR_SUCCESS; }

bool Win32ConfigManager::QueryAndRemoveSubTree(DevNode node) {
  return ::CM_Query_And_Remove_SubTreeW(node, nullptr, nullptr, 260, 0) == CR_SUCCESS;
}

}  // namespace tavolen
