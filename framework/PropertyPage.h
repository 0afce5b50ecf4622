#pragma once
// A property page with nothing to edit: shows the dialog template it is given (a child
// template, WS_CHILD) inside the property frame. The objects it is given are held from
// SetObjects until SetObjects(0) or its release; the page window lives from Activate to
// Deactivate.
#include "framework/ComObject.h"
#include "framework/Dialog.h"

#include <windows.h>

#include <ocidl.h>

#include <string>
#include <vector>

namespace tavolen {

class PropertyPage : public ComObjectBase, public IPropertyPage2 {
 public:
  PropertyPage(UINT templateId, std::wstring title);

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override;
  COM_OBJECT_REFCOUNT

  HRESULT STDMETHODCALLTYPE SetPageSite(IPropertyPageSite* site) override;
  HRESULT STDMETHODCALLTYPE Activate(HWND parent, LPCRECT rect, BOOL modal) override;
  HRESULT STDMETHODCALLTYPE Deactivate() override;
  HRESULT STDMETHODCALLTYPE GetPageInfo(PROPPAGEINFO* info) override;
  HRESULT STDMETHODCALLTYPE SetObjects(ULONG count, IUnknown** objects) override;
  HRESULT STDMETHODCALLTYPE Show(UINT command) override;
  HRESULT STDMETHODCALLTYPE Move(LPCRECT rect) override;
  HRESULT STDMETHODCALLTYPE IsPageDirty() override { return S_FALSE; }
  HRESULT STDMETHODCALLTYPE Apply() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE Help(LPCOLESTR) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE TranslateAccelerator(MSG*) override { return S_FALSE; }
  HRESULT STDMETHODCALLTYPE EditProperty(DISPID) override { return E_NOTIMPL; }

 private:
  class PageDialog : public Dialog {
   protected:
    INT_PTR HandleMessage(UINT message, WPARAM, LPARAM) override { return message == WM_INITDIALOG; }
  };

  SIZE TemplateSize() const;

  UINT templateId_;
  std::wstring title_;
  PageDialog dialog_;
  ComPtr<IPropertyPageSite> site_;
  std::vector<ComPtr<IUnknown>> objects_;
};

// A class factory creation function for a page: template and title fixed by the caller.
HRESULT CreatePropertyPage(UINT templateId, const wchar_t* title, REFIID riid, void** out);

}  // namespace tavolen
