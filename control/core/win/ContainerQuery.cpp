#include "control/core/win/ContainerQuery.h"

#include <exdisp.h>
#include <mshtml.h>
#include <servprov.h>
#include <shlguid.h>

#include "framework/ComPtr.h"
#include "framework/UniqueVariant.h"
#include "framework/Utf16.h"

namespace tavolen {

namespace {

// A text property read by name through IDispatch; empty when there is none.
std::u16string TextProperty(IUnknown* object, const wchar_t* name) {
  ComPtr<IDispatch> dispatch;
  if (!object || FAILED(object->QueryInterface(IID_IDispatch, dispatch.put_void()))) return {};
  DISPID id = DISPID_UNKNOWN;
  LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
  if (FAILED(dispatch->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id))) return {};
  DISPPARAMS none{};
  UniqueVariant value;
  if (FAILED(dispatch->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &none, value.put(), nullptr,
                              nullptr))) {
    return {};
  }
  if (V_VT(value.get()) != VT_BSTR || !V_BSTR(value.get())) return {};
  return std::u16string(AsUtf16(V_BSTR(value.get())), ::SysStringLen(V_BSTR(value.get())));
}

}  // namespace

ContainerSite DescribeContainer(IOleClientSite* site) {
  ContainerSite container;
  if (!site) return container;
  ComPtr<IServiceProvider> services;
  if (SUCCEEDED(site->QueryInterface(IID_IServiceProvider, services.put_void()))) {
    ComPtr<IUnknown> browser;
    if (SUCCEEDED(services->QueryService(SID_SWebBrowserApp, IID_IWebBrowser2, browser.put_void())) && browser) {
      container.browser = true;
      container.url = TextProperty(browser.get(), L"LocationURL");
      return container;
    }
  }
  ComPtr<IOleContainer> parent;
  if (SUCCEEDED(site->GetContainer(parent.put())) && parent) {
    ComPtr<IUnknown> document;
    if (SUCCEEDED(parent->QueryInterface(IID_IHTMLDocument2, document.put_void())) && document) {
      container.browser = true;
      container.url = TextProperty(document.get(), L"URL");
    }
  }
  return container;
}

}  // namespace tavolen
