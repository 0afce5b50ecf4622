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

namespace tavolen {
namespace {

// Writes the string value `name` (null: the default value) of HKCR\subkey, creating the key.
bool SetClassesValue(const std::wstring& subkey, const wchar_t* name, const std::wstring& value) {
  UniqueRegKey key;
  if (::RegCreateKeyExW(HKEY_CLASSES_ROOT, subkey.c_str(), 0, nullptr, 0, KEY_SET_VALUE | OwnRegistryView(), nullptr,
                        key.put(), nullptr) != ERROR_SUCCESS)
    return false;
  const DWORD bytes = static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t));
  return ::RegSetValueExW(key.get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()), bytes) ==
         ERROR_SUCCESS;
}

bool CreateClassesKey(const std::wstring& subkey) {
  UniqueRegKey key;
  return ::RegCreateKeyExW(HKEY_CLASSES_ROOT, subkey.c_str(), 0, nullptr, 0, KEY_SET_VALUE | OwnRegistryView(),
                           nullptr, key.put(), nullptr) == ERROR_SUCCESS;
}

// Deletes HKCR\parent\child with everything below it; a missing key is no failure.
bool DeleteClassesTree(const wchar_t* parent, const std::wstring& child) {
  UniqueRegKey key;
  LONG opened = parent ? ::RegOpenKeyExW(HKEY_CLASSES_ROOT, parent, 0, KEY_ALL_ACCESS | OwnRegistryView(), key.put())
                       : ERROR_SUCCESS;
  if (opened == ERROR_FILE_NOT_FOUND) return true;
  if (opened != ERROR_SUCCESS) return false;
  LONG deleted = ::RegDeleteTreeW(parent ? key.get() : HKEY_CLASSES_ROOT, child.c_str());
  if (deleted == ERROR_FILE_NOT_FOUND) return true;
  if (deleted != ERROR_SUCCESS) return false;
  // RegDeleteTree empties the key; the key itself goes with RegDeleteKeyEx.
  LONG removed = ::RegDeleteKeyExW(parent ? key.get() : HKEY_CLASSES_ROOT, child.c_str(), OwnRegistryView(), 0);
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

HRESULT RegisterTypeLibrary() {
  ComPtr<ITypeLib> library;
  return ::LoadTypeLibEx(ModuleFileName().c_str(), REGKIND_REGISTER, library.put());
}

HRESULT UnregisterTypeLibrary() {
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
  return ::UnRegisterTypeLib(copy.guid, copy.wMajorVerNum, copy.wMinorVerNum, copy.lcid, OwnSysKind());
}

HRESULT RegisterServerClass(const ServerClass& entry, const GUID& libid, WORD majorVersion, WORD minorVersion) {
  const std::wstring path = ModuleFileName();
  if (path.empty()) return HRESULT_FROM_WIN32(::GetLastError());
  const std::wstring clsid = GuidText(*entry.clsid);
  const std::wstring key = L"CLSID\\" + clsid;
  bool ok = SetClassesValue(key, nullptr, entry.typeName) && SetClassesValue(key + L"\\InprocServer32", nullptr, path) &&
            SetClassesValue(key + L"\\InprocServer32", L"ThreadingModel", L"Apartment");
  if (entry.progId) {
    ok = ok && SetClassesValue(key + L"\\ProgID", nullptr, entry.progId) &&
         SetClassesValue(entry.progId, nullptr, entry.typeName) &&
         SetClassesValue(std::wstring(entry.progId) + L"\\CLSID", nullptr, clsid);
  }
  if (entry.control) {
    ok = ok && CreateClassesKey(key + L"\\Control") &&
         SetClassesValue(key + L"\\ToolboxBitmap32", nullptr, path + L", " + std::to_wstring(entry.toolboxBitmap)) &&
         SetClassesValue(key + L"\\MiscStatus", nullptr, L"0") &&
         SetClassesValue(key + L"\\MiscStatus\\1", nullptr, std::to_wstring(entry.miscStatus)) &&
         // The "Properties" verb (OLEIVERB_PROPERTIES), as containers list it: name, menu
         // flags, verb attributes (OLEVERBATTRIB_ONCONTAINERMENU).
         SetClassesValue(key + L"\\Verb\\-7", nullptr, L"&Properties,0,2") &&
         SetClassesValue(key + L"\\TypeLib", nullptr, GuidText(libid)) &&
         SetClassesValue(key + L"\\Version", nullptr,
                         std::to_wstring(majorVersion) + L"." + std::to_wstring(minorVersion));
  }
  return ok ? S_OK : E_ACCESSDENIED;
}

HRESULT UnregisterServerClass(const ServerClass& entry) {
  bool ok = DeleteClassesTree(L"CLSID", GuidText(*entry.clsid));
  if (entry.progId) ok = DeleteClassesTree(nullptr, entry.progId) && ok;
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

HRESULT RegisterServer(const ServerDescription& server) {
  ComInit com;  // regsvr32 may call us with COM not initialised
  if (FAILED(RegisterTypeLibrary())) return SELFREG_E_TYPELIB;
  for (const ServerClass& entry : server.classes) {
    if (FAILED(RegisterServerClass(entry, server.libid, server.majorVersion, server.minorVersion)))
      return SELFREG_E_CLASS;
  }
  if (FAILED(RegisterCategories(server.categories))) return SELFREG_E_CLASS;
  for (const ServerClass& entry : server.classes) {
    if (entry.control && FAILED(RegisterImplementedCategories(*entry.clsid, server.categories)))
      return SELFREG_E_CLASS;
  }
  return S_OK;
}

HRESULT UnregisterServer(const ServerDescription& server) {
  ComInit com;
  if (FAILED(UnregisterTypeLibrary())) return SELFREG_E_TYPELIB;
  for (const ServerClass& entry : server.classes) {
    if (FAILED(UnregisterServerClass(entry))) return SELFREG_E_CLASS;
  }
  return S_OK;
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
