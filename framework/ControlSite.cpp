#include "framework/ControlSite.h"

#include <olectl.h>

namespace tavolen {

ComPtr<ControlSite> ControlSite::Create(HWND parent) { return MakeComObject<ControlSite>(parent); }

HRESULT ControlSite::CreateControl(const wchar_t* name, const RECT& rect) {
  if (!name) return E_POINTER;
  CLSID clsid{};
  HRESULT hr = name[0] == L'{' ? ::CLSIDFromString(name, &clsid) : ::CLSIDFromProgID(name, &clsid);
  if (FAILED(hr)) return hr;
  return CreateControl(clsid, rect);
}

HRESULT ControlSite::CreateControl(REFCLSID clsid, const RECT& rect) {
  if (object_) return E_UNEXPECTED;
  ComPtr<IOleObject> object;
  HRESULT hr = ::CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IOleObject, object.put_void());
  if (FAILED(hr)) return hr;
  return CreateControl(std::move(object), rect);
}

HRESULT ControlSite::CreateControl(ComPtr<IOleObject> object, const RECT& rect) {
  if (object_) return E_UNEXPECTED;
  if (!object) return E_POINTER;
  rect_ = rect;
  HRESULT hr = S_OK;

  DWORD status = 0;
  object->GetMiscStatus(DVASPECT_CONTENT, &status);
  if (status & OLEMISC_SETCLIENTSITEFIRST) {
    hr = object->SetClientSite(this);
    if (FAILED(hr)) return hr;
  }
  ComPtr<IPersistStreamInit> persist;
  if (SUCCEEDED(object.As(IID_IPersistStreamInit, &persist))) {
    persist->InitNew();
  } else {
    ComPtr<IPersistPropertyBag> bag;
    if (SUCCEEDED(object.As(IID_IPersistPropertyBag, &bag))) bag->InitNew();
  }
  if (!(status & OLEMISC_SETCLIENTSITEFIRST)) {
    hr = object->SetClientSite(this);
    if (FAILED(hr)) return hr;
  }
  object_ = std::move(object);
  RECT position = rect_;
  hr = object_->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, this, 0, parent_, &position);
  if (FAILED(hr)) {
    Close();
    return hr;
  }
  return S_OK;
}

HRESULT ControlSite::Move(const RECT& rect) {
  rect_ = rect;
  if (!object_) return E_UNEXPECTED;
  ComPtr<IOleInPlaceObject> inPlace;
  HRESULT hr = object_.As(IID_IOleInPlaceObject, &inPlace);
  if (FAILED(hr)) return hr;
  return inPlace->SetObjectRects(&rect_, &rect_);
}

HRESULT ControlSite::DoVerb(LONG verb) {
  if (!object_) return E_UNEXPECTED;
  RECT position = rect_;
  return object_->DoVerb(verb, nullptr, this, 0, parent_, &position);
}

HRESULT ControlSite::ConnectEvents(EventSink::Callback callback) {
  if (!object_) return E_UNEXPECTED;
  if (eventPoint_) return CONNECT_E_ADVISELIMIT;
  ComPtr<IProvideClassInfo2> classInfo;
  HRESULT hr = object_.As(IID_IProvideClassInfo2, &classInfo);
  if (FAILED(hr)) return hr;
  IID events{};
  hr = classInfo->GetGUID(GUIDKIND_DEFAULT_SOURCE_DISP_IID, &events);
  if (FAILED(hr)) return hr;
  ComPtr<IConnectionPointContainer> container;
  hr = object_.As(IID_IConnectionPointContainer, &container);
  if (FAILED(hr)) return hr;
  ComPtr<IConnectionPoint> point;
  hr = container->FindConnectionPoint(events, point.put());
  if (FAILED(hr)) return hr;
  ComPtr<EventSink> sink = MakeComObject<EventSink>(events, std::move(callback));
  if (!sink) return E_OUTOFMEMORY;
  hr = point->Advise(static_cast<IDispatch*>(sink.get()), &eventCookie_);
  if (FAILED(hr)) return hr;
  eventPoint_ = std::move(point);
  return S_OK;
}

void ControlSite::DisconnectEvents() {
  if (eventPoint_) eventPoint_->Unadvise(eventCookie_);
  eventPoint_.reset();
  eventCookie_ = 0;
}

HRESULT ControlSite::Close() {
  // Held until the end: the control's release of its site may be our last other reference.
  ComPtr<IOleClientSite> self = ComPtr<IOleClientSite>::Retain(this);
  DisconnectEvents();
  if (!object_) return S_OK;
  ComPtr<IOleObject> object = std::move(object_);
  HRESULT hr = object->Close(OLECLOSE_NOSAVE);
  object->SetClientSite(nullptr);
  return hr;
}

ComPtr<IDispatch> ControlSite::Dispatch() const {
  ComPtr<IDispatch> dispatch;
  if (object_) object_.As(IID_IDispatch, &dispatch);
  return dispatch;
}

