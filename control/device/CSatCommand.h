#pragma once
// ATA register sets inside SCSI ATA PASS-THROUGH CDBs (SCSI/ATA translation), for USB
// bridges that implement it. Tries the 12-byte form first and the 16-byte form when a
// bridge rejects it, then reads the result registers with a CDB of the same length.
#include "control/device/CAtaCommand.h"

namespace tavolen {

class CSatCommand : public CAtaCommand {
 public:
  using CAtaCommand::CAtaCommand;

  bool NonData(AtaTaskFile& taskFile) override;
  bool DataIn(AtaTaskFile& taskFile, uint8_t* buffer, uint32_t length) override;

 private:
  bool Send(uint8_t protocolByte, uint8_t transferByte, AtaTaskFile& taskFile, ScsiDirection direction, uint8_t* buffer,
            uint32_t length);
};

// Maps the 14-byte ATA status return descriptor into a register set (result registers
// of SCSI/ATA translation and of the vendor commands that reuse its layout).
void DecodeAtaStatusDescriptor(const uint8_t* descriptor, AtaTaskFile& taskFile);

}  // namespace tavolen
