#include "framework/EventSink.h"

namespace tavolen {

HRESULT EventSink::QueryInterface(REFIID riid, void** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (riid == IID_IUnknown || riid == IID_IDispatch || riid == events_) return ReturnInterface<IDispatch>(this, out);
  return E_NOINTERFACE;
}

HRESULT EventSink::GetTypeInfoCount(UINT* count) {
  if (!count) return E_POINTER;
  *count = 0;
  return S_OK;
}

HRESULT EventSink::GetTypeInfo(UINT, LCID, ITypeInfo** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  return DISP_E_BADINDEX;
}

HRESULT EventSink::Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT* result, EXCEPINFO*, UINT*) {
  if (result) ::VariantInit(result);
  std::vector<VARIANT> args;
  if (params && params->cArgs > 0) {
    if (!params->rgvarg) return E_INVALIDARG;
    // DISPPARAMS holds the arguments last first.
    for (UINT i = params->cArgs; i > 0; --i) args.push_back(params->rgvarg[i - 1]);
  }
  if (callback_) callback_(id, args);
  return S_OK;
}

}  // namespace tavolen
