#include "control/widgets/win/CGadgetDropTarget.h"

namespace tavolen {

HRESULT CGadgetDropTarget::QueryInterface(REFIID riid, void** out) {
  if (!out) return E_POINTER;
  if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDropTarget)) return ReturnInterface<IDropTarget>(this, out);
  *out = nullptr;
  return E_NOINTERFACE;
}

HRESULT CGadgetDropTarget::DragEnter(IDataObject*, DWORD keyState, POINTL, DWORD* effect) {
  host_.SetLastDragKeyState(keyState);
  if (effect) *effect = DROPEFFECT_NONE;
  return S_OK;
}

HRESULT CGadgetDropTarget::DragOver(DWORD, POINTL, DWORD* effect) {
  if (effect) *effect = DROPEFFECT_NONE;
  return S_OK;
}

HRESULT CGadgetDropTarget::Drop(IDataObject*, DWORD, POINTL, DWORD* effect) {
  if (effect) *effect = DROPEFFECT_NONE;
  return S_OK;
}

DropTargetRegistration::DropTargetRegistration(HWND window, RowHost& host) {
  ComPtr<CGadgetDropTarget> target = MakeComObject<CGadgetDropTarget>(host);
  // The registration holds the target (OLE keeps its own reference) until revoked.
  if (target && SUCCEEDED(::RegisterDragDrop(window, target.get()))) window_ = window;
}

DropTargetRegistration& DropTargetRegistration::operator=(DropTargetRegistration&& other) noexcept {
  if (this != &other) {
    Revoke();
    window_ = other.window_;
    other.window_ = nullptr;
  }
  return *this;
}

void DropTargetRegistration::Revoke() {
  if (window_ && ::IsWindow(window_)) ::RevokeDragDrop(window_);
  window_ = nullptr;
}

}  // namespace tavolen
