#pragma once
// The button with the drive's picture. It owns the drive's context menu: the shell's own
// menu of the drive with the gadget's commands in front and the drop-copy settings
// behind; the gadget commands the user picks go to the parent panel as WM_COMMAND. Lives
// inside its panel, on the control's window thread.
#include <windows.h>

#include <cstdint>
#include <string>

#include "control/widgets/win/RowHost.h"
#include "control/widgets/win/ShellMenuHandler.h"
#include "framework/SubclassedControl.h"
#include "framework/UniqueMenu.h"

namespace tavolen {

class CGadgetButton : public SubclassedControl {
 public:
  // Subclasses the template's button; the host and the panel's shell-menu handler (which
  // learns from the button which menu object it may call) must outlive the button.
  bool Attach(HWND panel, int id, RowHost& host, ShellMenuHandler& menus);

  // Rebuilds the gadget menu for the device (menu 366 trimmed by kind, vendor, product,
  // system disk and drive number; 65535 means no number).
  void InitButton(uint32_t driveNumber, uint32_t kind, const std::u16string& drivePath, bool systemDisk);
  // Reads the drive's drop-copy settings into the save folder; ticks them in `target`.
  void ApplySaveSettings(HMENU target);
  // The right-button-up handler; `point` in the button's client coordinates.
  void ShowDriveMenu(UINT flags, POINT point);
  // Copies the enabled, named items of `source` into `target` at `position` (negative:
  // appended), with a separator after them when inserted. A submenu is copied too: the
  // target owns its copy, the source keeps its own.
  static void MergeMenuItems(HMENU target, HMENU source, int position);

  const std::u16string& SaveFolder() const { return saveFolder_; }
  HMENU Menu() const { return menu_.get(); }

 protected:
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  using SubclassedControl::Attach;

  RowHost* host_ = nullptr;
  ShellMenuHandler* menus_ = nullptr;
  std::u16string saveFolder_;
  UniqueMenu menu_;
  uint32_t kind_ = 0;
  std::u16string drivePath_;
};

}  // namespace tavolen
