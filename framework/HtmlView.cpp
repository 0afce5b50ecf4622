#include "framework/HtmlView.h"

#include <exdisp.h>
#include <exdispid.h>
#include <mshtmhst.h>
#include <shlwapi.h>
#include <wininet.h>

#include <vector>

#include "framework/ComObject.h"
#include "framework/EventSink.h"
#include "framework/UniqueBstr.h"
#include "framework/UniqueVariant.h"
#include "framework/Utf16.h"

namespace tavolen {

// Our control site with a document host: the browser asks it for its flags and for the
// context menu.
class BrowserSite : public ControlSite, public IDocHostUIHandler {
 public:
  BrowserSite(HWND parent, std::function<void(POINT)> contextMenu)
      : ControlSite(parent), contextMenu_(std::move(contextMenu)) {}

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
    if (out && riid == IID_IDocHostUIHandler) return ReturnInterface<IDocHostUIHandler>(this, out);
    return ControlSite::QueryInterface(riid, out);
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ControlSite::AddRef(); }
  ULONG STDMETHODCALLTYPE Release() override { return ControlSite::Release(); }

  HRESULT STDMETHODCALLTYPE ShowContextMenu(DWORD, POINT* at, IUnknown*, IDispatch*) override {
    if (at && contextMenu_) contextMenu_(*at);
    return S_OK;  // handled: the browser's own menu never shows
  }
  HRESULT STDMETHODCALLTYPE GetHostInfo(DOCHOSTUIINFO* info) override {
    if (!info) return E_POINTER;
    info->dwFlags |= DOCHOSTUIFLAG_DIALOG | DOCHOSTUIFLAG_THEME;
    info->dwDoubleClick = DOCHOSTUIDBLCLK_DEFAULT;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE ShowUI(DWORD, IOleInPlaceActiveObject*, IOleCommandTarget*, IOleInPlaceFrame*,
                                   IOleInPlaceUIWindow*) override {
    return S_FALSE;
  }
  HRESULT STDMETHODCALLTYPE HideUI() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE UpdateUI() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE EnableModeless(BOOL) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE OnDocWindowActivate(BOOL) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE OnFrameWindowActivate(BOOL) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE ResizeBorder(LPCRECT, IOleInPlaceUIWindow*, BOOL) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE TranslateAccelerator(LPMSG, const GUID*, DWORD) override { return S_FALSE; }
  HRESULT STDMETHODCALLTYPE GetOptionKeyPath(LPOLESTR* key, DWORD) override {
    if (key) *key = nullptr;
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE GetDropTarget(IDropTarget*, IDropTarget** out) override {
    if (out) *out = nullptr;
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE GetExternal(IDispatch** out) override {
    if (out) *out = nullptr;
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE TranslateUrl(DWORD, LPWSTR, LPWSTR* out) override {
    if (out) *out = nullptr;
    return S_FALSE;
  }
  HRESULT STDMETHODCALLTYPE FilterDataObject(IDataObject*, IDataObject** out) override {
    if (out) *out = nullptr;
    return S_FALSE;
  }
  using ControlSite::EnableModeless;
  using ControlSite::TranslateAccelerator;

 private:
  std::function<void(POINT)> contextMenu_;
};

namespace {

// A page element's event handler: the element calls it as its default member.
class ElementEventHandler : public ComObjectBase, public IDispatch {
 public:
  ElementEventHandler(HtmlView& view, std::function<bool()> handler) : view_(view), handler_(std::move(handler)) {}

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (riid == IID_IUnknown || riid == IID_IDispatch) return ReturnInterface<IDispatch>(this, out);
    return E_NOINTERFACE;
  }
  COM_OBJECT_REFCOUNT
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    if (count) *count = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** out) override {
    if (out) *out = nullptr;
    return DISP_E_BADINDEX;
  }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
    return DISP_E_UNKNOWNNAME;
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS*, VARIANT* result, EXCEPINFO*,
                                   UINT*) override {
    if (id != DISPID_VALUE) return DISP_E_MEMBERNOTFOUND;
    const bool runDefault = handler_();
    if (!runDefault) view_.CancelEvent();
    if (result) {
      ::VariantInit(result);
      V_VT(result) = VT_BOOL;
      V_BOOL(result) = runDefault ? VARIANT_TRUE : VARIANT_FALSE;
    }
    return S_OK;
  }

 private:
  HtmlView& view_;
  std::function<bool()> handler_;
};

HRESULT InvokeByName(IDispatch* target, const wchar_t* name, WORD flags, DISPPARAMS* params, VARIANT* result) {
  DISPID id = DISPID_UNKNOWN;
  LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
  HRESULT hr = target->GetIDsOfNames(IID_NULL, names, 1, LOCALE_SYSTEM_DEFAULT, &id);
  if (FAILED(hr)) return hr;
  UniqueVariant ignored;
  UINT argErr = 0;
  return target->Invoke(id, IID_NULL, LOCALE_SYSTEM_DEFAULT, flags, params, result ? result : ignored.put(), nullptr,
                        &argErr);
}

}  // namespace

HtmlView::HtmlView() = default;
HtmlView::~HtmlView() { Close(); }

bool HtmlView::Open(HWND parent, Callbacks callbacks) {
  callbacks_ = std::move(callbacks);
  site_ = MakeComObject<BrowserSite>(parent, [this](POINT p) {
    if (callbacks_.contextMenu) callbacks_.contextMenu(p);
  });
  if (!site_) return false;
  RECT client{};
  ::GetClientRect(parent, &client);
  if (FAILED(site_->CreateControl(CLSID_WebBrowser, client))) return false;
  const ComPtr<IUnknown> control = site_->Control();
  if (!control || FAILED(control.As(IID_IWebBrowser2, &browser_))) return false;
  ComPtr<IConnectionPointContainer> container;
  if (FAILED(browser_.As(IID_IConnectionPointContainer, &container)) ||
      FAILED(container->FindConnectionPoint(DIID_DWebBrowserEvents2, eventPoint_.put())))
    return false;
  ComPtr<EventSink> sink = MakeComObject<EventSink>(
      DIID_DWebBrowserEvents2, [this](DISPID id, const std::vector<VARIANT>& args) { OnBrowserEvent(id, args); });
  return sink && SUCCEEDED(eventPoint_->Advise(static_cast<IDispatch*>(sink.get()), &eventCookie_));
}

bool HtmlView::Navigate(const std::wstring& url) {
  if (!browser_) return false;
  UniqueBstr address(::SysAllocString(url.c_str()));
  return SUCCEEDED(browser_->Navigate(address.get(), nullptr, nullptr, nullptr, nullptr));
}

void HtmlView::Fill(const RECT& client) {
  if (site_) site_->Move(client);
}

void HtmlView::Close() {
  if (eventPoint_) eventPoint_->Unadvise(eventCookie_);
  eventPoint_.reset();
  browser_.reset();
  if (site_) site_->Close();
  site_.reset();
}

void HtmlView::OnBrowserEvent(DISPID id, const std::vector<VARIANT>& args) {
  if (id != DISPID_DOCUMENTCOMPLETE || args.size() < 2 || !callbacks_.documentComplete) return;
  // Frames complete too; only the top document is the page.
  ComPtr<IUnknown> which, top;
  if (V_VT(&args[0]) == VT_DISPATCH && V_DISPATCH(&args[0]))
    V_DISPATCH(&args[0])->QueryInterface(IID_IUnknown, which.put_void());
  if (browser_) browser_.As(IID_IUnknown, &top);
  if (which.get() != top.get()) return;
  const VARIANT& url = V_VT(&args[1]) == (VT_BYREF | VT_VARIANT) ? *V_VARIANTREF(&args[1]) : args[1];
  std::u16string text;
  if (V_VT(&url) == VT_BSTR && V_BSTR(&url)) text = ToUtf16(V_BSTR(&url));
  callbacks_.documentComplete(text);
}

ComPtr<IHTMLDocument2> HtmlView::Document() const {
  ComPtr<IHTMLDocument2> document;
  ComPtr<IDispatch> dispatch;
  if (browser_ && SUCCEEDED(browser_->get_Document(dispatch.put())) && dispatch)
    dispatch.As(IID_IHTMLDocument2, &document);
  return document;
}

bool HtmlView::Complete() const {
  const ComPtr<IHTMLDocument2> document = Document();
  UniqueBstr state;
  return document && SUCCEEDED(document->get_readyState(state.put())) && state.get() &&
         ::lstrcmpW(state.get(), L"complete") == 0;
}

ComPtr<IHTMLElement> HtmlView::Element(const wchar_t* id) const {
  ComPtr<IHTMLElement> element;
  ComPtr<IHTMLDocument3> document;
  const ComPtr<IHTMLDocument2> document2 = Document();
  if (!document2 || FAILED(document2.As(IID_IHTMLDocument3, &document))) return element;
  UniqueBstr name(::SysAllocString(id));
  document->getElementById(name.get(), element.put());
  return element;
}

bool HtmlView::CallScript(const wchar_t* name) {
  const ComPtr<IHTMLDocument2> document = Document();
  ComPtr<IDispatch> script;
  if (!document || FAILED(document->get_Script(script.put())) || !script) return false;
  DISPPARAMS none{nullptr, nullptr, 0, 0};
  return SUCCEEDED(InvokeByName(script.get(), name, DISPATCH_METHOD, &none, nullptr));
}

bool HtmlView::AttachEvent(const wchar_t* id, const wchar_t* event, std::function<bool()> handler) {
  const ComPtr<IHTMLElement> element = Element(id);
  ComPtr<IHTMLElement2> element2;
  if (!element || FAILED(element.As(IID_IHTMLElement2, &element2))) return false;
  ComPtr<ElementEventHandler> sink = MakeComObject<ElementEventHandler>(*this, std::move(handler));
  if (!sink) return false;
  UniqueBstr name(::SysAllocString(event));
  VARIANT_BOOL attached = VARIANT_FALSE;
  return SUCCEEDED(element2->attachEvent(name.get(), static_cast<IDispatch*>(sink.get()), &attached)) &&
         attached == VARIANT_TRUE;
}

void HtmlView::CancelEvent() {
  const ComPtr<IHTMLDocument2> document = Document();
  ComPtr<IHTMLWindow2> window;
  ComPtr<IHTMLEventObj> event;
  if (!document || FAILED(document->get_parentWindow(window.put())) || !window ||
      FAILED(window->get_event(event.put())) || !event)
    return;
  VARIANT no;
  ::VariantInit(&no);
  V_VT(&no) = VT_BOOL;
  V_BOOL(&no) = VARIANT_FALSE;
  event->put_returnValue(no);
}

std::optional<SIZE> HtmlView::OffsetSize(const wchar_t* id) {
  const ComPtr<IHTMLElement> element = Element(id);
  long width = 0, height = 0;
  if (!element || FAILED(element->get_offsetWidth(&width)) || FAILED(element->get_offsetHeight(&height)))
    return std::nullopt;
  return SIZE{width, height};
}

bool HtmlView::SetText(const wchar_t* id, const std::wstring& text) {
  const ComPtr<IHTMLElement> element = Element(id);
  if (!element) return false;
  UniqueBstr value(::SysAllocStringLen(text.data(), UINT(text.size())));
  return SUCCEEDED(element->put_innerText(value.get()));
}

bool HtmlView::GetProperty(const wchar_t* id, const wchar_t* property, VARIANT* value) {
  const ComPtr<IHTMLElement> element = Element(id);
  if (!element) return false;
  DISPPARAMS none{nullptr, nullptr, 0, 0};
  return SUCCEEDED(InvokeByName(element.get(), property, DISPATCH_PROPERTYGET, &none, value));
}

bool HtmlView::SetProperty(const wchar_t* id, const wchar_t* property, const VARIANT& value) {
  const ComPtr<IHTMLElement> element = Element(id);
  if (!element) return false;
  VARIANT argument = value;
  DISPID named = DISPID_PROPERTYPUT;
  DISPPARAMS params{&argument, &named, 1, 1};
  return SUCCEEDED(InvokeByName(element.get(), property, DISPATCH_PROPERTYPUT, &params, nullptr));
}

}  // namespace tavolen

