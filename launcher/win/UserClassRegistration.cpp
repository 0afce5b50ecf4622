#include "launcher/win/UserClassRegistration.h"

#include <vector>

#include "framework/Registration.h"

namespace tavolen::launcher {

ComPtr<IOleObject> CreateFromUserClasses(REFCLSID clsid, UniqueModule* server, HRESULT* result) {
  *result = REGDB_E_CLASSNOTREG;
  const std::wstring key = L"Software\\Classes\\CLSID\\" + GuidText(clsid) + L"\\InprocServer32";
  std::vector<wchar_t> path(MAX_PATH + 1);
  DWORD size = DWORD((path.size() - 1) * sizeof(wchar_t));
  if (::RegGetValueW(HKEY_CURRENT_USER, key.c_str(), nullptr, RRF_RT_REG_SZ,
                     nullptr, path.data(), &size) != ERROR_SUCCESS)
    return {};
  server->reset(::LoadLibraryW(path.data()));
  if (!*server) {
    *result = HRESULT_FROM_WIN32(::GetLastError());
    return {};
  }
  using GetClassObject = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
  const auto getClassObject =
      reinterpret_cast<GetClassObject>(reinterpret_cast<void*>(::GetProcAddress(server->get(), "DllGetClassObject")));
  ComPtr<IClassFactory> factory;
  ComPtr<IOleObject> object;
  *result = getClassObject ? getClassObject(clsid, IID_IClassFactory, factory.put_void()) : CLASS_E_CLASSNOTAVAILABLE;
  if (SUCCEEDED(*result)) *result = factory->CreateInstance(nullptr, IID_IOleObject, object.put_void());
  return object;
}

}  // namespace tavolen::launcher
