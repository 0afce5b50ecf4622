#pragma once
// The maker's own bridge protocol: ATA register sets in vendor CDBs 0xE2 (non-data),
// 0xE3 (data in) and 0xE4 (data out), result registers read back with 0xE0.
#include "control/device/CAtaCommand.h"

namespace tavolen {

class CVarnkeldCommand : public CAtaCommand {
 public:
  CVarnkeldCommand(DeviceOpener& opener, uint32_t driveNumber, uint8_t mode);
  CVarnkeldCommand(DeviceOpener& opener, std::u16string path, uint8_t mode);

  bool GetBridgeInfo(BridgeInfo& info) override;
  bool NonData(AtaTaskFile& taskFile) override;
  bool DataIn(AtaTaskFile& taskFile, uint8_t* buffer, uint32_t length) override;
  bool DataOut(AtaTaskFile& taskFile, const uint8_t* buffer, uint32_t length) override;
  // Dispatches by flags; refuses every 48-bit request without sending anything.
  bool AtaPassThrough(uint16_t flags, AtaTaskFile& taskFile, bool is48Bit, uint8_t* buffer, uint32_t length) override;
  bool ReadResultRegisters(AtaTaskFile& taskFile) override;

 private:
  bool Send(uint8_t opcode, uint8_t count, const AtaTaskFile& taskFile, ScsiDirection direction, uint8_t* buffer,
            uint32_t length);
  uint8_t mode_;  // only the low two bits are sent
};

// Maps the 512-byte answer of the 0xE0 result read (shared with the Fjt bridge).
void DecodeE0Registers(const uint8_t* answer, AtaTaskFile& taskFile);
// Decodes a 512-byte READ BUFFER bridge answer: big-endian words at 2 and 4, text at 6-21.
void DecodeReadBufferBridgeInfo(const uint8_t* answer, BridgeInfo& info);

}  // namespace tavolen
