#pragma once
// Base of an in-process, apartment-threaded ActiveX control scripted through IDispatch.
//
// The derived control gives:
//   - DispatchMembers(): its dispatch table (names, DISPIDs, result and argument types);
//     script calls reach only these members, with arguments already checked and coerced;
//   - Invoke(id, args, result): one member call, arguments in declared order (write
//     `using ActiveXControl::Invoke;` beside the override so IDispatch::Invoke stays visible);
//   - optionally CheckCreation() (the class factory refuses the object when it fails),
//     OnFinalRelease(), OnWindowCreated(), OnMessage() for its window's messages,
//     OnPositionChanged() when the container moves it, OnDraw().
// and fires events with FireEvent(id, args in declared order).
//
// The base answers IDispatch, IConnectionPointContainer (one connection point, for the
// event interface), IProvideClassInfo2 (from the registered type library, or the module's
// own), IOleObject, IOleInPlaceObject, IOleInPlaceActiveObject, IOleControl, IViewObject2,
// IPersistStreamInit and IPersistPropertyBag (no persistent properties), IObjectSafety and
// ISpecifyPropertyPages.
//
// Lifetime: reference counted; created by MakeComObject (through the class factory) and
// destroyed when the last reference goes, after OnFinalRelease. The control window is a
// child of the container's window, created at in-place activation and destroyed at
// deactivation or final release; the container's site pointers are held between
// SetClientSite and SetClientSite(nullptr)/final release.
#include "framework/ComObject.h"
#include "framework/ConnectionPoint.h"
#include "framework/DispatchTable.h"
#include "framework/UniqueVariant.h"
#include "framework/Window.h"

#include <windows.h>

#include <objsafe.h>
#include <ocidl.h>
#include <olectl.h>

#include <vector>

