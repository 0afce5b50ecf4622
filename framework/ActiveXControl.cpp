#include "framework/ActiveXControl.h"

#include "framework/ComEnumerator.h"
#include "framework/Module.h"
#include "framework/UniqueBstr.h"

#include <olectl.h>

namespace tavolen {
namespace {

constexpr DWORD kSafetyOptions = INTERFACESAFE_FOR_UNTRUSTED_CALLER | INTERFACESAFE_FOR_UNTRUSTED_DATA;

}  // namespace

ActiveXControl::ControlWindowImpl::ControlWindowImpl(ActiveXControl& owner)
    : Window(L"TavolenActiveXControl", CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS), owner_(owner) {}

LRESULT ActiveXControl::ControlWindowImpl::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  return owner_.OnMessage(message, wParam, lParam);
}

ActiveXControl::ActiveXControl(const ControlDescription& description)
    : description_(description), connectionPoint_(this, description.events), window_(*this) {}

ActiveXControl::~ActiveXControl() = default;

void ActiveXControl::FinalRelease() {
  OnFinalRelease();
  connectionPoint_.DisconnectAll();
  window_.Destroy();
  inPlaceFrame_.reset();
  inPlaceDocument_.reset();
  inPlaceSite_.reset();
  clientSite_.reset();
  adviseHolder_.reset();
  viewSink_.reset();
}

// ---- IUnknown

HRESULT ActiveXControl::QueryInterface(REFIID riid, void** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (riid == IID_IUnknown || riid == IID_IDispatch || riid == description_.dispatch)
    return ReturnInterface<IDispatch>(this, out);
  if (riid == IID_IConnectionPointContainer) return ReturnInterface<IConnectionPointContainer>(this, out);
  if (riid == IID_IProvideClassInfo || riid == IID_IProvideClassInfo2)
    return ReturnInterface<IProvideClassInfo2>(this, out);
  if (riid == IID_IOleObject) return ReturnInterface<IOleObject>(this, out);
  if (riid == IID_IOleWindow || riid == IID_IOleInPlaceObject) return ReturnInterface<IOleInPlaceObject>(this, out);
  if (riid == IID_IOleInPlaceActiveObject) return ReturnInterface<IOleInPlaceActiveObject>(this, out);
  if (riid == IID_IOleControl) return ReturnInterface<IOleControl>(this, out);
  if (riid == IID_IViewObject || riid == IID_IViewObject2) return ReturnInterface<IViewObject2>(this, out);
  if (riid == IID_IPersist || riid == IID_IPersistStreamInit) return ReturnInterface<IPersistStreamInit>(this, out);
  if (riid == IID_IPersistPropertyBag) return ReturnInterface<IPersistPropertyBag>(this, out);
  if (riid == IID_IObjectSafety) return ReturnInterface<IObjectSafety>(this, out);
  if (riid == IID_ISpecifyPropertyPages) return ReturnInterface<ISpecifyPropertyPages>(this, out);
  return E_NOINTERFACE;
}

// ---- IDispatch

HRESULT ActiveXControl::LoadTypeLibrary(ComPtr<ITypeLib>* out) {
  if (!typeLibrary_) {
    // The registered library first; the module's own resource when it is not registered.
    if (FAILED(::LoadRegTypeLib(description_.libid, description_.majorVersion, description_.minorVersion,
                                ::GetUserDefaultLCID(), typeLibrary_.put()))) {
      HRESULT hr = ::LoadTypeLibEx(ModuleFileName().c_str(), REGKIND_NONE, typeLibrary_.put());
      if (FAILED(hr)) return hr;
    }
  }
  *out = typeLibrary_.Clone();
  return S_OK;
}

HRESULT ActiveXControl::GetTypeInfoCount(UINT* count) {
  if (!count) return E_POINTER;
  *count = 1;
  return S_OK;
}

