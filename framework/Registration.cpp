#include "framework/Registration.h"

#include "framework/ClassFactory.h"
#include "framework/ComInit.h"
#include "framework/ComPtr.h"
#include "framework/Module.h"
#include "framework/UniqueBstr.h"
#include "framework/UniqueRegKey.h"

#include <comcat.h>
#include <oleauto.h>
#include <olectl.h>

// Per-user type-library registration (oleaut32, Windows Vista and later); MinGW's headers
// lack the declarations.
extern "C" {
HRESULT WINAPI RegisterTypeLibForUser(ITypeLib* library, OLECHAR* path, OLECHAR* helpFolder);
HRESULT WINAPI UnRegisterTypeLibForUser(REFGUID libid, WORD major, WORD minor, LCID lcid, SYSKIND kind);
}

namespace tavolen {
namespace {

// The root of the classes keys in a scope.
struct ClassesRoot {
  HKEY hive;
  const wchar_t* prefix;
};
ClassesRoot RootOf(RegistrationScope scope) {
  return scope == RegistrationScope::User ? ClassesRoot{HKEY_CURRENT_USER, L"Software\\Classes\\"}
                                          : ClassesRoot{HKEY_CLASSES_ROOT, L""};
}

// Writes the string value `name` (null: the default value) of classes\subkey, creating the key.
bool SetClassesValue(const ClassesRoot& root, const std::wstring& subkey, const wchar_t* name,
                     const std::wstring& value) {
  UniqueRegKey key;
  if (::RegCreateKeyExW(root.hive, (root.prefix + subkey).c_str(), 0, nullptr, 0, KEY_SET_VALUE | OwnRegistryView(),
                        nullptr, key.put(), nullptr) != ERROR_SUCCESS)
    return false;
  const DWORD bytes = static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t));
  return ::RegSetValueExW(key.get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()), bytes) ==
         ERROR_SUCCESS;
}

bool CreateClassesKey(const ClassesRoot& root, const std::wstring& subkey) {
  UniqueRegKey key;
  return ::RegCreateKeyExW(root.hive, (root.prefix + subkey).c_str(), 0, nullptr, 0,
                           KEY_SET_VALUE | OwnRegistryView(), nullptr, key.put(), nullptr) == ERROR_SUCCESS;
}

// Deletes classes\parent\child with everything below it; a missing key is no failure.
bool DeleteClassesTree(const ClassesRoot& root, const wchar_t* parent, const std::wstring& child) {
  const std::wstring parentPath = std::wstring(root.prefix) + (parent ? parent : L"");
  UniqueRegKey key;
  const bool atRoot = parentPath.empty();
  LONG opened = atRoot ? ERROR_SUCCESS
                       : ::RegOpenKeyExW(root.hive, parentPath.c_str(), 0, KEY_ALL_ACCESS | OwnRegistryView(), key.put());
  if (opened == ERROR_FILE_NOT_FOUND) return true;
  if (opened != ERROR_SUCCESS) return false;
  const HKEY base = atRoot ? root.hive : key.get();
  LONG deleted = ::RegDeleteTreeW(base, child.c_str());
  if (deleted == ERROR_FILE_NOT_FOUND) return true;
  if (deleted != ERROR_SUCCESS) return false;
  // RegDeleteTree empties the key; the key itself goes with RegDeleteKeyEx.
  LONG removed = ::RegDeleteKeyExW(base, child.c_str(), OwnRegistryView(), 0);
  return removed == ERROR_SUCCESS || removed == ERROR_FILE_NOT_FOUND;
}

SYSKIND OwnSysKind() { return sizeof(void*) == 8 ? SYS_WIN64 : SYS_WIN32; }

}  // namespace

REGSAM OwnRegistryView() { return sizeof(void*) == 8 ? KEY_WOW64_64KEY : KEY_WOW64_32KEY; }

std::wstring GuidText(const GUID& guid) {
  wchar_t text[40] = {};
  int length = ::StringFromGUID2(guid, text, 40);
  return length > 0 ? std::wstring(text, length - 1) : std::wstring();
}

