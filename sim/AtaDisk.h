#pragma once
// The ATA drive inside every simulated disk. Whatever carries a register set to it (the
// ATA pass-through I/O control, a translation CDB or a bridge's vendor CDB), the drive
// runs it here, changes its state and keeps a log of what it ran.
//
// Commands it knows (anything else is aborted: status 0x51, error 0x04):
//   0xEC IDENTIFY DEVICE        data in, 512 bytes; wakes a sleeping drive
//   0xE5 CHECK POWER MODE       count = power mode, LBA low = 0
//   0xE2 STANDBY / 0xE3 IDLE    count -> standbyTimer; power mode 0x00 / 0xFF
//   0xB0 SMART (LBA mid/high 0x4F/0xC2, else aborted), by features:
//        0xD8 ENABLE, 0xD9 DISABLE, 0xDA RETURN STATUS (mid/high 0x4F/0xC2, or 0xF4/0x2C
//        when a threshold is exceeded), 0xD0 READ DATA (data in, 512 bytes, wakes the
//        drive), 0xD5 READ LOG / 0xD6 WRITE LOG (data in / out, host logs 0x80-0x9F,
//        count = sectors, 1..16). With S.M.A.R.T. disabled only ENABLE runs.
//        Features 0xD0 with LBA mid/high 0x44/0x00: the array status of a maker array
//        product (data in, 512 bytes, `arrayStatus`; aborted when it is empty); it does
//        not wake the drive.
// A command whose data phase differs from the one its carrier announced is aborted too.
// Successful commands return status 0x50, error 0; the other output registers echo the
// input except where a command defines them.
#include <array>
#include <cstddef>
#include <cstdint>
#include <map>
#include <string_view>
#include <vector>

#include "control/device/AtaTaskFile.h"

namespace tavolen::sim {

enum class AtaDataPhase { None, In, Out };

class AtaDisk {
 public:
  static constexpr std::size_t kSectorSize = 512;
  static constexpr uint8_t kStatusGood = 0x50, kStatusError = 0x51, kErrorAbort = 0x04;
  static constexpr uint8_t kPowerActive = 0xFF, kPowerIdle = 0x80, kPowerStandby = 0x00;
  static constexpr uint8_t kTemperatureId = 194;
  static constexpr std::size_t kAttributeCount = 30, kAttributeSize = 12, kAttributeTable = 2;
  static constexpr std::size_t kHostLogSectors = 16;

  struct Outcome {
    AtaTaskFile registers;      // output registers: Features holds the error, Command the status
    std::vector<uint8_t> data;  // the bytes of a data-in command (empty otherwise)
  };

  AtaDisk();

  // --- identity (IDENTIFY DEVICE) -----------------------------------------------
  // ATA strings: two characters per word, the first in the high byte; padded with spaces.
  void SetSerial(std::string_view text);    // words 10-19
  void SetFirmware(std::string_view text);  // words 23-26
  void SetModel(std::string_view text);     // words 27-46
  void SetCapacity(uint64_t sectors);       // words 60-61 (28-bit, capped) and 100-103

  // The IDENTIFY words. On output word 82 bit 0 follows smartSupported, word 85 bit 0
  // follows smartEnabled, and word 255 carries the signature 0xA5 and the checksum.
  std::array<uint16_t, 256> identify{};

  // --- S.M.A.R.T. ---------------------------------------------------------------
  bool smartSupported = true;
  bool smartEnabled = true;
  bool smartThresholdExceeded = false;
  // The data page: revision at 0-1, 30 attribute entries of 12 bytes from byte 2
  // (id, flags LE16, current, worst, raw LE48, reserved). Byte 511 is recomputed as the
  // checksum on every read. Starts with attributes 1, 9 and 194 (40 °C).
  std::array<uint8_t, 512> smartData{};
  // Sets the entry of `id`, or takes the first free one; false when the table is full.
  bool SetSmartAttribute(uint8_t id, uint8_t current, uint8_t worst, uint64_t raw, uint16_t flags = 0x0022);
  void RemoveSmartAttribute(uint8_t id);  // clears every entry of `id`
  bool SetTemperature(uint8_t celsius);   // attribute 194 with raw byte 0 = celsius
  void RemoveTemperature();
  // Host vendor-specific logs (0x80-0x9F) written by SMART WRITE LOG, read by READ LOG.
  std::map<uint8_t, std::vector<uint8_t>> hostLogs;

  // --- maker array products -------------------------------------------------------
  static constexpr uint8_t kArrayStatusMid = 0x44;
  // The status block (version, level and state, progress, members); empty: no array.
  std::vector<uint8_t> arrayStatus;

  // --- power ----------------------------------------------------------------------
  uint8_t powerMode = kPowerActive;  // 0xFF active, 0x80 idle, 0x00 standby
  uint8_t standbyTimer = 0;          // count of the last STANDBY or IDLE

  // --- execution ----------------------------------------------------------------
  // Runs one command. `phase` is the data phase the carrier announced; `dataOut` holds
  // the bytes of a data-out phase. `extend` marks a 48-bit request (returned in the
  // Reserved register). Logged in Executed() whatever the outcome.
  Outcome Execute(const AtaTaskFile& in, AtaDataPhase phase, const uint8_t* dataOut, std::size_t dataOutLength,
                  bool extend = false);
  // Aborts the command without running it (logged as executed).
  Outcome Abort(const AtaTaskFile& in, bool extend = false);

  // The output registers of the last command, as the bridges' register reads return them.
  const AtaTaskFile& LastResult() const { return lastResult_; }
  const std::vector<AtaTaskFile>& Executed() const { return executed_; }
  void ClearLog() { executed_.clear(); }

  // What IDENTIFY and SMART READ DATA return now, without running a command.
  std::vector<uint8_t> IdentifyData() const;
  std::vector<uint8_t> SmartPage() const;

 private:
  bool Run(const AtaTaskFile& in, AtaDataPhase phase, const uint8_t* dataOut, std::size_t dataOutLength,
           Outcome& out);
  bool RunSmart(const AtaTaskFile& in, AtaDataPhase phase, const uint8_t* dataOut, std::size_t dataOutLength,
                Outcome& out);
  Outcome Finish(Outcome out, bool good);

  AtaTaskFile lastResult_{};
  std::vector<AtaTaskFile> executed_;
};

}  // namespace tavolen::sim
