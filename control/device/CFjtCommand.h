#pragma once
// SCSI/ATA translation CDBs with CK_COND set, whose result registers the bridge gives
// only through a separate 0xE0 read. 48-bit requests use the 16-byte forms.
#include "control/device/CAtaCommand.h"

namespace tavolen {

class CFjtCommand : public CAtaCommand {
 public:
  using CAtaCommand::CAtaCommand;

  bool GetBridgeInfo(BridgeInfo& info) override;
  bool NonData(AtaTaskFile& taskFile) override;
  bool DataIn(AtaTaskFile& taskFile, uint8_t* buffer, uint32_t length) override;
  bool DataOut(AtaTaskFile& taskFile, const uint8_t* buffer, uint32_t length) override;
  bool AtaPassThrough(uint16_t flags, AtaTaskFile& taskFile, bool is48Bit, uint8_t* buffer, uint32_t length) override;
  bool ReadResultRegisters(AtaTaskFile& taskFile) override;

 private:
  enum class Form { NonData, DataIn, DataOut };
  bool Send(Form form, bool is48Bit, AtaTaskFile& taskFile, uint8_t* buffer, uint32_t length);
};

}  // namespace tavolen
