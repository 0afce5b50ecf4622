#pragma once
// Optical drives: the loaded medium's profile and whether a recordable disc is closed.
#include "control/device/CScsiCommand.h"

namespace tavolen {

class COptCommand : public CScsiCommand {
 public:
  // Opens the interface path (enumeration).
  COptCommand(DeviceOpener& opener, std::u16string path);
  // Opens "\\.\PhysicalDrive<n>" as every numbered command does, then closes it and
  // opens "\\.\Cdrom<n>" (the dialogs pass the record's drive number).
  COptCommand(DeviceOpener& opener, uint32_t cdromNumber);

  // GET CONFIGURATION: low byte of the current profile; "removable disk" (2) reads as 0.
  // profile is untouched on failure.
  bool GetCurrentProfile(uint32_t& profile);
  // READ DISC INFORMATION: 0 empty, 1 not closed, 2 closed, 3 other; untouched on failure.
  bool ReadDiscStatus(uint32_t& status);
};

// Sense summary of TEST UNIT READY without a medium.
constexpr uint8_t kSenseNotReady = 0x02, kAscMediumNotPresent = 0x3A;
constexpr uint8_t kAscqTrayClosed = 0x01, kAscqTrayOpen = 0x02;

}  // namespace tavolen
