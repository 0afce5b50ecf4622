#pragma once
// An event sink for a control's event dispatch interface: every IDispatch::Invoke the
// control makes is handed to a callback with the DISPID and the arguments in declared
// order (borrowed for the length of the call). Answers IUnknown, IDispatch and the event
// interface it was made for.
#include "framework/ComObject.h"

#include <windows.h>

#include <oaidl.h>

#include <functional>
#include <vector>

namespace tavolen {

class EventSink : public ComObjectBase, public IDispatch {
 public:
  using Callback = std::function<void(DISPID id, const std::vector<VARIANT>& args)>;

  EventSink(const IID& events, Callback callback) : events_(events), callback_(std::move(callback)) {}

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override;
  COM_OBJECT_REFCOUNT

  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** out) override;
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
    return DISP_E_UNKNOWNNAME;
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID riid, LCID lcid, WORD flags, DISPPARAMS* params, VARIANT* result,
                                   EXCEPINFO* exception, UINT* argErr) override;

 private:
  IID events_;
  Callback callback_;
};

}  // namespace tavolen
