#pragma once
// A drive panel's property thread: gathers the drive's details for the flyout on a worker
// and tells the control window by posting (0x8004: the details are ready; 0x8005: the
// request closed the details shown for this drive). The job holds copies of what the
// worker reads (the request taken at the click, the device list's snapshot, the ports,
// the control window's handle) and never touches the panel, which may go meanwhile.
#include <windows.h>

#include "control/panels/DriveDetails.h"
#include "control/widgets/win/RowHost.h"
#include "framework/Worker.h"

namespace tavolen {

// Starts the thread in `slot` unless the panel's earlier one still runs (then nothing).
// `control` is the window the outcome is posted to. Window thread only.
void StartPropertyThread(WorkerSlot& slot, RowHost& host, HWND control, DetailsRequest request);

}  // namespace tavolen
