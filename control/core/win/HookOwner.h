#pragma once
// The control's message hook: a WH_CALLWNDPROC hook on the host's window thread that
// turns the power and device broadcasts sent to the host's windows into the control's
// private messages, sent or posted to the module's control window (GadgetWnd). One per
// process: the control that starts installs it and removes it when that control goes;
// a control refused at creation never touches it. Used on the host's window thread.
#include <windows.h>

#include <memory>

#include "framework/UniqueWindow.h"

namespace tavolen {

class HookOwner {
 public:
  // Installs the hook for the calling thread. Null when this process already has one (its
  // owner keeps it) or the system refuses.
  static std::unique_ptr<HookOwner> Install();

  // Only Install makes one.
  class Key {
    friend class HookOwner;
    Key() = default;
  };
  HookOwner(Key, UniqueHook hook) : hook_(std::move(hook)) {}
  ~HookOwner();
  HookOwner(const HookOwner&) = delete;
  HookOwner& operator=(const HookOwner&) = delete;

 private:
  static LRESULT CALLBACK Procedure(int code, WPARAM wParam, LPARAM lParam);

  UniqueHook hook_;
};

}  // namespace tavolen
