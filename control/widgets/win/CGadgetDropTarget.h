#pragma once
// The OLE drop target of the gadget's windows. It takes no data itself (the windows get
// their files through WM_DROPFILES); it remembers the keys and buttons with which the
// last drag entered any gadget window of the process, so that the drop handlers can tell
// a right-button, Ctrl or Shift drag.
#include <windows.h>
#include <oleidl.h>

#include <cstdint>

#include "framework/ComObject.h"

namespace tavolen {

// MK_* flags of the most recent drag-enter on any registered gadget window. Written and
// read on the window thread only.
uint32_t LastDragKeyState();

class CGadgetDropTarget : public ComObjectBase, public IDropTarget {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override;
  COM_OBJECT_REFCOUNT

  HRESULT STDMETHODCALLTYPE DragEnter(IDataObject* data, DWORD keyState, POINTL point, DWORD* effect) override;
  HRESULT STDMETHODCALLTYPE DragOver(DWORD keyState, POINTL point, DWORD* effect) override;
  HRESULT STDMETHODCALLTYPE DragLeave() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE Drop(IDataObject* data, DWORD keyState, POINTL point, DWORD* effect) override;
};

// Registers a drop target on a window; the owner revokes it while the window still
// exists (at WM_DESTROY), since OLE keeps the target until then. Moves, never copies.
class DropTargetRegistration {
 public:
  DropTargetRegistration() = default;
  explicit DropTargetRegistration(HWND window);
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