HRESULT RegisterTypeLibrary(RegistrationScope scope) {
  ComPtr<ITypeLib> library;
  if (scope == RegistrationScope::Machine)
    return ::LoadTypeLibEx(ModuleFileName().c_str(), REGKIND_REGISTER, library.put());
  HRESULT hr = ::LoadTypeLibEx(ModuleFileName().c_str(), REGKIND_NONE, library.put());
  if (FAILED(hr)) return hr;
  std::wstring path = ModuleFileName();
  return ::RegisterTypeLibForUser(library.get(), path.data(), nullptr);
}

HRESULT UnregisterTypeLibrary(RegistrationScope scope) {
  // The module's own library says under which identity, version and locale it was registered.
  ComPtr<ITypeLib> library;
  HRESULT hr = ::LoadTypeLibEx(ModuleFileName().c_str(), REGKIND_NONE, library.put());
  if (FAILED(hr)) return hr;
  TLIBATTR* attr = nullptr;
  hr = library->GetLibAttr(&attr);
  if (FAILED(hr)) return hr;
  const TLIBATTR copy = *attr;
  library->ReleaseTLibAttr(attr);
  UniqueBstr registeredPath;
  if (FAILED(::QueryPathOfRegTypeLib(copy.guid, copy.wMajorVerNum, copy.wMinorVerNum, copy.lcid, registeredPath.put())))
    return S_OK;  // not registered: nothing to remove
  if (scope == RegistrationScope::User)
    return ::UnRegisterTypeLibForUser(copy.guid, copy.wMajorVerNum, copy.wMinorVerNum, copy.lcid, OwnSysKind());
  return ::UnRegisterTypeLib(copy.guid, copy.wMajorVerNum, copy.wMinorVerNum, copy.lcid, OwnSysKind());
}

HRESULT RegisterServerClass(const ServerClass& entry, const GUID& libid, WORD majorVersion, WORD minorVersion,
                            RegistrationScope scope) {
  const ClassesRoot root = RootOf(scope);
  const std::wstring path = ModuleFileName();
  if (path.empty()) return HRESULT_FROM_WIN32(::GetLastError());
  const std::wstring clsid = GuidText(*entry.clsid);
  const std::wstring key = L"CLSID\\" + clsid;
  bool ok = SetClassesValue(root, key, nullptr, entry.typeName) && SetClassesValue(root, key + L"\\InprocServer32", nullptr, path) &&
            SetClassesValue(root, key + L"\\InprocServer32", L"ThreadingModel", L"Apartment");
  if (entry.progId) {
    ok = ok && SetClassesValue(root, key + L"\\ProgID", nullptr, entry.progId) &&
         SetClassesValue(root, entry.progId, nullptr, entry.typeName) &&
         SetClassesValue(root, std::wstring(entry.progId) + L"\\CLSID", nullptr, clsid);
  }
  if (entry.control) {
    ok = ok && CreateClassesKey(root, key + L"\\Control") &&
         SetClassesValue(root, key + L"\\ToolboxBitmap32", nullptr, path + L", " + std::to_wstring(entry.toolboxBitmap)) &&
         SetClassesValue(root, key + L"\\MiscStatus", nullptr, L"0") &&
         SetClassesValue(root, key + L"\\MiscStatus\\1", nullptr, std::to_wstring(entry.miscStatus)) &&
         // The "Properties" verb (OLEIVERB_PROPERTIES), as containers list it: name, menu
         // flags, verb attributes (OLEVERBATTRIB_ONCONTAINERMENU).
         SetClassesValue(root, key + L"\\Verb\\-7", nullptr, L"&Properties,0,2") &&
         SetClassesValue(root, key + L"\\TypeLib", nullptr, GuidText(libid)) &&
         SetClassesValue(root, key + L"\\Version", nullptr,
                         std::to_wstring(majorVersion) + L"." + std::to_wstring(minorVersion));
  }
  return ok ? S_OK : E_ACCESSDENIED;
}

HRESULT UnregisterServerClass(const ServerClass& entry, RegistrationScope scope) {
  const ClassesRoot root = RootOf(scope);
  bool ok = DeleteClassesTree(root, L"CLSID", GuidText(*entry.clsid));
  if (entry.progId) ok = DeleteClassesTree(root, nullptr, entry.progId) && ok;
  return ok ? S_OK : E_ACCESSDENIED;
}

