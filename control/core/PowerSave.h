#pragma once
// Standby control of one disk, as the power-save dialog runs it: putting the disk into
// standby or waking it, giving it a standby timer or taking the timer away, and keeping
// the chosen timer per disk in the power-save settings file so that it can be sent again
// when the disk returns. Each operation tells which message the user is to see; showing
// it is the caller's business.
//
// Every operation looks the disk up by its drive number and builds the command object of
// its kind for that one operation. A drive number that names no disk, or a disk whose
// kind has no ATA command object, ends the operation silently with 0.
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "control/device/DeviceChannel.h"
#include "control/device/DeviceInfo.h"
#include "control/core/PowerSaveFile.h"

namespace tavolen {

class CAtaCommand;

// Texts of the control's string table the operations choose; each value is the string id.
enum class PowerSaveMessage : uint16_t {
  None = 0,                    // nothing to show
  StandbyEnabled = 384,        // "Standby Mode : Enabled"
  SetStandbyFailed = 385,      // "Set Standby Mode : Failed"
  StandbyDisabled = 386,       // "Standby Mode : Disabled"
  ReleaseStandbyFailed = 387,  // "Release Standby Mode : Failed"
  CheckPowerModeFailed = 388,  // "Check Hdd Power Mode : Failed"
  TimerReleased = 389,         // "Standby Timer : Released"
  TimerSet = 390,              // "Standby Timer : Setted"
  SetTimerFailed = 391,        // "Set Standby Timer : Failed"
  ReleaseTimerFailed = 392,    // "Release Standby Timer : Failed"
  TimerNotStored = 393,        // the timer is set, but storing it failed: no restore after a restart
  TimerNotForgotten = 441,     // the timer is released, but its stored entry stays: sent again later
};

// Failures are shown as a caution, successes as an information box.
bool IsCaution(PowerSaveMessage message);

struct StandbyOutcome {
  int result = 0;  // non-zero on success
  PowerSaveMessage message = PowerSaveMessage::None;
};

// The timer choices in the order the dialog offers them: 10, 20 and 30 minutes, 1 hour.
constexpr int kTimerChoiceCount = 4;
// The IDLE sector count of a choice: 120, 240, 241, 242. A choice outside 0-3 is read as
// 0 below the range and as 1 hour above it.
uint8_t TimerChoiceCount(int choice);
// The choice a stored value stands for, read the way the stored timers are sent again
// (its first character: "0", "1", "2", anything else 1 hour); no value: the first choice.
int TimerChoiceOfStoredValue(const std::u16string& stored);

// What OK does with the checked radio button: the first one toggles standby, or releases
// the timer when the disk has one stored; the second sets the chosen timer.
enum class PowerSaveAction { None, ToggleStandby, ReleaseTimer, SetTimer };
PowerSaveAction ChooseAction(bool powerModeChecked, bool timerChecked, bool hasStoredTimer);

// The disk record behind a drive number, if any (a snapshot lookup of the device list).
using DiskLookup = std::function<std::optional<DeviceInfo>(uint32_t driveNumber)>;
// The pause after a failed try, in milliseconds.
using RetryPause = std::function<void(unsigned milliseconds)>;
// Sleeps the calling thread.
void SleepPause(unsigned milliseconds);

class StandbyControl {
 public:
  static constexpr int kTries = 3;
  static constexpr unsigned kRetryPauseMs = 100;

  // Reads the disk's stored timer at once: the stored-timer flag is set when a value is
  // there. The references must outlive the object.
  StandbyControl(uint32_t driveNumber, DiskLookup disks, DeviceOpener& opener, PowerSaveFile& powerSave,
                 RetryPause pause = SleepPause);

  // The disk's key in the power-save settings file; empty when the drive number named no
  // disk at construction.
  const std::u16string& DriveKey() const { return driveKey_; }
  // Whether the disk has a stored timer: set at construction, cleared by a release.
  bool HasStoredTimer() const { return hasStoredTimer_; }
  // The timer choice to show first: the stored one, else the first.
  int InitialChoice() const { return initialChoice_; }

  // Puts an awake disk into standby (STANDBY, timer off) or wakes a disk in standby
  // (IDLE, timer off), up to three tries each. The settings file is not touched.
  StandbyOutcome ToggleStandby();
  // Sends IDLE with the choice's count, or with 0 on release, up to three tries. A
  // successful release clears the stored-timer flag. The settings file is not touched.
  StandbyOutcome SetStandbyTimer(bool release, int choice = 0);

  // Runs an action of OK and, only when its command succeeded, updates the settings
  // under the key of the disk the command reached: a release removes the key from
  // "TimerSettings" and "IsTimerCommandSend"; a set stores the choice ("%d") and marks it
  // as sent ("1"). When the command succeeded but the file could not be changed, the
  // message says so (TimerNotStored, TimerNotForgotten, both cautions) instead of the
  // success; the disk keeps what the command gave it.
  StandbyOutcome Apply(PowerSaveAction action, int choice);

 private:
  // Sends one count command up to three times, pausing after every failed try.
  bool SendWithRetries(CAtaCommand& command, uint8_t code, uint8_t count);
  // Looks the disk up and builds its command object; null when there is none. Remembers
  // the disk's key in reachedKey_.
  std::unique_ptr<CAtaCommand> CommandForDisk();

  uint32_t driveNumber_;
  DiskLookup disks_;
  DeviceOpener& opener_;
  PowerSaveFile& powerSave_;
  RetryPause pause_;
  std::u16string driveKey_;
  bool hasStoredTimer_ = false;
  int initialChoice_ = 0;
  std::u16string reachedKey_;
};

}  // namespace tavolen
