#include "control/widgets/win/CGadgetTransRichEdit.h"

#include "control/widgets/win/PanelMessages.h"

namespace tavolen {

bool CGadgetTransRichEdit::Attach(HWND panel, int id, RowHost& host) {
  if (!SubclassedControl::Attach(panel, id)) return false;
  dropTarget_ = DropTargetRegistration(hwnd(), host);
  return true;
}

LRESULT CGadgetTransRichEdit::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  const HWND panel = ::GetParent(hwnd());
  switch (message) {
    case WM_PAINT: {
      // Transparent: the panel's own painting shows through.
      ::ValidateRect(hwnd(), nullptr);
      return 0;
    }
    case WM_ERASEBKGND: return 1;
    case WM_LBUTTONDOWN: ::SendMessageW(panel, panel_message::kFlyout, 0, 0); break;
    case WM_MBUTTONDBLCLK: ::SendMessageW(panel, WM_MBUTTONDBLCLK, 0, 0); break;
    case WM_RBUTTONUP:
    case WM_RBUTTONDBLCLK: ::SendMessageW(panel, WM_RBUTTONDBLCLK, wParam, lParam); break;
    case WM_MOUSEMOVE: ::PostMessageW(panel, message, wParam, lParam); break;
    case WM_DESTROY: dropTarget_.Revoke(); break;
    default: break;
  }
  return DefaultHandler(message, wParam, lParam);
}

}  // namespace tavolen
