#pragma once
// The control's refresh threads, at most one at a time: thread A (the first, started by
// the page's start) and thread B (after device changes). Each enumerates the devices into
// the module's list and has the control window rebuild its rows, then sends the stored
// standby timers. The worker gets copies of what it needs (the window handle, the list and
// file, which belong to the module, and a module reference) and talks to the window only
// by its messages. Owned by the control and used on its window thread.
#include <windows.h>

#include "control/widgets/win/RowHost.h"
#include "framework/Worker.h"

namespace tavolen {

class RefreshWorker {
 public:
  enum class Kind {
    First,  // A: sends (not posts) the rebuild, so the rows exist when the timers go out
    Later,  // B: posts the rebuild, prunes the sent-marks, then posts kRefreshEnded
  };
  // Posted by thread B when it ends: the control restarts its label timer, which only the
  // window's own thread can do.
  static constexpr UINT kRefreshEnded = WM_APP + 20;

  explicit RefreshWorker(RowHost& host) : host_(host) {}

  bool Running() const { return slot_.Running(); }
  // Closes the handle of a thread that has ended.
  void ForgetFinished() { slot_.ForgetFinished(); }
  // Starts a thread unless one runs. False when none started: one runs already, or no
  // thread could be made ("Create Thread Failed\n" is written then).
  bool Start(Kind kind, HWND control);
  // Waits for a running thread while dispatching this thread's messages (thread A sends
  // to the control window), then closes its handle. A WM_QUIT met meanwhile is posted
  // again afterwards, so the host's message loop still ends.
  void Wait();

 private:
  RowHost& host_;
  WorkerSlot slot_;
};

}  // namespace tavolen
