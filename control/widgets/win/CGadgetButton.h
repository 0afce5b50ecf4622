#pragma once
// The button with the drive's picture. It owns the drive's context menu: the shell's own
// menu of the drive with the gadget's commands in front and the drop-copy settings
// behind; the gadget commands the user picks go to the parent panel as WM_COMMAND.
#include <windows.h>

#include <cstdint>
#include <string>

#include "framework/SubclassedControl.h"
#include "framework/UniqueMenu.h"

namespace tavolen {

class CGadgetButton : public SubclassedControl {
 public:
  // Rebuilds the gadget menu for the device (menu 366 trimmed by kind, vendor, product,
  // system disk and drive number; 65535 means no number).
  void InitButton(uint32_t driveNumber, uint32_t kind, const std::u16string& drivePath, bool systemDisk);
  // Reads the drive's drop-copy settings into the save folder; ticks them in `target`.
  void ApplySaveSettings(HMENU target);
  // The right-button-up handler; `point` in the button's client coordinates.
  void ShowDriveMenu(UINT flags, POINT point);
  // Copies the enabled, named items of `source` into `target` at `position` (negative:
  // appended), with a separator after them when inserted.
  static void MergeMenuItems(HMENU target, HMENU source, int position);

  const std::u16string& SaveFolder() const { return saveFolder_; }
  HMENU Menu() const { return menu_.get(); }

 protected:
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  std::u16string saveFolder_;
  UniqueMenu menu_;
  uint32_t kind_ = 0;
  std::u16string drivePath_;
};

// The launcher's window ("Marvesk"), told with "IsSubMenuOpen" while a menu or dialog of
// the gadget is open; null when the launcher does not run.
HWND LauncherWindow();
// The registered message "IsSubMenuOpen" (registered on first use).
UINT SubMenuOpenMessage();
void TellLauncherSubMenuOpen(HWND launcher, bool open);

}  // namespace tavolen
