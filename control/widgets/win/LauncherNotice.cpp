#include "control/widgets/win/LauncherNotice.h"

namespace tavolen {

HWND LauncherWindow() { return ::FindWindowW(L"#32770", L"Marvesk"); }

UINT SubMenuOpenMessage() {
  static const UINT message = ::RegisterWindowMessageW(L"IsSubMenuOpen");
  return message;
}

void TellLauncherSubMenuOpen(HWND launcher, bool open) {
  if (launcher) ::PostMessageW(launcher, SubMenuOpenMessage(), open ? 1 : 0, 0);
}

}  // namespace tavolen
