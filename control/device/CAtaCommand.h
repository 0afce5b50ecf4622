#pragma once
// ATA commands. CAtaCommand carries register sets with IOCTL_ATA_PASS_THROUGH to
// internal disks; its descendants carry the same sets through a USB bridge by
// overriding the virtual slots, so the ATA operations below work on all of them.
#include <cstdint>

#include "control/device/AtaTaskFile.h"
#include "control/device/CScsiCommand.h"

namespace tavolen {

class CAtaCommand : public CScsiCommand {
 public:
  using CScsiCommand::CScsiCommand;

  // Virtual slots 2 to 6. On success the output registers replace the input in taskFile.
  virtual bool NonData(AtaTaskFile& taskFile);
  virtual bool DataIn(AtaTaskFile& taskFile, uint8_t* buffer, uint32_t length);
  virtual bool DataOut(AtaTaskFile& taskFile, const uint8_t* buffer, uint32_t length);
  virtual bool AtaPassThrough(uint16_t flags, AtaTaskFile& taskFile, bool is48Bit, uint8_t* buffer, uint32_t length);
  virtual bool ReadResultRegisters(AtaTaskFile& taskFile);
  // Whether a command's output registers come back; when they cannot, CheckPowerMode and
  // SmartReturnStatus fail (the power mode or verdict is unknown) after sending.
  virtual bool ReturnsRegisters() const { return true; }

  // ATA operations shared by every transport.
  bool Identify(uint8_t* buffer);                       // 512 bytes
  bool SendCountCommand(uint8_t command, uint8_t count); // STANDBY 0xE2, IDLE 0xE3
  bool CheckPowerMode(bool& awake);
  bool SmartReturnStatus(bool& good);                    // fails on an unexpected signature
  bool SmartReadData(uint8_t* buffer);                   // 512 bytes
  bool SmartReadDataAlternate(uint8_t* buffer);          // 512 bytes, through slot 5 directly
  bool ReadTemperature(uint32_t& celsius);

  static constexpr uint32_t kSectorSize = 512;
};

// Slot 5 of the dispatching bridge classes: flags 1, 2 and 4 go to slots 2, 3 and 4;
// any other flags fail without sending.
bool DispatchByFlags(CAtaCommand& command, uint16_t flags, AtaTaskFile& taskFile, uint8_t* buffer, uint32_t length);

// Finds attribute 194 (temperature) in a 512-byte S.M.A.R.T. data page; its first raw
// byte is the temperature in degrees Celsius.
bool FindSmartTemperature(const uint8_t* page, uint32_t& celsius);

}  // namespace tavolen