namespace tavolen {

struct ControlDescription {
  CLSID clsid;
  GUID libid;            // type library holding the coclass and both interfaces
  WORD majorVersion;
  WORD minorVersion;
  IID dispatch;          // the default dispatch interface
  IID events;            // the default source (event) dispatch interface
  CLSID propertyPage;    // GUID_NULL when the control has none
  DWORD miscStatus;      // OLEMISC_* for every aspect
};

class ActiveXControl : public ComObjectBase,
                       public IDispatch,
                       public IConnectionPointContainer,
                       public IProvideClassInfo2,
                       public IOleObject,
                       public IOleInPlaceObject,
                       public IOleInPlaceActiveObject,
                       public IOleControl,
                       public IViewObject2,
                       public IPersistStreamInit,
                       public IPersistPropertyBag,
                       public IObjectSafety,
                       public ISpecifyPropertyPages {
 public:
  // The class factory's check before it hands the new object out; failure fails creation.
  virtual HRESULT CheckCreation() { return S_OK; }

  // IUnknown
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override;
  COM_OBJECT_REFCOUNT

  // IDispatch
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID lcid, ITypeInfo** out) override;
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID lcid, DISPID* ids) override;
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID riid, LCID lcid, WORD flags, DISPPARAMS* params, VARIANT* result,
                                   EXCEPINFO* exception, UINT* argErr) override;

  // IConnectionPointContainer
  HRESULT STDMETHODCALLTYPE EnumConnectionPoints(IEnumConnectionPoints** out) override;
  HRESULT STDMETHODCALLTYPE FindConnectionPoint(REFIID riid, IConnectionPoint** out) override;

  // IProvideClassInfo2
  HRESULT STDMETHODCALLTYPE GetClassInfo(ITypeInfo** out) override;
  HRESULT STDMETHODCALLTYPE GetGUID(DWORD kind, GUID* out) override;

  // IOleObject
  HRESULT STDMETHODCALLTYPE SetClientSite(IOleClientSite* site) override;
  HRESULT STDMETHODCALLTYPE GetClientSite(IOleClientSite** out) override;
  HRESULT STDMETHODCALLTYPE SetHostNames(LPCOLESTR, LPCOLESTR) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE Close(DWORD saveOption) override;
  HRESULT STDMETHODCALLTYPE SetMoniker(DWORD, IMoniker*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetMoniker(DWORD, DWORD, IMoniker**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE InitFromData(IDataObject*, BOOL, DWORD) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetClipboardData(DWORD, IDataObject**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE DoVerb(LONG verb, LPMSG message, IOleClientSite* activeSite, LONG index, HWND parent,
                                   LPCRECT position) override;
  HRESULT STDMETHODCALLTYPE EnumVerbs(IEnumOLEVERB** out) override;
  HRESULT STDMETHODCALLTYPE Update() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE IsUpToDate() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE GetUserClassID(CLSID* out) override;
  HRESULT STDMETHODCALLTYPE GetUserType(DWORD form, LPOLESTR* out) override;
  HRESULT STDMETHODCALLTYPE SetExtent(DWORD aspect, SIZEL* size) override;
  HRESULT STDMETHODCALLTYPE GetExtent(DWORD aspect, SIZEL* size) override;
  HRESULT STDMETHODCALLTYPE Advise(IAdviseSink* sink, DWORD* cookie) override;
  HRESULT STDMETHODCALLTYPE Unadvise(DWORD cookie) override;
  HRESULT STDMETHODCALLTYPE EnumAdvise(IEnumSTATDATA** out) override;
  HRESULT STDMETHODCALLTYPE GetMiscStatus(DWORD aspect, DWORD* status) override;
  HRESULT STDMETHODCALLTYPE SetColorScheme(LOGPALETTE*) override { return E_NOTIMPL; }

  // IOleWindow (through IOleInPlaceObject and IOleInPlaceActiveObject)
  HRESULT STDMETHODCALLTYPE GetWindow(HWND* out) override;
  HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }

  // IOleInPlaceObject
  HRESULT STDMETHODCALLTYPE InPlaceDeactivate() override;
  HRESULT STDMETHODCALLTYPE UIDeactivate() override;
  HRESULT STDMETHODCALLTYPE SetObjectRects(LPCRECT position, LPCRECT clip) override;
  HRESULT STDMETHODCALLTYPE ReactivateAndUndo() override { return E_NOTIMPL; }

  // IOleInPlaceActiveObject
  HRESULT STDMETHODCALLTYPE TranslateAccelerator(LPMSG) override { return S_FALSE; }
  HRESULT STDMETHODCALLTYPE OnFrameWindowActivate(BOOL) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE OnDocWindowActivate(BOOL) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE ResizeBorder(LPCRECT, IOleInPlaceUIWindow*, BOOL) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE EnableModeless(BOOL) override { return S_OK; }

  // IOleControl
  HRESULT STDMETHODCALLTYPE GetControlInfo(CONTROLINFO* info) override;
  HRESULT STDMETHODCALLTYPE OnMnemonic(MSG*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE OnAmbientPropertyChange(DISPID) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE FreezeEvents(BOOL freeze) override;

  // IViewObject2
  HRESULT STDMETHODCALLTYPE Draw(DWORD aspect, LONG index, void* aspectInfo, DVTARGETDEVICE* target, HDC targetDc,
                                 HDC drawDc, LPCRECTL bounds, LPCRECTL windowBounds,
                                 BOOL(STDMETHODCALLTYPE* cont)(ULONG_PTR), ULONG_PTR continueArg) override;
  HRESULT STDMETHODCALLTYPE GetColorSet(DWORD, LONG, void*, DVTARGETDEVICE*, HDC, LOGPALETTE**) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE Freeze(DWORD, LONG, void*, DWORD*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Unfreeze(DWORD) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetAdvise(DWORD aspects, DWORD flags, IAdviseSink* sink) override;
  HRESULT STDMETHODCALLTYPE GetAdvise(DWORD* aspects, DWORD* flags, IAdviseSink** sink) override;
  HRESULT STDMETHODCALLTYPE GetExtent(DWORD aspect, LONG index, DVTARGETDEVICE* target, LPSIZEL size) override;

  // IPersist, IPersistStreamInit, IPersistPropertyBag: nothing persists.
  HRESULT STDMETHODCALLTYPE GetClassID(CLSID* out) override;
  HRESULT STDMETHODCALLTYPE IsDirty() override { return S_FALSE; }
  HRESULT STDMETHODCALLTYPE Load(IStream* stream) override { return stream ? S_OK : E_POINTER; }
  HRESULT STDMETHODCALLTYPE Save(IStream* stream, BOOL) override { return stream ? S_OK : E_POINTER; }
  HRESULT STDMETHODCALLTYPE GetSizeMax(ULARGE_INTEGER* size) override;
  HRESULT STDMETHODCALLTYPE InitNew() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE Load(IPropertyBag* bag, IErrorLog*) override { return bag ? S_OK : E_POINTER; }
  HRESULT STDMETHODCALLTYPE Save(IPropertyBag* bag, BOOL, BOOL) override { return bag ? S_OK : E_POINTER; }

  // IObjectSafety: safe for untrusted callers and data on IDispatch and persistence.
  HRESULT STDMETHODCALLTYPE GetInterfaceSafetyOptions(REFIID riid, DWORD* supported, DWORD* enabled) override;
  HRESULT STDMETHODCALLTYPE SetInterfaceSafetyOptions(REFIID riid, DWORD mask, DWORD enabled) override;

  // ISpecifyPropertyPages
  HRESULT STDMETHODCALLTYPE GetPages(CAUUID* pages) override;

  // Calls every connected event sink; `args` in declared order. Nothing while events are
  // frozen by the container.
  void FireEvent(DISPID id, const std::vector<UniqueVariant>& args = {});

  HWND ControlHwnd() const { return window_.hwnd(); }
  // For timers and posted messages to the control window.
  Window& ControlWindow() { return window_; }
  const ControlDescription& Description() const { return description_; }

 protected:
  explicit ActiveXControl(const ControlDescription& description);
  ~ActiveXControl() override;

  // The members script can call.
  virtual const DispatchTable& DispatchMembers() const = 0;
  // One member call with arguments of the declared types in declared order; fill `result`
  // (empty on entry) when the member returns a value.
  virtual HRESULT Invoke(DISPID id, const std::vector<VARIANT>& args, VARIANT* result) = 0;

  // Once, when the last reference goes, before the window and the site are let go.
  virtual void OnFinalRelease() {}
  virtual void OnWindowCreated() {}
  // The container gave the control a client site (or took it away: ClientSite() is null).
  virtual void OnClientSiteChanged() {}
  // Messages of the control window; the default paints with OnDraw.
  virtual LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT DefaultMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    return ::DefWindowProcW(window_.hwnd(), message, wParam, lParam);
  }
  // The container set a new position (and clip) rectangle, in its window's coordinates.
  virtual void OnPositionChanged(const RECT& position) { (void)position; }
  // The picture of the control: black.
  virtual void OnDraw(HDC dc, const RECT& bounds);

  IOleClientSite* ClientSite() const { return clientSite_.get(); }
  HRESULT ShowPropertyPages(HWND owner);

 private:
  // The control window: its messages go to the control.
  class ControlWindowImpl : public Window {
   public:
    explicit ControlWindowImpl(ActiveXControl& owner);
    ~ControlWindowImpl() override { Destroy(); }

   protected:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

   private:
    ActiveXControl& owner_;
  };

  void FinalRelease() override;
  HRESULT ActivateInPlace(LONG verb, HWND parent, LPCRECT position);
  HRESULT ActivateUi();
  HRESULT LoadTypeLibrary(ComPtr<ITypeLib>* out);
  bool IsSafetyInterface(REFIID riid) const;

  const ControlDescription description_;
  ConnectionPoint connectionPoint_;
  ControlWindowImpl window_;
  ComPtr<IOleClientSite> clientSite_;
  ComPtr<IOleInPlaceSite> inPlaceSite_;
  ComPtr<IOleInPlaceFrame> inPlaceFrame_;
  ComPtr<IOleInPlaceUIWindow> inPlaceDocument_;
  ComPtr<IOleAdviseHolder> adviseHolder_;
  ComPtr<IAdviseSink> viewSink_;
  ComPtr<ITypeLib> typeLibrary_;
  DWORD viewAspects_ = 0;
  DWORD viewFlags_ = 0;
  SIZEL extent_{2646, 2646};  // HIMETRIC, about 100 pixels at 96 dpi
  bool inPlaceActive_ = false;
  bool uiActive_ = false;
  ULONG frozen_ = 0;
  DWORD safetyEnabled_ = 0;
};

// The class factory's way of making a control: constructs it, runs its creation check and
// hands out the requested interface.
template <class T>
HRESULT CreateControlInstance(REFIID riid, void** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  ComPtr<T> control = MakeComObject<T>();
  if (!control) return E_OUTOFMEMORY;
  HRESULT hr = control->CheckCreation();
  if (FAILED(hr)) return hr;
  return control->QueryInterface(riid, out);
}

}  // namespace tavolen
