#pragma once
// Self-registration of a COM server module: its type library (resource TYPELIB 1 of the
// module), its classes under HKEY_CLASSES_ROOT and component categories. Everything lands
// in the registry view of the module's own word size (a 32-bit module in the 32-bit view),
// and registering twice leaves the same entries as once.
#include <windows.h>

#include <comcat.h>

#include <string>
#include <vector>

namespace tavolen {

struct ServerClass {
  const CLSID* clsid;
  const wchar_t* progId;
  const wchar_t* typeName;
  HRESULT (*create)(REFIID riid, void** out);
  bool control;         // an ActiveX control: Control, ToolboxBitmap32, MiscStatus, TypeLib, Version
  DWORD miscStatus;     // controls only
  int toolboxBitmap;    // controls only: bitmap resource id
};

struct ComponentCategory {
  CATID id;
  const wchar_t* description;  // locale 1033
};

struct ServerDescription {
  GUID libid;
  WORD majorVersion;
  WORD minorVersion;
  std::vector<ServerClass> classes;
  // Registered with the server, and implemented by every control class of it.
  std::vector<ComponentCategory> categories;
};

// Where the classes are written: for every user under HKEY_CLASSES_ROOT (administrators),
// or for the current user under HKEY_CURRENT_USER\Software\Classes (no rights needed).
enum class RegistrationScope { Machine, User };

// The registry view of this module's word size (KEY_WOW64_32KEY or KEY_WOW64_64KEY).
REGSAM OwnRegistryView();
std::wstring GuidText(const GUID& guid);

// The steps, each returning an HRESULT.
// The type library of this module (resource TYPELIB 1), registered or removed as it declares
// itself (identity, version, locale); removing one that is not registered succeeds.
HRESULT RegisterTypeLibrary(RegistrationScope scope = RegistrationScope::Machine);
HRESULT UnregisterTypeLibrary(RegistrationScope scope = RegistrationScope::Machine);
HRESULT RegisterServerClass(const ServerClass& entry, const GUID& libid, WORD majorVersion, WORD minorVersion,
                            RegistrationScope scope = RegistrationScope::Machine);
HRESULT UnregisterServerClass(const ServerClass& entry, RegistrationScope scope = RegistrationScope::Machine);
HRESULT RegisterCategories(const std::vector<ComponentCategory>& categories);
HRESULT RegisterImplementedCategories(const CLSID& clsid, const std::vector<ComponentCategory>& categories);

// DllRegisterServer: type library (failure SELFREG_E_TYPELIB), classes, categories (failure
// SELFREG_E_CLASS). DllUnregisterServer: type library, then classes; categories stay.
// For the current user the categories are written as keys of the user's classes.
HRESULT RegisterServer(const ServerDescription& server, RegistrationScope scope = RegistrationScope::Machine);
HRESULT UnregisterServer(const ServerDescription& server, RegistrationScope scope = RegistrationScope::Machine);

// DllInstall as regsvr32 calls it ("regsvr32 /n /i:user" installs for the current user,
// "/u /n /i:user" removes that again; any other command line means every user).
HRESULT InstallServer(const ServerDescription& server, bool install, const wchar_t* commandLine);

// DllGetClassObject over the server's classes.
HRESULT ServerGetClassObject(const ServerDescription& server, REFCLSID clsid, REFIID riid, void** out);

}  // namespace tavolen
