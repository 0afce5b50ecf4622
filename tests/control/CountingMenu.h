#pragma once
// A stand-in for the shell's context menu object, for the rows' handling of the menu
// object a button hands over: counts the drawing messages it is given and tells when it
// is destroyed, so a test sees whether a row held or called it.
#include <windows.h>
#include <shlobj.h>

#include "framework/ComObject.h"

namespace tavolen::test {

class CountingMenu : public ComObjectBase, public IContextMenu2 {
 public:
  explicit CountingMenu(bool* gone) : gone_(gone) {}
  ~CountingMenu() override { *gone_ = true; }
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
    if (riid == IID_IUnknown || riid == IID_IContextMenu || riid == IID_IContextMenu2)
      return ReturnInterface<IContextMenu2>(this, out);
    *out = nullptr;
    return E_NOINTERFACE;
  }
  COM_OBJECT_REFCOUNT
  HRESULT STDMETHODCALLTYPE QueryContextMenu(HMENU, UINT, UINT, UINT, UINT) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE InvokeCommand(CMINVOKECOMMANDINFO*) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE GetCommandString(UINT_PTR, UINT, UINT*, LPSTR, UINT) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE HandleMenuMsg(UINT, WPARAM, LPARAM) override {
    ++drawn;
    return S_OK;
  }
  int drawn = 0;

 private:
  bool* gone_;
};

}  // namespace tavolen::test
