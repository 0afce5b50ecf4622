#pragma once
// The power-save dialog of a hard disk: puts the disk into standby or wakes it, or gives
// it a standby timer that is remembered per disk, or takes the remembered timer away.
// Modal. While a command runs and its message is up the dialog is hidden; the command runs
// on the dialog's thread, at most three tries and 300 ms of pauses.
#include <windows.h>

#include <cstdint>
#include <string>

#include "framework/Dialog.h"
#include "control/core/PowerSave.h"
#include "control/widgets/win/RowHost.h"
#include "framework/UniqueIcon.h"

namespace tavolen {

// What the dialog works on.
struct PowerSaveSources {
  DiskLookup disks;                  // the disk array of the device list
  DeviceOpener* opener = nullptr;    // never null
  PowerSaveFile* powerSave = nullptr;  // never null
  RetryPause pause;                  // the pause between tries
  UINT infoBoxCloseAfter = 5000;     // how long a success message stays up by itself
};

// The host's: its device list, device opener, power-save settings file and clock.
PowerSaveSources ModulePowerSaveSources(RowHost& host);

class CPowerSaveDlg : public Dialog {
 public:
  // templateId: 353 for the Meiryo font, 338 for Tahoma (TemplateFor). The disk's key and
  // its stored timer are read at once.
  CPowerSaveDlg(uint32_t driveNumber, UINT templateId, PowerSaveSources sources);

  static UINT TemplateFor(bool meiryoFont);

  using Dialog::DoModal;
  // IDOK after OK (whatever the command's outcome: its message has been shown), IDCANCEL,
  // or -1 when the dialog cannot be made.
  INT_PTR DoModal(HWND parent = nullptr);

  // The two device operations, usable without the dialog's window; each shows its own
  // message and returns non-zero on success. Without a window the timer is the stored one.
  int ToggleStandby();
  int SetStandbyTimer(bool release);

  bool HasStoredTimer() const { return control_.HasStoredTimer(); }

 protected:
  INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  BOOL OnInitDialog();
  void OnOK();
  void EnableTimerChoice(bool enable);
  // The combo's selection, else the stored choice.
  int SelectedChoice() const;
  // Shows the outcome's message: a caution for a failure, an information box otherwise.
  int Report(const StandbyOutcome& outcome) const;

  UINT templateId_;
  UINT infoBoxCloseAfter_;
  StandbyControl control_;
  UniqueIcon bigIcon_;
  UniqueIcon smallIcon_;
};

}  // namespace tavolen
