#pragma once
// The about box: the program's name and version ("Tavolen Ver 1.00") from its own
// version resource. Run modally from the main window's "Version" command.
#include "framework/Dialog.h"

namespace tavolen::launcher {

class CAboutDlg : public Dialog {
 private:
  INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
};

}  // namespace tavolen::launcher