HRESULT ActiveXControl::GetTypeInfo(UINT index, LCID, ITypeInfo** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (index != 0) return DISP_E_BADINDEX;
  ComPtr<ITypeLib> library;
  HRESULT hr = LoadTypeLibrary(&library);
  if (FAILED(hr)) return hr;
  return library->GetTypeInfoOfGuid(description_.dispatch, out);
}

HRESULT ActiveXControl::GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
  if (riid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
  return DispatchGetIDsOfNames(DispatchMembers(), names, count, ids);
}

HRESULT ActiveXControl::Invoke(DISPID id, REFIID riid, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                               EXCEPINFO*, UINT* argErr) {
  // Held for the call: a member may make the page drop its last reference.
  ComPtr<IDispatch> self = ComPtr<IDispatch>::Retain(this);
  return DispatchInvoke(DispatchMembers(), id, riid, flags, params, result, argErr,
                        [this](DISPID member, const std::vector<VARIANT>& args, VARIANT* value) {
                          return Invoke(member, args, value);
                        });
}

// ---- Events

void ActiveXControl::FireEvent(DISPID id, const std::vector<UniqueVariant>& args) {
  if (frozen_ > 0 || connectionPoint_.ConnectionCount() == 0) return;
  std::vector<VARIANT> values;
  values.reserve(args.size());
  for (const UniqueVariant& arg : args) values.push_back(*arg.get());  // borrowed for the call
  ComPtr<IDispatch> self = ComPtr<IDispatch>::Retain(this);
  connectionPoint_.Fire(id, values);
}

HRESULT ActiveXControl::EnumConnectionPoints(IEnumConnectionPoints** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  auto enumerator = MakeComObject<ConnectionPointEnumerator>(std::vector<IConnectionPoint*>{&connectionPoint_});
  if (!enumerator) return E_OUTOFMEMORY;
  *out = enumerator.detach();
  return S_OK;
}

HRESULT ActiveXControl::FindConnectionPoint(REFIID riid, IConnectionPoint** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (riid != description_.events) return CONNECT_E_NOCONNECTION;
  *out = &connectionPoint_;
  connectionPoint_.AddRef();
  return S_OK;
}

// ---- IProvideClassInfo2

HRESULT ActiveXControl::GetClassInfo(ITypeInfo** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  ComPtr<ITypeLib> library;
  HRESULT hr = LoadTypeLibrary(&library);
  if (FAILED(hr)) return hr;
  return library->GetTypeInfoOfGuid(description_.clsid, out);
}

HRESULT ActiveXControl::GetGUID(DWORD kind, GUID* out) {
  if (!out) return E_POINTER;
  if (kind != GUIDKIND_DEFAULT_SOURCE_DISP_IID) {
    *out = GUID_NULL;
    return E_INVALIDARG;
  }
  *out = description_.events;
  return S_OK;
}

// ---- IOleObject

HRESULT ActiveXControl::SetClientSite(IOleClientSite* site) {
  if (!site && inPlaceActive_) InPlaceDeactivate();
  clientSite_ = ComPtr<IOleClientSite>::Retain(site);
  OnClientSiteChanged();
  return S_OK;
}

HRESULT ActiveXControl::GetClientSite(IOleClientSite** out) {
  if (!out) return E_POINTER;
  return clientSite_.CopyTo(out);
}

HRESULT ActiveXControl::Close(DWORD) {
  ComPtr<IDispatch> self = ComPtr<IDispatch>::Retain(this);
  InPlaceDeactivate();
  if (adviseHolder_) adviseHolder_->SendOnClose();
  return S_OK;
}

