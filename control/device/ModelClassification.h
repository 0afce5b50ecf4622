#pragma once
// Which of the maker's disk families a disk belongs to, and so which command object
// carries its ATA commands. Keys are compared case-sensitively.
#include <cstdint>
#include <functional>
#include <memory>

#include "control/device/CAtaCommand.h"
#include "control/device/DeviceInfo.h"

namespace tavolen {

// The maker's INQUIRY vendor identification.
constexpr char16_t kMakerVendor[] = u"VARNKELD";

// Sends IDENTIFY DEVICE by SCSI/ATA translation to the disk; true when it answered.
using IdentifyProbe = std::function<bool()>;

// A hot-plug disk with non-removable media (kind ExternalDisk on entry): sets kind and,
// for JMicron bridges, bridgeChip. The probe is asked only when no key decides.
void ClassifyExternalDisk(DeviceInfo& info, const IdentifyProbe& identifyProbe);
// A disk that is not hot-plug (FixedDisk or RemovableDisk on entry).
void ClassifyInternalDisk(DeviceInfo& info);

// The probe that enumeration uses: a CSatCommand on the record's drive number, closed
// when the probe returns. A record without a drive number answers false unasked.
IdentifyProbe SatIdentifyProbe(DeviceOpener& opener, uint32_t driveNumber);

// The ATA command object for a disk record, opened on its drive number; null for a
// kind without one (the caller then offers no ATA operation).
std::unique_ptr<CAtaCommand> MakeAtaCommand(DeviceOpener& opener, const DeviceInfo& info);

}  // namespace tavolen