namespace tavolen {
namespace {

// The HTML document class {25336920-03F9-11CF-8FD0-00AA00686F13} (MinGW's uuid library
// lacks it).
constexpr CLSID kHtmlDocument = {0x25336920, 0x03F9, 0x11CF, {0x8F, 0xD0, 0x00, 0xAA, 0x00, 0x68, 0x6F, 0x13}};

}  // namespace

bool HtmlEngineRenders() {
  ComPtr<IHTMLDocument2> document;
  if (FAILED(::CoCreateInstance(kHtmlDocument, nullptr, CLSCTX_INPROC_SERVER, IID_IHTMLDocument2,
                                document.put_void())))
    return false;
  ComPtr<IPersistStreamInit> persist;
  if (FAILED(document.As(IID_IPersistStreamInit, &persist)) || FAILED(persist->InitNew())) return false;
  const DWORD deadline = ::GetTickCount() + 2000;
  for (;;) {
    UniqueBstr state;
    if (SUCCEEDED(document->get_readyState(state.put())) && state.get() && ::lstrcmpW(state.get(), L"complete") == 0)
      return true;
    const DWORD now = ::GetTickCount();
    if (int(deadline - now) <= 0) return false;
    ::MsgWaitForMultipleObjects(0, nullptr, FALSE, deadline - now, QS_ALLINPUT);
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      ::TranslateMessage(&msg);
      ::DispatchMessageW(&msg);
    }
  }
}

std::wstring FileAddress(const std::wstring& path) {
  std::vector<wchar_t> url(INTERNET_MAX_URL_LENGTH);
  DWORD length = DWORD(url.size());
  if (FAILED(::UrlCreateFromPathW(path.c_str(), url.data(), &length, 0))) return L"file:///" + path;
  return std::wstring(url.data(), length);
}

}  // namespace tavolen
