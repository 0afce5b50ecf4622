#pragma once
// The shell's context menu object of a menu that a button of a row has open. The row
// serves the menu's owner-drawn items and submenus through it (WM_DRAWITEM,
// WM_MEASUREITEM, WM_INITMENUPOPUP) and holds a reference of its own while it is open,
// so the object lives as long as the row may call it. The button announces the object to
// its row's handler, then hands it over by kMenuHandler for the life of a scope, which
// takes it back on every way out of the menu. A kMenuHandler carrying any other value (a
// sender elsewhere, a stale object) is ignored and never treated as an object. Window
// thread only.
#include <windows.h>
#include <shlobj.h>

#include <optional>

#include "control/panels/MenuObjectGate.h"
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
        switch (gate_.Offer(uintptr_t(wParam))) {
          case MenuObjectGate::Verdict::Take:
            handler_ = ComPtr<IContextMenu2>::Retain(reinterpret_cast<IContextMenu2*>(wParam));
            break;
          case MenuObjectGate::Verdict::Release: handler_.reset(); break;
          case MenuObjectGate::Verdict::Ignore: break;
        }
        return 1;
      case WM_DRAWITEM:
      case WM_MEASUREITEM:
      case WM_INITMENUPOPUP:
        if (handler_) handler_->HandleMenuMsg(message, wParam, lParam);
        return message == WM_INITMENUPOPUP ? 0 : 1;
      default: return std::nullopt;
    }
  }
  void Reset() {
    gate_.Close();
    handler_.reset();
  }

 private:
  friend class MenuHandlerScope;
  // Only the row's own button, through MenuHandlerScope, says which object it made.
  void Expect(IContextMenu2* made) { gate_.Open(uintptr_t(made)); }

  MenuObjectGate gate_;
  ComPtr<IContextMenu2> handler_;
};

// Announces `handler` to the row's `menus`, hands it to `row` now and takes it back (0)
// when the scope ends, after which the row takes no object until the next menu.
class MenuHandlerScope {
 public:
  MenuHandlerScope(ShellMenuHandler& menus, HWND row, IContextMenu2* handler) : menus_(menus), row_(row) {
    menus_.Expect(handler);
    ::SendMessageW(row_, panel_message::kMenuHandler, WPARAM(handler), 0);
  }
  ~MenuHandlerScope() {
    ::SendMessageW(row_, panel_message::kMenuHandler, 0, 0);
    menus_.Reset();
  }
  MenuHandlerScope(const MenuHandlerScope&) = delete;
  MenuHandlerScope& operator=(const MenuHandlerScope&) = delete;

 private:
  ShellMenuHandler& menus_;
  HWND row_;
};

}  // namespace tavolen
