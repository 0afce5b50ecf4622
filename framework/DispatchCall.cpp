#include "framework/DispatchCall.h"

#include "framework/UniqueVariant.h"

namespace tavolen {

HRESULT CallByName(IDispatch* dispatch, const wchar_t* name, std::vector<VARIANT> argsInOrder, VARIANT* result) {
  HRESULT hr = E_UNEXPECTED;
  if (dispatch) {
    DISPID id = DISPID_UNKNOWN;
    LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
    hr = dispatch->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
    if (SUCCEEDED(hr)) {
      // DISPPARAMS carry the arguments last first.
      std::vector<VARIANT> reversed(argsInOrder.rbegin(), argsInOrder.rend());
      DISPPARAMS params{reversed.data(), nullptr, UINT(reversed.size()), 0};
      UniqueVariant ignored;
      UINT argErr = 0;
      hr = dispatch->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params,
                            result ? result : ignored.put(), nullptr, &argErr);
    }
  }
  for (VARIANT& v : argsInOrder) ::VariantClear(&v);
  return hr;
}

}  // namespace tavolen
