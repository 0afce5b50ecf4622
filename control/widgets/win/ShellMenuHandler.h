#pragma once
// The shell's context menu object of a menu that a button of a row has open. The row
// serves the menu's owner-drawn items and submenus through it (WM_DRAWITEM,
// WM_MEASUREITEM, WM_INITMENUPOPUP) and holds a reference of its own while it is open,
// so the object lives as long as the row may call it. The button hands it over for the
// life of a scope, which takes it back on every way out of the menu. Window thread only.
#include <windows.h>
#include <shlobj.h>

#include <optional>

#include "control/widgets/win/PanelMessages.h"
#include "framework/ComPtr.h"

namespace tavolen {

class ShellMenuHandler {
 public:
  // The row's handling of kMenuHandler and of the menu's drawing messages: the dialog
  // result when `message` was one of them, none otherwise.
  std::optional<LRESULT> Handle(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
      case panel_message::kMenuHandler:
        handler_ = ComPtr<IContextMenu2>::Retain(reinterpret_cast<IContextMenu2*>(wParam));
        return 1;
      case WM_DRAWITEM:
      case WM_MEASUREITEM:
      case WM_INITMENUPOPUP:
        if (handler_) handler_->HandleMenuMsg(message, wParam, lParam);
        return message == WM_INITMENUPOPUP ? 0 : 1;
      default: return std::nullopt;
    }
  }
  void Reset() { handler_.reset(); }

 private:
  ComPtr<IContextMenu2> handler_;
};

// Hands `handler` to `row` now and takes it back (0) when the scope ends.
class MenuHandlerScope {
 public:
  MenuHandlerScope(HWND row, IContextMenu2* handler) : row_(row) {
    ::SendMessageW(row_, panel_message::kMenuHandler, WPARAM(handler), 0);
  }
  ~MenuHandlerScope() { ::SendMessageW(row_, panel_message::kMenuHandler, 0, 0); }
  MenuHandlerScope(const MenuHandlerScope&) = delete;
  MenuHandlerScope& operator=(const MenuHandlerScope&) = delete;

 private:
  HWND row_;
};

}  // namespace tavolen
