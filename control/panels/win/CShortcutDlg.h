#pragma once
// One row of four shortcut buttons, loaded from the gadget's settings file. It serves the
// shell menu a button opens (owner-drawn items and submenus reach the menu object through
// it) and passes mouse movement on to the control. Created, used and destroyed on the
// control's window thread, as a child of the control window.
#include <windows.h>
#include <shlobj.h>

#include <array>
#include <cstdint>

#include "control/panels/win/CShortcutButton.h"
#include "control/widgets/win/CGadgetDropTarget.h"
#include "control/widgets/win/RowHost.h"
#include "control/widgets/win/ShellMenuHandler.h"
#include "framework/Dialog.h"
#include "framework/GdiObject.h"

namespace tavolen {

class CShortcutDlg : public Dialog {
 public:
  // The host must outlive the row.
  explicit CShortcutDlg(RowHost& host);
  ~CShortcutDlg() override;

  // Creates the window from the shortcut template as a child of the control window.
  bool CreateRow(HWND control, UINT templateId);
  // Shows the row's four stored shortcuts.
  void LoadRow(uint32_t row);

 protected:
  INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  bool OnInitDialog();
  void OnCommand(UINT id, UINT code);

  RowHost& host_;
  DropTargetRegistration dropTarget_;
  UniqueBrush background_;
  ShellMenuHandler menuHandler_;  // while a button's shell menu is open
  std::array<CShortcutButton, 4> buttons_;
};

}  // namespace tavolen
