#pragma once
// The storage I/O controls that enumeration and the panels need.
#include "control/device/Command.h"
#include "control/device/StorageRecords.h"

namespace tavolen {

class CIoctl : public Command {
 public:
  using Command::Command;

  bool GetDriveGeometry(DiskGeometry& geometry);            // zeroed first
  bool GetDiskPerformance(DiskPerformance& performance);    // untouched on failure
  bool GetDeviceNumber(StorageDeviceNumber& number);        // zeroed first
  bool GetHotplugInfo(StorageHotplugInfo& info);            // size and flags zeroed first
};

}  // namespace tavolen
