#pragma once
// SCSI commands through IOCTL_SCSI_PASS_THROUGH. Keeps the sense data of the last
// CHECK CONDITION and the system error of the last failed transport.
#include <cstdint>

#include "control/device/BridgeInfo.h"
#include "control/device/Command.h"

namespace tavolen {

// The DataIn field of the pass-through record.
enum class ScsiDirection : uint8_t { Out = 0, In = 1, None = 2 };

class CScsiCommand : public Command {
 public:
  using Command::Command;

  // Slot 1: bridge information; plain SCSI devices have none.
  virtual bool GetBridgeInfo(BridgeInfo& info);

  // Sends one CDB of cdbLength (at most 16) bytes; data in fills `buffer`, data out
  // sends it. The block is laid out for the route the device was reached by.
  bool ScsiPassThrough(ScsiDirection direction, const uint8_t* cdb, uint8_t cdbLength, void* buffer, uint32_t length);

  bool Inquiry(uint8_t* buffer, uint16_t length);  // zeroed first
  bool TestUnitReady();
  bool ReadCapacity10(uint64_t& lastLba, uint32_t& blockLength);
  bool ReadCapacity16(uint64_t& lastLba, uint32_t& blockLength);
  // READ CAPACITY(10), and (16) when (10) fails or reports a last LBA of 0xFFFFFFFF.
  bool ReadCapacity(uint64_t& lastLba, uint32_t& blockLength);
  // The CDB carries buffer offset 0; offset and length are only range-checked (no bit
  // of 12-15 may be set), and a request out of range is not sent.
  bool ReadBuffer(uint8_t mode, uint8_t bufferId, uint8_t* buffer, uint32_t offset, uint32_t length);
  bool ModeSense10(uint8_t pageCode, uint8_t* buffer, uint8_t length);
};

}  // namespace tavolen