HRESULT RegisterCategories(const std::vector<ComponentCategory>& categories) {
  if (categories.empty()) return S_OK;
  ComPtr<ICatRegister> registrar;
  HRESULT hr = ::CoCreateInstance(CLSID_StdComponentCategoriesMgr, nullptr, CLSCTX_INPROC_SERVER, IID_ICatRegister,
                                  registrar.put_void());
  if (FAILED(hr)) return hr;
  std::vector<CATEGORYINFO> infos;
  for (const ComponentCategory& category : categories) {
    CATEGORYINFO info{};
    info.catid = category.id;
    info.lcid = 1033;
    lstrcpynW(info.szDescription, category.description, ARRAYSIZE(info.szDescription));
    infos.push_back(info);
  }
  return registrar->RegisterCategories(static_cast<ULONG>(infos.size()), infos.data());
}

HRESULT RegisterImplementedCategories(const CLSID& clsid, const std::vector<ComponentCategory>& categories) {
  if (categories.empty()) return S_OK;
  ComPtr<ICatRegister> registrar;
  HRESULT hr = ::CoCreateInstance(CLSID_StdComponentCategoriesMgr, nullptr, CLSCTX_INPROC_SERVER, IID_ICatRegister,
                                  registrar.put_void());
  if (FAILED(hr)) return hr;
  std::vector<CATID> ids;
  for (const ComponentCategory& category : categories) ids.push_back(category.id);
  return registrar->RegisterClassImplCategories(clsid, static_cast<ULONG>(ids.size()), ids.data());
}

namespace {

// The categories as keys of the user's classes: the category manager writes only the
// machine's.
bool RegisterUserCategories(const ServerDescription& server) {
  const ClassesRoot root = RootOf(RegistrationScope::User);
  bool ok = true;
  for (const ComponentCategory& category : server.categories) {
    ok = ok && SetClassesValue(root, L"Component Categories\\" + GuidText(category.id), L"409", category.description);
    for (const ServerClass& entry : server.classes) {
      if (entry.control)
        ok = ok && CreateClassesKey(root, L"CLSID\\" + GuidText(*entry.clsid) + L"\\Implemented Categories\\" +
                                              GuidText(category.id));
    }
  }
  return ok;
}

}  // namespace

HRESULT RegisterServer(const ServerDescription& server, RegistrationScope scope) {
  ComInit com;  // regsvr32 may call us with COM not initialised
  if (FAILED(RegisterTypeLibrary(scope))) return SELFREG_E_TYPELIB;
  for (const ServerClass& entry : server.classes) {
    if (FAILED(RegisterServerClass(entry, server.libid, server.majorVersion, server.minorVersion, scope)))
      return SELFREG_E_CLASS;
  }
  if (scope == RegistrationScope::User) return RegisterUserCategories(server) ? S_OK : SELFREG_E_CLASS;
  if (FAILED(RegisterCategories(server.categories))) return SELFREG_E_CLASS;
  for (const ServerClass& entry : server.classes) {
    if (entry.control && FAILED(RegisterImplementedCategories(*entry.clsid, server.categories)))
      return SELFREG_E_CLASS;
  }
  return S_OK;
}

HRESULT UnregisterServer(const ServerDescription& server, RegistrationScope scope) {
  ComInit com;
  if (FAILED(UnregisterTypeLibrary(scope))) return SELFREG_E_TYPELIB;
  for (const ServerClass& entry : server.classes) {
    if (FAILED(UnregisterServerClass(entry, scope))) return SELFREG_E_CLASS;
  }
  return S_OK;
}

HRESULT InstallServer(const ServerDescription& server, bool install, const wchar_t* commandLine) {
  const bool user = commandLine && ::lstrcmpiW(commandLine, L"user") == 0;
  const RegistrationScope scope = user ? RegistrationScope::User : RegistrationScope::Machine;
  return install ? RegisterServer(server, scope) : UnregisterServer(server, scope);
}

HRESULT ServerGetClassObject(const ServerDescription& server, REFCLSID clsid, REFIID riid, void** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  for (const ServerClass& entry : server.classes) {
    if (*entry.clsid == clsid) {
      ComPtr<ClassFactory> factory = MakeComObject<ClassFactory>(entry.create);
      if (!factory) return E_OUTOFMEMORY;
      return factory->QueryInterface(riid, out);
    }
  }
  return CLASS_E_CLASSNOTAVAILABLE;
}

}  // namespace tavolen
