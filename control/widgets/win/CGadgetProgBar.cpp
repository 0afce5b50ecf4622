#include "control/widgets/win/CGadgetProgBar.h"

#include <commctrl.h>

namespace tavolen {

void CGadgetProgBar::SetCapacity(uint32_t position, COLORREF colour) const {
  ::SendMessageW(hwnd(), PBM_SETPOS, position, 0);
  ::SendMessageW(hwnd(), PBM_SETBARCOLOR, 0, LPARAM(colour));
}

LRESULT CGadgetProgBar::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_TIMER && wParam == 3) {
    ::KillTimer(hwnd(), 2);
    ::KillTimer(hwnd(), 3);
    return 0;
  }
  return DefaultHandler(message, wParam, lParam);
}

}  // namespace tavolen
