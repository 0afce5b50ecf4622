#pragma once
// The OLE drop target of the gadget's windows. It takes no data itself (the windows get
// their files through WM_DROPFILES); it remembers, in the row host, the keys and buttons
// with which the last drag entered any gadget window, so that the drop handlers can tell
// a right-button, Ctrl or Shift drag. Called by OLE on the window thread that registered it.
#include <windows.h>
#include <oleidl.h>

#include <cstdint>

#include "control/widgets/win/RowHost.h"
#include "framework/ComObject.h"

namespace tavolen {

class CGadgetDropTarget : public ComObjectBase, public IDropTarget {
 public:
  explicit CGadgetDropTarget(RowHost& host) : host_(host) {}

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override;
  COM_OBJECT_REFCOUNT

  HRESULT STDMETHODCALLTYPE DragEnter(IDataObject* data, DWORD keyState, POINTL point, DWORD* effect) override;
  HRESULT STDMETHODCALLTYPE DragOver(DWORD keyState, POINTL point, DWORD* effect) override;
  HRESULT STDMETHODCALLTYPE DragLeave() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE Drop(IDataObject* data, DWORD keyState, POINTL point, DWORD* effect) override;

 private:
  RowHost& host_;
};

// Registers a drop target on a window; the owner revokes it while the window still
// exists (at WM_DESTROY), since OLE keeps the target until then. Moves, never copies.
class DropTargetRegistration {
 public:
  DropTargetRegistration() = default;
  DropTargetRegistration(HWND window, RowHost& host);
  ~DropTargetRegistration() { Revoke(); }
  DropTargetRegistration(DropTargetRegistration&& other) noexcept : window_(other.window_) { other.window_ = nullptr; }
  DropTargetRegistration& operator=(DropTargetRegistration&& other) noexcept;
  DropTargetRegistration(const DropTargetRegistration&) = delete;
  DropTargetRegistration& operator=(const DropTargetRegistration&) = delete;
  void Revoke();

 private:
  HWND window_ = nullptr;
};

}  // namespace tavolen
