#pragma once
// One maker product family's vendor CDB 0xF0, laid out as ATA PASS-THROUGH(16).
// Data out and slot 5 stay those of plain ATA pass-through.
#include "control/device/CAtaCommand.h"

namespace tavolen {

class CQmxtCommand : public CAtaCommand {
 public:
  using CAtaCommand::CAtaCommand;

  bool NonData(AtaTaskFile& taskFile) override;
  bool DataIn(AtaTaskFile& taskFile, uint8_t* buffer, uint32_t length) override;
  bool ReadResultRegisters(AtaTaskFile& taskFile) override;
};

}  // namespace tavolen
