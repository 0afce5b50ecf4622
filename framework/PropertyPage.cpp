#include "framework/PropertyPage.h"

#include "framework/Module.h"

namespace tavolen {
namespace {

// DLGTEMPLATEEX begins with this; DLGTEMPLATE has style and size at other places.
#pragma pack(push, 1)
struct DialogTemplateExHeader {
  WORD dlgVer;
  WORD signature;
  DWORD helpID;
  DWORD exStyle;
  DWORD style;
  WORD cDlgItems;
  short x;
  short y;
  short cx;
  short cy;
};
#pragma pack(pop)

}  // namespace

PropertyPage::PropertyPage(UINT templateId, std::wstring title) : templateId_(templateId), title_(std::move(title)) {}

HRESULT PropertyPage::QueryInterface(REFIID riid, void** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (riid == IID_IUnknown || riid == IID_IPropertyPage || riid == IID_IPropertyPage2)
    return ReturnInterface<IPropertyPage2>(this, out);
  return E_NOINTERFACE;
}

HRESULT PropertyPage::SetPageSite(IPropertyPageSite* site) {
  site_ = ComPtr<IPropertyPageSite>::Retain(site);
  return S_OK;
}

HRESULT PropertyPage::Activate(HWND parent, LPCRECT rect, BOOL) {
  if (!rect) return E_POINTER;
  if (dialog_.hwnd()) return E_UNEXPECTED;
  if (!dialog_.Create(parent, templateId_)) return E_FAIL;
  return Move(rect);
}

HRESULT PropertyPage::Deactivate() {
  dialog_.Destroy();
  return S_OK;
}

SIZE PropertyPage::TemplateSize() const {
  SIZE size{0, 0};
  HRSRC found = ::FindResourceW(ModuleInstance(), MAKEINTRESOURCEW(templateId_), MAKEINTRESOURCEW(5) /* RT_DIALOG */);
  if (!found) return size;
  HGLOBAL loaded = ::LoadResource(ModuleInstance(), found);
  const void* data = loaded ? ::LockResource(loaded) : nullptr;
  if (!data || ::SizeofResource(ModuleInstance(), found) < sizeof(DialogTemplateExHeader)) return size;
  short cx = 0, cy = 0;
  const auto* ex = static_cast<const DialogTemplateExHeader*>(data);
  if (ex->dlgVer == 1 && ex->signature == 0xFFFF) {
    cx = ex->cx;
    cy = ex->cy;
  } else {
    const auto* plain = static_cast<const DLGTEMPLATE*>(data);
    cx = plain->cx;
    cy = plain->cy;
  }
  // Dialog units to pixels with the system font's base units (the frame's own scaling).
  LONG base = ::GetDialogBaseUnits();
  size.cx = ::MulDiv(cx, LOWORD(base), 4);
  size.cy = ::MulDiv(cy, HIWORD(base), 8);
  return size;
}

HRESULT PropertyPage::GetPageInfo(PROPPAGEINFO* info) {
  if (!info) return E_POINTER;
  const size_t bytes = (title_.size() + 1) * sizeof(wchar_t);
  auto* title = static_cast<LPOLESTR>(::CoTaskMemAlloc(bytes));
  if (!title) return E_OUTOFMEMORY;
  ::CopyMemory(title, title_.c_str(), bytes);
  info->cb = sizeof *info;
  info->pszTitle = title;
  info->size = TemplateSize();
  info->pszDocString = nullptr;
  info->pszHelpFile = nullptr;
  info->dwHelpContext = 0;
  return S_OK;
}

HRESULT PropertyPage::SetObjects(ULONG count, IUnknown** objects) {
  if (count > 0 && !objects) return E_POINTER;
  objects_.clear();
  for (ULONG i = 0; i < count; ++i) objects_.push_back(ComPtr<IUnknown>::Retain(objects[i]));
  return S_OK;
}

HRESULT PropertyPage::Show(UINT command) {
  if (!dialog_.hwnd()) return E_UNEXPECTED;
  ::ShowWindow(dialog_.hwnd(), command);
  return S_OK;
}

HRESULT PropertyPage::Move(LPCRECT rect) {
  if (!rect) return E_POINTER;
  if (!dialog_.hwnd()) return E_UNEXPECTED;
  ::MoveWindow(dialog_.hwnd(), rect->left, rect->top, rect->right - rect->left, rect->bottom - rect->top, TRUE);
  return S_OK;
}

HRESULT CreatePropertyPage(UINT templateId, const wchar_t* title, REFIID riid, void** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  ComPtr<PropertyPage> page = MakeComObject<PropertyPage>(templateId, title ? title : L"");
  if (!page) return E_OUTOFMEMORY;
  return page->QueryInterface(riid, out);
}

}  // namespace tavolen
