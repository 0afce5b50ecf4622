#pragma once
// The launcher's window ("Marvesk") is told with the registered message "IsSubMenuOpen"
// while a menu, dialog or flyout of the gadget is open (wParam 1, then 0), so that it does
// not hide meanwhile.
#include <windows.h>

namespace tavolen {

// Null when the launcher does not run.
HWND LauncherWindow();
// The registered message "IsSubMenuOpen" (registered on first use).
UINT SubMenuOpenMessage();
// Posts "IsSubMenuOpen" to `launcher` when there is one.
void TellLauncherSubMenuOpen(HWND launcher, bool open);

// Tells the launcher of something open for the life of the scope: 1 at construction, 0
// at the end, to the window found at construction.
class SubMenuOpenScope {
 public:
  SubMenuOpenScope() : launcher_(LauncherWindow()) { TellLauncherSubMenuOpen(launcher_, true); }
  ~SubMenuOpenScope() { TellLauncherSubMenuOpen(launcher_, false); }
  SubMenuOpenScope(const SubMenuOpenScope&) = delete;
  SubMenuOpenScope& operator=(const SubMenuOpenScope&) = delete;

 private:
  HWND launcher_;
};

}  // namespace tavolen
