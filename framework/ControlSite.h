#pragma once
// A minimal OLE container site for one ActiveX control inside a window we own: creates the
// control (by CLSID or ProgID), gives it a client site, in-place site, frame and ambient
// properties, activates it in place at a rectangle of the parent window, moves it, hands
// out its IDispatch and connects an event sink to its default source interface.
//
// Lifetime: reference counted (the control holds the site while it is its client site).
// The owner calls Close() before letting go of its reference: Close unadvises the sink,
// closes the control, takes the site away from it and releases it, which breaks the
// site-control cycle. The parent window must outlive the open control.
#include "framework/ComObject.h"
#include "framework/EventSink.h"

#include <windows.h>

#include <ocidl.h>
#include <oleidl.h>
#include <servprov.h>

namespace tavolen {

class ControlSite : public ComObjectBase,
                    public IOleClientSite,
                    public IOleInPlaceSiteEx,
                    public IOleInPlaceFrame,
                    public IServiceProvider,
                    public IDispatch {
 public:
  static ComPtr<ControlSite> Create(HWND parent);
  explicit ControlSite(HWND parent) : parent_(parent) {}

  // Creates the control and activates it in place at `rect` (parent's client coordinates).
  HRESULT CreateControl(REFCLSID clsid, const RECT& rect);
  // `name` is a ProgID or a CLSID in braces.
  HRESULT CreateControl(const wchar_t* name, const RECT& rect);
  // Hosts a control the caller created (from a class factory of its own finding).
  HRESULT CreateControl(ComPtr<IOleObject> object, const RECT& rect);
  // New position and clip rectangle (IOleInPlaceObject::SetObjectRects).
  HRESULT Move(const RECT& rect);
  HRESULT DoVerb(LONG verb);
  // Advises an EventSink with `callback` on the control's default source interface.
  HRESULT ConnectEvents(EventSink::Callback callback);
  void DisconnectEvents();
  HRESULT Close();

  ComPtr<IDispatch> Dispatch() const;
  ComPtr<IUnknown> Control() const;
  HWND ControlWindow() const;
  HWND Parent() const { return parent_; }
  bool InPlaceActive() const { return inPlaceActive_; }
  const RECT& Rect() const { return rect_; }
  // A service the site offers its control through IServiceProvider (none by default: the
  // site is local code, not a browser). Hands the control `provider` queried for the
  // interface it asks.
  void OfferService(REFGUID service, ComPtr<IUnknown> provider);

  // IUnknown
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override;
  COM_OBJECT_REFCOUNT

  // IOleClientSite
  HRESULT STDMETHODCALLTYPE SaveObject() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE GetMoniker(DWORD, DWORD, IMoniker** out) override;
  HRESULT STDMETHODCALLTYPE GetContainer(IOleContainer** out) override;
  HRESULT STDMETHODCALLTYPE ShowObject() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE OnShowWindow(BOOL) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE RequestNewObjectLayout() override { return E_NOTIMPL; }

  // IOleWindow (through the in-place site and the frame)
  HRESULT STDMETHODCALLTYPE GetWindow(HWND* out) override;
  HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }

  // IOleInPlaceSite, IOleInPlaceSiteEx
  HRESULT STDMETHODCALLTYPE CanInPlaceActivate() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE OnInPlaceActivate() override;
  HRESULT STDMETHODCALLTYPE OnUIActivate() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** document, LPRECT position,
                                             LPRECT clip, LPOLEINPLACEFRAMEINFO info) override;
  HRESULT STDMETHODCALLTYPE Scroll(SIZE) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE OnUIDeactivate(BOOL) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE OnInPlaceDeactivate() override;
  HRESULT STDMETHODCALLTYPE DiscardUndoState() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE DeactivateAndUndo() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE OnPosRectChange(LPCRECT position) override;
  HRESULT STDMETHODCALLTYPE OnInPlaceActivateEx(BOOL* noRedraw, DWORD) override;
  HRESULT STDMETHODCALLTYPE OnInPlaceDeactivateEx(BOOL) override { return OnInPlaceDeactivate(); }
  HRESULT STDMETHODCALLTYPE RequestUIActivate() override { return S_OK; }

  // IOleInPlaceUIWindow, IOleInPlaceFrame: no tools, menus or status bar.
  HRESULT STDMETHODCALLTYPE GetBorder(LPRECT) override { return INPLACE_E_NOTOOLSPACE; }
  HRESULT STDMETHODCALLTYPE RequestBorderSpace(LPCBORDERWIDTHS) override { return INPLACE_E_NOTOOLSPACE; }
  HRESULT STDMETHODCALLTYPE SetBorderSpace(LPCBORDERWIDTHS) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE SetActiveObject(IOleInPlaceActiveObject*, LPCOLESTR) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE InsertMenus(HMENU, LPOLEMENUGROUPWIDTHS) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetMenu(HMENU, HOLEMENU, HWND) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE RemoveMenus(HMENU) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE SetStatusText(LPCOLESTR) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE EnableModeless(BOOL) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE TranslateAccelerator(LPMSG, WORD) override { return S_FALSE; }

  // IServiceProvider
  HRESULT STDMETHODCALLTYPE QueryService(REFGUID service, REFIID riid, void** out) override;

  // IDispatch: the ambient properties.
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** out) override;
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
    return DISP_E_UNKNOWNNAME;
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID riid, LCID lcid, WORD flags, DISPPARAMS* params, VARIANT* result,
                                   EXCEPINFO* exception, UINT* argErr) override;

 private:
  HWND parent_;
  RECT rect_{};
  ComPtr<IOleObject> object_;
  ComPtr<IConnectionPoint> eventPoint_;
  DWORD eventCookie_ = 0;
  bool inPlaceActive_ = false;
  GUID offeredService_ = GUID_NULL;
  ComPtr<IUnknown> serviceProvider_;
};

}  // namespace tavolen
