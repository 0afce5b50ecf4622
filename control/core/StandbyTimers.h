#pragma once
// The standby timers the user stored per disk in the power-save settings file, sent to
// the disks at start, after a device refresh and after resume, and turned off when the
// control is unloaded. Each disk is marked as sent so it gets its timer once per cycle.
#include <cstdint>
#include <string>
#include <vector>

#include "control/device/DeviceChannel.h"
#include "control/device/DeviceInfo.h"
#include "control/core/PowerSaveFile.h"
#include "ports/SettingsFile.h"

namespace tavolen {

// The bus-dependent identification text of a disk: USB serial, IEEE 1394 id, IDE serial,
// else empty.
std::u16string BusIdentification(const DeviceInfo& info);

// A disk's key in the power-save settings file: product text, ":", its bus
// identification. Characters that would break an INI line ('=', a leading '[' or ';',
// control characters) become '_', so a device text can never add a section or a key.
std::u16string DeviceKey(const DeviceInfo& info);

// Sector count of IDLE (0xE3) for a stored choice: "0" 10 minutes (120), "1" 20 minutes
// (240), "2" 30 minutes (241), anything else 1 hour (242); 0 on release.
uint8_t StandbyTimerCount(const std::u16string& storedChoice, bool release);

// Sends every stored timer that is not marked as sent (all of them on release, with
// count 0) and marks the disk. Returns the number of disks a command was sent to.
int ApplyStandbyTimers(const std::vector<DeviceInfo>& disks, SettingsFile& powerSave, DeviceOpener& opener,
                       bool release);

// Keeps the sent-marks of present disks only: reads each one, deletes the section and
// writes back the first character of what was read (an empty value when none).
void PruneSentMarks(const std::vector<DeviceInfo>& disks, SettingsFile& powerSave);

// Forgets every sent-mark, so every stored timer is sent again.
void ClearSentMarks(SettingsFile& powerSave);

// The moments the control sends or forgets the stored timers. Each step is one
// read-modify-write of the shared power-save file, done under its lock.
enum class StandbyStep {
  Start,         // a start and the first refresh: forget the marks, send every stored timer
  AfterRefresh,  // after a device refresh: keep the marks of present disks, send the others
  Resume,        // after resume: send what is not marked
  Suspend,       // before suspend: forget the marks, so resume sends everything again
  Unload,        // the control goes: every stored timer off (count 0), marked
};
// Returns the number of disks a command was sent to.
int RunStandbyStep(StandbyStep step, const std::vector<DeviceInfo>& disks, PowerSaveFile& powerSave,
                   DeviceOpener& opener);

}  // namespace tavolen
