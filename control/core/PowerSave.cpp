#include "control/core/PowerSave.h"

#include <chrono>
#include <thread>

#include "control/device/CAtaCommand.h"
#include "control/core/GadgetOptions.h"
#include "control/device/ModelClassification.h"
#include "control/core/StandbyTimers.h"

namespace tavolen {

namespace {

constexpr uint8_t kStandby = 0xE2;
constexpr uint8_t kIdle = 0xE3;
// Stored values are read into a four-character buffer.
constexpr std::size_t kValueCapacity = 4;
constexpr uint8_t kChoiceCounts[kTimerChoiceCount] = {120, 240, 241, 242};

int ClampChoice(int choice) {
  if (choice < 0) return 0;
  if (choice >= kTimerChoiceCount) return kTimerChoiceCount - 1;
  return choice;
}

}  // namespace

bool IsCaution(PowerSaveMessage message) {
  switch (message) {
    case PowerSaveMessage::SetStandbyFailed:
    case PowerSaveMessage::ReleaseStandbyFailed:
    case PowerSaveMessage::CheckPowerModeFailed:
    case PowerSaveMessage::SetTimerFailed:
    case PowerSaveMessage::ReleaseTimerFailed:
    case PowerSaveMessage::TimerNotStored:
    case PowerSaveMessage::TimerNotForgotten: return true;
    default: return false;
  }
}

uint8_t TimerChoiceCount(int choice) { return kChoiceCounts[ClampChoice(choice)]; }

int TimerChoiceOfStoredValue(const std::u16string& stored) {
  if (stored.empty()) return 0;
  switch (stored[0]) {
    case u'0': return 0;
    case u'1': return 1;
    case u'2': return 2;
    default: return kTimerChoiceCount - 1;
  }
}

PowerSaveAction ChooseAction(bool powerModeChecked, bool timerChecked, bool hasStoredTimer) {
  if (powerModeChecked) return hasStoredTimer ? PowerSaveAction::ReleaseTimer : PowerSaveAction::ToggleStandby;
  if (timerChecked) return PowerSaveAction::SetTimer;
  return PowerSaveAction::None;
}

void SleepPause(unsigned milliseconds) { std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds)); }

StandbyControl::StandbyControl(uint32_t driveNumber, DiskLookup disks, DeviceOpener& opener,
                               PowerSaveFile& powerSave, RetryPause pause)
    : driveNumber_(driveNumber),
      disks_(std::move(disks)),
      opener_(opener),
      powerSave_(powerSave),
      pause_(pause ? std::move(pause) : RetryPause(SleepPause)) {
  const std::optional<DeviceInfo> disk = disks_ ? disks_(driveNumber_) : std::nullopt;
  if (!disk) return;
  driveKey_ = DeviceKey(*disk);
  const std::u16string stored = powerSave_.Locked(
      [&](SettingsFile& file) { return file.Read(settings::kTimerSettings, driveKey_, kValueCapacity); });
  hasStoredTimer_ = !stored.empty();
  initialChoice_ = TimerChoiceOfStoredValue(stored);
}

std::unique_ptr<CAtaCommand> StandbyControl::CommandForDisk() {
  reachedKey_.clear();
  const std::optional<DeviceInfo> disk = disks_ ? disks_(driveNumber_) : std::nullopt;
  if (!disk) return nullptr;
  std::unique_ptr<CAtaCommand> command = MakeAtaCommand(opener_, *disk);
  if (command) reachedKey_ = DeviceKey(*disk);
  return command;
}

bool StandbyControl::SendWithRetries(CAtaCommand& command, uint8_t code, uint8_t count) {
  for (int attempt = 0; attempt < kTries; ++attempt) {
    if (command.SendCountCommand(code, count)) return true;
    pause_(kRetryPauseMs);
  }
  return false;
}

StandbyOutcome StandbyControl::ToggleStandby() {
  std::unique_ptr<CAtaCommand> command = CommandForDisk();
  if (!command) return {};
  bool awake = false;
  if (!command->CheckPowerMode(awake)) return {0, PowerSaveMessage::CheckPowerModeFailed};
  if (awake) {
    if (SendWithRetries(*command, kStandby, 0)) return {1, PowerSaveMessage::StandbyEnabled};
    return {0, PowerSaveMessage::SetStandbyFailed};
  }
  if (SendWithRetries(*command, kIdle, 0)) return {1, PowerSaveMessage::StandbyDisabled};
  return {0, PowerSaveMessage::ReleaseStandbyFailed};
}

StandbyOutcome StandbyControl::SetStandbyTimer(bool release, int choice) {
  std::unique_ptr<CAtaCommand> command = CommandForDisk();
  if (!command) return {};
  const uint8_t count = release ? 0 : TimerChoiceCount(choice);
  if (!SendWithRetries(*command, kIdle, count))
    return {0, release ? PowerSaveMessage::ReleaseTimerFailed : PowerSaveMessage::SetTimerFailed};
  if (release) {
    hasStoredTimer_ = false;
    return {1, PowerSaveMessage::TimerReleased};
  }
  return {1, PowerSaveMessage::TimerSet};
}

StandbyOutcome StandbyControl::Apply(PowerSaveAction action, int choice) {
  switch (action) {
    case PowerSaveAction::ToggleStandby: return ToggleStandby();
    case PowerSaveAction::ReleaseTimer: {
      StandbyOutcome outcome = SetStandbyTimer(true);
      if (outcome.result != 0) {
        const bool forgotten = powerSave_.Locked([&](SettingsFile& file) {
          const bool timer = file.DeleteKey(settings::kTimerSettings, reachedKey_);
          const bool mark = file.DeleteKey(settings::kIsTimerCommandSend, reachedKey_);
          return timer && mark;
        });
        if (!forgotten) outcome.message = PowerSaveMessage::TimerNotForgotten;
      }
      return outcome;
    }
    case PowerSaveAction::SetTimer: {
      choice = ClampChoice(choice);
      StandbyOutcome outcome = SetStandbyTimer(false, choice);
      if (outcome.result != 0) {
        const bool stored = powerSave_.Locked([&](SettingsFile& file) {
          return file.Write(settings::kTimerSettings, reachedKey_, std::u16string(1, char16_t(u'0' + choice))) &&
                 file.Write(settings::kIsTimerCommandSend, reachedKey_, u"1");
        });
        if (!stored) outcome.message = PowerSaveMessage::TimerNotStored;
      }
      return outcome;
    }
    case PowerSaveAction::None: break;
  }
  return {};
}

}  // namespace tavolen
