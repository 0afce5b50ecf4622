#pragma once
// The transparent overlay over a row: it paints nothing and turns the clicks it gets into
// the panel's actions (left click: the flyout; middle double click: erase free space;
// right click: the drive menu) and relays mouse movement.
#include "control/widgets/win/CGadgetDropTarget.h"
#include "framework/SubclassedControl.h"

namespace tavolen {

class CGadgetTransRichEdit : public SubclassedControl {
 public:
  // Subclasses the template's rich edit and registers the drop target on it.
  bool Attach(HWND panel, int id, RowHost& host);

 protected:
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  DropTargetRegistration dropTarget_;
};

}  // namespace tavolen