ComPtr<IUnknown> ControlSite::Control() const {
  ComPtr<IUnknown> unknown;
  if (object_) object_.As(IID_IUnknown, &unknown);
  return unknown;
}

HWND ControlSite::ControlWindow() const {
  if (!object_) return nullptr;
  ComPtr<IOleInPlaceObject> inPlace;
  HWND hwnd = nullptr;
  if (SUCCEEDED(object_.As(IID_IOleInPlaceObject, &inPlace))) inPlace->GetWindow(&hwnd);
  return hwnd;
}

HRESULT ControlSite::QueryInterface(REFIID riid, void** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (riid == IID_IUnknown || riid == IID_IOleClientSite) return ReturnInterface<IOleClientSite>(this, out);
  if (riid == IID_IOleWindow || riid == IID_IOleInPlaceSite || riid == IID_IOleInPlaceSiteEx)
    return ReturnInterface<IOleInPlaceSiteEx>(this, out);
  if (riid == IID_IOleInPlaceUIWindow || riid == IID_IOleInPlaceFrame)
    return ReturnInterface<IOleInPlaceFrame>(this, out);
  if (riid == IID_IDispatch) return ReturnInterface<IDispatch>(this, out);
  if (riid == IID_IServiceProvider) return ReturnInterface<IServiceProvider>(this, out);
  return E_NOINTERFACE;
}

void ControlSite::OfferService(REFGUID service, ComPtr<IUnknown> provider) {
  offeredService_ = service;
  serviceProvider_ = std::move(provider);
}

HRESULT ControlSite::QueryService(REFGUID service, REFIID riid, void** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (!serviceProvider_ || service != offeredService_) return E_NOINTERFACE;  // SVC_E_UNKNOWNSERVICE
  return serviceProvider_->QueryInterface(riid, out);
}

HRESULT ControlSite::GetMoniker(DWORD, DWORD, IMoniker** out) {
  if (out) *out = nullptr;
  return E_NOTIMPL;
}

HRESULT ControlSite::GetContainer(IOleContainer** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  return E_NOINTERFACE;
}

HRESULT ControlSite::GetWindow(HWND* out) {
  if (!out) return E_POINTER;
  *out = parent_;
  return S_OK;
}

HRESULT ControlSite::OnInPlaceActivate() {
  inPlaceActive_ = true;
  return S_OK;
}

HRESULT ControlSite::OnInPlaceDeactivate() {
  inPlaceActive_ = false;
  return S_OK;
}

HRESULT ControlSite::OnInPlaceActivateEx(BOOL* noRedraw, DWORD) {
  if (noRedraw) *noRedraw = FALSE;
  return OnInPlaceActivate();
}

HRESULT ControlSite::GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** document, LPRECT position,
                                      LPRECT clip, LPOLEINPLACEFRAMEINFO info) {
  if (!frame || !document || !position || !clip || !info) return E_POINTER;
  *frame = static_cast<IOleInPlaceFrame*>(this);
  AddRef();
  *document = nullptr;
  *position = rect_;
  *clip = rect_;
  info->cb = sizeof *info;
  info->fMDIApp = FALSE;
  info->hwndFrame = parent_;
  info->haccel = nullptr;
  info->cAccelEntries = 0;
  return S_OK;
}

HRESULT ControlSite::OnPosRectChange(LPCRECT position) {
  if (!position) return E_POINTER;
  return Move(*position);
}

HRESULT ControlSite::GetTypeInfoCount(UINT* count) {
  if (!count) return E_POINTER;
  *count = 0;
  return S_OK;
}

HRESULT ControlSite::GetTypeInfo(UINT, LCID, ITypeInfo** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  return DISP_E_BADINDEX;
}

HRESULT ControlSite::Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS*, VARIANT* result, EXCEPINFO*, UINT*) {
  if (!(flags & DISPATCH_PROPERTYGET)) return DISP_E_MEMBERNOTFOUND;
  if (!result) return E_POINTER;
  ::VariantInit(result);
  switch (id) {
    case DISPID_AMBIENT_USERMODE:
      V_VT(result) = VT_BOOL;
      V_BOOL(result) = VARIANT_TRUE;
      return S_OK;
    case DISPID_AMBIENT_UIDEAD:
    case DISPID_AMBIENT_SHOWHATCHING:
    case DISPID_AMBIENT_SHOWGRABHANDLES:
    case DISPID_AMBIENT_MESSAGEREFLECT:
    case DISPID_AMBIENT_DISPLAYASDEFAULT:
      V_VT(result) = VT_BOOL;
      V_BOOL(result) = VARIANT_FALSE;
      return S_OK;
    case DISPID_AMBIENT_LOCALEID:
      V_VT(result) = VT_I4;
      V_I4(result) = static_cast<LONG>(::GetUserDefaultLCID());
      return S_OK;
    case DISPID_AMBIENT_BACKCOLOR:
      V_VT(result) = VT_I4;
      V_I4(result) = static_cast<LONG>(::GetSysColor(COLOR_WINDOW));
      return S_OK;
    default:
      return DISP_E_MEMBERNOTFOUND;
  }
}

}  // namespace tavolen
