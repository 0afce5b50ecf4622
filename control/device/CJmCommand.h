#pragma once
// JMicron bridges: ATA register sets in vendor CDB 0xDF; the result registers are read
// from a chip-specific address. A command object given chip 0 asks the bridge which
// chip it is (INQUIRY bytes 36-42) at construction.
#include "control/device/CAtaCommand.h"

namespace tavolen {

class CJmCommand : public CAtaCommand {
 public:
  // chip: 1 = j329, 2 = j336, 3 = j339 or JM20339, 4 = j539, 0 = find out.
  CJmCommand(DeviceOpener& opener, uint32_t driveNumber, uint32_t chip);
  CJmCommand(DeviceOpener& opener, std::u16string path, uint32_t chip);

  uint32_t Chip() const { return chip_; }

  bool GetBridgeInfo(BridgeInfo& info) override;
  // The three data forms read the result registers whether the command succeeded or
  // not, and return the command's own result.
  bool NonData(AtaTaskFile& taskFile) override;
  bool DataIn(AtaTaskFile& taskFile, uint8_t* buffer, uint32_t length) override;
  bool DataOut(AtaTaskFile& taskFile, const uint8_t* buffer, uint32_t length) override;
  bool AtaPassThrough(uint16_t flags, AtaTaskFile& taskFile, bool is48Bit, uint8_t* buffer, uint32_t length) override;
  // Sends nothing and fails while the chip is unknown.
  bool ReadResultRegisters(AtaTaskFile& taskFile) override;
  // Not while the chip is unknown.
  bool ReturnsRegisters() const override { return chip_ != 0; }

 private:
  void DetectChip();
  bool Send(uint8_t byte1, uint8_t byte3, uint8_t byte4, AtaTaskFile& taskFile, ScsiDirection direction,
            uint8_t* buffer, uint32_t length);
  uint32_t chip_;
};

// The chip index that an INQUIRY vendor-specific text (bytes 36-42) names, or 0.
uint32_t JmChipFromInquiryText(const char* text7);

}  // namespace tavolen
