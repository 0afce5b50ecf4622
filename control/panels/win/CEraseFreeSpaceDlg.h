#pragma once
// The erase-free-space dialog: a small tool window on a thread of its own (so that the
// gadget stays usable and the dialog outlives the row that started it), showing busy dots,
// progress, speed and time left, with Cancel. It starts the writer on another thread. The
// dialog's thread and the writer each hold the erase's session, copies of the ports they
// use and a reference on the module, so the row and even the control may go while they
// run; the control's end cancels every erase through the module's registry. The dialog
// and its timers live on the dialog's thread; Start runs on the row's window thread.
#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>

#include "control/panels/EraseSession.h"
#include "control/widgets/win/RowHost.h"
#include "framework/Dialog.h"
#include "framework/Worker.h"

namespace tavolen {

class CEraseFreeSpaceDlg : public Dialog {
 public:
  // What an erase reaches the system through; everything outlives the erase.
  struct Ports {
    Volumes* volumes = nullptr;
    UnbufferedFiles* files = nullptr;
    Processes* processes = nullptr;
    Clock* clock = nullptr;
    ThreadStarter* threads = nullptr;
  };

  // The row's gesture. Only removable drives are erased, one erase per drive at a time:
  // after the user confirms in a box owned by `row`, the dialog opens on a thread of its
  // own. False when nothing started.
  static bool Start(RowHost& host, HWND row, const std::u16string& drivePath, uint32_t kind);

  CEraseFreeSpaceDlg(std::shared_ptr<EraseSession> session, const Ports& ports);
  ~CEraseFreeSpaceDlg() override;

  // Meiryo's template when the font is installed, else Tahoma's.
  static UINT TemplateFor(bool meiryoFont);

 protected:
  INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  bool OnInitDialog();
  void OnTimer(UINT_PTR id);
  void OnBusyTick();
  void OnProgressTick();
  void OnWriterEnded(bool finished);
  void OnCancel();
  void OnDestroy();

  std::shared_ptr<EraseSession> session_;
  Ports ports_;
  uint64_t initialFreeBytes_ = 0;
  uint64_t startMs_ = 0;
};

}  // namespace tavolen