HRESULT ActiveXControl::DoVerb(LONG verb, LPMSG, IOleClientSite* activeSite, LONG, HWND parent, LPCRECT position) {
  if (activeSite && !clientSite_) {
    clientSite_ = ComPtr<IOleClientSite>::Retain(activeSite);
    OnClientSiteChanged();
  }
  switch (verb) {
    case OLEIVERB_PRIMARY:
    case OLEIVERB_SHOW:
    case OLEIVERB_INPLACEACTIVATE:
    case OLEIVERB_UIACTIVATE:
      return ActivateInPlace(verb, parent, position);
    case OLEIVERB_HIDE:
      if (window_.hwnd()) ::ShowWindow(window_.hwnd(), SW_HIDE);
      return S_OK;
    case OLEIVERB_PROPERTIES:
      return ShowPropertyPages(window_.hwnd() ? window_.hwnd() : parent);
    default:
      return verb < 0 ? E_NOTIMPL : OLEOBJ_S_INVALIDVERB;
  }
}

HRESULT ActiveXControl::ActivateInPlace(LONG verb, HWND parent, LPCRECT position) {
  if (!clientSite_) return E_UNEXPECTED;
  if (!inPlaceActive_) {
    ComPtr<IOleInPlaceSite> site;
    if (FAILED(clientSite_.As(IID_IOleInPlaceSite, &site))) return E_NOINTERFACE;
    if (site->CanInPlaceActivate() != S_OK) return E_FAIL;
    HRESULT hr = site->OnInPlaceActivate();
    if (FAILED(hr)) return hr;
    inPlaceSite_ = std::move(site);
    inPlaceActive_ = true;
  }

  HWND siteWindow = nullptr;
  if (FAILED(inPlaceSite_->GetWindow(&siteWindow)) || !siteWindow) siteWindow = parent;
  RECT pos{}, clip{};
  OLEINPLACEFRAMEINFO frameInfo{};
  frameInfo.cb = sizeof frameInfo;
  inPlaceFrame_.reset();
  inPlaceDocument_.reset();
  inPlaceSite_->GetWindowContext(inPlaceFrame_.put(), inPlaceDocument_.put(), &pos, &clip, &frameInfo);
  if (position) pos = *position;

  if (!window_.hwnd()) {
    if (!siteWindow) return E_UNEXPECTED;
    if (!window_.Create(siteWindow, nullptr, WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, 0, pos)) {
      return HRESULT_FROM_WIN32(::GetLastError());
    }
    OnWindowCreated();
    OnPositionChanged(pos);
  } else {
    SetObjectRects(&pos, &clip);
  }
  ::ShowWindow(window_.hwnd(), SW_SHOWNA);

  if (verb == OLEIVERB_UIACTIVATE) return ActivateUi();
  return S_OK;
}

HRESULT ActiveXControl::ActivateUi() {
  if (uiActive_) return S_OK;
  uiActive_ = true;
  inPlaceSite_->OnUIActivate();
  ::SetFocus(window_.hwnd());
  if (inPlaceFrame_) inPlaceFrame_->SetActiveObject(this, nullptr);
  if (inPlaceDocument_) inPlaceDocument_->SetActiveObject(this, nullptr);
  return S_OK;
}

HRESULT ActiveXControl::EnumVerbs(IEnumOLEVERB** out) {
  if (!out) return E_POINTER;
  return ::OleRegEnumVerbs(description_.clsid, out);
}

HRESULT ActiveXControl::GetUserClassID(CLSID* out) {
  if (!out) return E_POINTER;
  *out = description_.clsid;
  return S_OK;
}

HRESULT ActiveXControl::GetUserType(DWORD form, LPOLESTR* out) {
  if (!out) return E_POINTER;
  return ::OleRegGetUserType(description_.clsid, form, out);
}

HRESULT ActiveXControl::SetExtent(DWORD aspect, SIZEL* size) {
  if (!size) return E_POINTER;
  if (aspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
  extent_ = *size;
  return S_OK;
}

HRESULT ActiveXControl::GetExtent(DWORD aspect, SIZEL* size) {
  if (!size) return E_POINTER;
  if (aspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
  *size = extent_;
  return S_OK;
}

HRESULT ActiveXControl::Advise(IAdviseSink* sink, DWORD* cookie) {
  if (!cookie) return E_POINTER;
  *cookie = 0;
  if (!sink) return E_POINTER;
  if (!adviseHolder_) {
    HRESULT hr = ::CreateOleAdviseHolder(adviseHolder_.put());
    if (FAILED(hr)) return hr;
  }
  return adviseHolder_->Advise(sink, cookie);
}

HRESULT ActiveXControl::Unadvise(DWORD cookie) {
  if (!adviseHolder_) return OLE_E_NOCONNECTION;
  return adviseHolder_->Unadvise(cookie);
}

HRESULT ActiveXControl::EnumAdvise(IEnumSTATDATA** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (!adviseHolder_) return S_OK;
  return adviseHolder_->EnumAdvise(out);
}

HRESULT ActiveXControl::GetMiscStatus(DWORD, DWORD* status) {
  if (!status) return E_POINTER;
  *status = description_.miscStatus;
  return S_OK;
}

// ---- IOleWindow, IOleInPlaceObject

HRESULT ActiveXControl::GetWindow(HWND* out) {
  if (!out) return E_POINTER;
  *out = window_.hwnd();
  return *out ? S_OK : E_FAIL;
}

HRESULT ActiveXControl::InPlaceDeactivate() {
  if (!inPlaceActive_) return S_OK;
  ComPtr<IDispatch> self = ComPtr<IDispatch>::Retain(this);
  UIDeactivate();
  inPlaceActive_ = false;
  window_.Destroy();
  ComPtr<IOleInPlaceSite> site = std::move(inPlaceSite_);
  inPlaceFrame_.reset();
  inPlaceDocument_.reset();
  if (site) site->OnInPlaceDeactivate();
  return S_OK;
}

HRESULT ActiveXControl::UIDeactivate() {
  if (!uiActive_) return S_OK;
  uiActive_ = false;
  if (inPlaceFrame_) inPlaceFrame_->SetActiveObject(nullptr, nullptr);
  if (inPlaceDocument_) inPlaceDocument_->SetActiveObject(nullptr, nullptr);
  if (inPlaceSite_) inPlaceSite_->OnUIDeactivate(FALSE);
  return S_OK;
}

HRESULT ActiveXControl::SetObjectRects(LPCRECT position, LPCRECT) {
  if (!position) return E_POINTER;
  if (window_.hwnd()) {
    ::MoveWindow(window_.hwnd(), position->left, position->top, position->right - position->left,
                 position->bottom - position->top, TRUE);
  }
  OnPositionChanged(*position);
  return S_OK;
}

// ---- IOleControl

HRESULT ActiveXControl::GetControlInfo(CONTROLINFO* info) {
  if (!info) return E_POINTER;
  info->cb = sizeof *info;
  info->hAccel = nullptr;
  info->cAccel = 0;
  info->dwFlags = 0;
  return S_OK;
}

HRESULT ActiveXControl::FreezeEvents(BOOL freeze) {
  if (freeze)
    ++frozen_;
  else if (frozen_ > 0)
    --frozen_;
  return S_OK;
}

// ---- IViewObject2

HRESULT ActiveXControl::Draw(DWORD aspect, LONG, void*, DVTARGETDEVICE*, HDC, HDC drawDc, LPCRECTL bounds, LPCRECTL,
                             BOOL(STDMETHODCALLTYPE*)(ULONG_PTR), ULONG_PTR) {
  if (aspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
  if (!drawDc || !bounds) return E_INVALIDARG;
  RECT rect{bounds->left, bounds->top, bounds->right, bounds->bottom};
  OnDraw(drawDc, rect);
  return S_OK;
}

HRESULT ActiveXControl::SetAdvise(DWORD aspects, DWORD flags, IAdviseSink* sink) {
  viewAspects_ = aspects;
  viewFlags_ = flags;
  viewSink_ = ComPtr<IAdviseSink>::Retain(sink);
  return S_OK;
}

HRESULT ActiveXControl::GetAdvise(DWORD* aspects, DWORD* flags, IAdviseSink** sink) {
  if (aspects) *aspects = viewAspects_;
  if (flags) *flags = viewFlags_;
  if (sink) viewSink_.CopyTo(sink);
  return S_OK;
}

HRESULT ActiveXControl::GetExtent(DWORD aspect, LONG, DVTARGETDEVICE*, LPSIZEL size) {
  return GetExtent(aspect, size);
}

// ---- Persistence

HRESULT ActiveXControl::GetClassID(CLSID* out) {
  if (!out) return E_POINTER;
  *out = description_.clsid;
  return S_OK;
}

HRESULT ActiveXControl::GetSizeMax(ULARGE_INTEGER* size) {
  if (!size) return E_POINTER;
  size->QuadPart = 0;
  return S_OK;
}

// ---- IObjectSafety

bool ActiveXControl::IsSafetyInterface(REFIID riid) const {
  return riid == IID_IDispatch || riid == description_.dispatch || riid == IID_IPersistStreamInit ||
         riid == IID_IPersistPropertyBag;
}

HRESULT ActiveXControl::GetInterfaceSafetyOptions(REFIID riid, DWORD* supported, DWORD* enabled) {
  if (!supported || !enabled) return E_POINTER;
  *supported = 0;
  *enabled = 0;
  if (!IsSafetyInterface(riid)) return E_NOINTERFACE;
  *supported = kSafetyOptions;
  *enabled = safetyEnabled_;
  return S_OK;
}

HRESULT ActiveXControl::SetInterfaceSafetyOptions(REFIID riid, DWORD mask, DWORD enabled) {
  if (!IsSafetyInterface(riid)) return E_NOINTERFACE;
  if ((mask & ~kSafetyOptions) != 0) return E_FAIL;
  safetyEnabled_ = (safetyEnabled_ & ~mask) | (enabled & mask);
  return S_OK;
}

// ---- ISpecifyPropertyPages

HRESULT ActiveXControl::GetPages(CAUUID* pages) {
  if (!pages) return E_POINTER;
  pages->cElems = 0;
  pages->pElems = nullptr;
  if (description_.propertyPage == GUID_NULL) return S_OK;
  pages->pElems = static_cast<GUID*>(::CoTaskMemAlloc(sizeof(GUID)));
  if (!pages->pElems) return E_OUTOFMEMORY;
  pages->pElems[0] = description_.propertyPage;
  pages->cElems = 1;
  return S_OK;
}

HRESULT ActiveXControl::ShowPropertyPages(HWND owner) {
  if (description_.propertyPage == GUID_NULL) return E_NOTIMPL;
  LPOLESTR typeName = nullptr;
  UniqueBstr caption(std::wstring_view(L"Control"));
  if (SUCCEEDED(::OleRegGetUserType(description_.clsid, USERCLASSTYPE_SHORT, &typeName)) && typeName) {
    caption = UniqueBstr(std::wstring_view(typeName));
    ::CoTaskMemFree(typeName);
  }
  IUnknown* objects[] = {static_cast<IDispatch*>(this)};
  CLSID page = description_.propertyPage;
  return ::OleCreatePropertyFrame(owner, 0, 0, caption.get(), 1, objects, 1, &page, LOCALE_USER_DEFAULT, 0, nullptr);
}

// ---- The control window

LRESULT ActiveXControl::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_PAINT) {
    PAINTSTRUCT paint;
    HDC dc = ::BeginPaint(window_.hwnd(), &paint);
    RECT client{};
    ::GetClientRect(window_.hwnd(), &client);
    OnDraw(dc, client);
    ::EndPaint(window_.hwnd(), &paint);
    return 0;
  }
  if (message == WM_ERASEBKGND) return 1;  // WM_PAINT covers the whole client area
  return DefaultMessage(message, wParam, lParam);
}

void ActiveXControl::OnDraw(HDC dc, const RECT& bounds) {
  ::FillRect(dc, &bounds, static_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH)));
}

}  // namespace tavolen
