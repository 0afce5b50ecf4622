#pragma once
// A simulated storage device for the tests. It answers device I/O controls the way a
// disk behind a given transport family, or an optical drive, answers them: it decodes
// the pass-through blocks it receives (either word-size layout), runs the commands
// against real state (identity, capacity, power mode, standby timer, S.M.A.R.T., tray),
// logs every request and can be told to fail chosen requests.
//
// Requests are handled like buffered I/O: the device works on a copy of the input and
// copies the bytes it reports (*bytesReturned) to the output, so `in` and `out` may be
// the same buffer and output bytes beyond the reported count stay as they were.
//
// SCSI commands of every family: TEST UNIT READY, INQUIRY (no vital product data
// pages), READ CAPACITY(10) and (16), MODE SENSE(10) (pages in `modePages`, 0x3F for
// all). Per family:
//   PlainAta  IOCTL_ATA_PASS_THROUGH (only this family; the others fail it with error 1)
//   Sat       ATA PASS-THROUGH(12) 0xA1 and (16) 0x85, protocols 3, 4, 5 and 15
//   Fjt       0xA1/0x85 protocols 3, 4, 5; result page 0xE0; READ BUFFER id 0xA0
//   Varnkeld  0xE2/0xE3/0xE4 (mode in byte 1, low 2 bits); result page 0xE0; READ BUFFER id 0x20,
//             id 0x40 (the array status, `ata.arrayStatus`) and the ids of `readBuffers`
//   Jm        0xDF forms of the chip in `jmChip` (1..4): commands, register read, bridge information
//   Qmxt      0xF0: non-data, data-in, register read
//   Optical   GET CONFIGURATION, READ DISC INFORMATION, START STOP UNIT (tray), no ATA
// Unknown opcodes answer CHECK CONDITION 5/0x20/0x00, unknown forms of a known opcode
// 5/0x24/0x00 (invalid field in CDB). A data-in answer moves only when the block's
// direction is data in; DataTransferLength returns the bytes moved.
//
// ATA errors are reported only in the result registers; the SCSI status stays GOOD.
// Storage I/O controls (every family): device number, disk performance, hot-plug
// information, drive geometry; an output buffer below the record size fails with 122.
// Other control codes fail with 1 (ERROR_INVALID_FUNCTION).
//
// Thread safety: Control and the fault and log calls lock the device. The public state
// members and the log references are for the test's own thread: change or read them
// while no other thread is inside Control, or hold Lock() (never across Control).
#include <array>
#include <cstddef>
#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "sim/AtaDisk.h"
#include "control/device/AtaTaskFile.h"
#include "control/device/PassThroughBlock.h"
#include "control/device/StorageRecords.h"

namespace tavolen::sim {

enum class Family { PlainAta, Sat, Varnkeld, Jm, Fjt, Qmxt, Optical };

struct CdbRecord {
  std::vector<uint8_t> cdb;  // cdbLength bytes
  uint8_t direction = 0;     // DataIn of the block: 0 out, 1 in, 2 none
  uint32_t length = 0;       // DataTransferLength as received
  BlockLayout layout = BlockLayout::Bits64;
  ScsiPassThroughHeader header;  // as received
  std::vector<uint8_t> dataOut;  // the data area of a data-out block
};

struct AtaRecord {
  AtaPassThroughHeader header;  // as received
  BlockLayout layout = BlockLayout::Bits64;
  std::vector<uint8_t> dataOut;  // the data area when AtaFlags has the data-out bit
};

struct IoctlRecord {
  uint32_t code = 0;
  uint32_t inLength = 0;
  uint32_t outLength = 0;
};

// A failure to inject. Faults are keyed by CDB opcode, ATA command or control code; the
// first fault that fires in a request is the only one applied to it.
//   Transport       Control fails with `error`; nothing is written and the command does not run.
//   CheckCondition  ScsiStatus 2 with the sense key/ASC/ASCQ; the command does not run. On
//                   IOCTL_ATA_PASS_THROUGH it acts as AtaAbort; on storage I/O controls
//                   as Transport.
//   ShortData       the command runs but only `shortLength` bytes of data move (data in:
//                   DataTransferLength says so and the rest of the data area is untouched;
//                   data out: the device sees only the first bytes; storage records: only
//                   the first bytes are written and reported).
//   GarbageData     the command runs but the whole data-in area (or record) is filled with
//                   the pattern of GarbageByte().
//   AtaAbort        the ATA command is aborted without running (status 0x51, error 0x04).
//                   Has no effect on a CDB that carries no ATA command.
// `skip` matching requests pass untouched first; then the fault fires `count` times
// (-1: every time) and is removed.
struct Fault {
  enum class Kind { Transport, CheckCondition, ShortData, GarbageData, AtaAbort };
  Kind kind = Kind::Transport;
  uint32_t error = 31;  // ERROR_GEN_FAILURE
  uint8_t senseKey = 0, asc = 0, ascq = 0;
  uint32_t shortLength = 0;
  int count = -1;
  int skip = 0;

  static Fault TransportError(uint32_t error = 31) { return Fault{Kind::Transport, error}; }
  static Fault Check(uint8_t key, uint8_t asc, uint8_t ascq) { return Fault{Kind::CheckCondition, 31, key, asc, ascq}; }
  static Fault Short(uint32_t length) { return Fault{Kind::ShortData, 31, 0, 0, 0, length}; }
  static Fault Garbage() { return Fault{Kind::GarbageData}; }
  static Fault Aborted() { return Fault{Kind::AtaAbort}; }
  Fault Times(int n) const { Fault f = *this; f.count = n; return f; }
  Fault After(int n) const { Fault f = *this; f.skip = n; return f; }
};

// Bridge information (READ BUFFER of Varnkeld and Fjt: words big-endian at 2-5, text at
// 6-21 of 512 bytes; Jm: words little-endian at 0-3, text at 86-101).
struct BridgeInfo {
  uint16_t word1 = 0;
  uint16_t word2 = 0;
  std::string text;  // 16 characters, padded with spaces
};

class SimDevice {
 public:
  // Every family starts as a plausible device of its kind (see the member comments).
  explicit SimDevice(Family family);

  // Handles one DeviceIoControl. Returns success; sets *bytesReturned (0 on failure)
  // and, on failure, *error to the system error code. Either pointer may be null.
  bool Control(uint32_t code, const uint8_t* in, uint32_t inLength, uint8_t* out, uint32_t outLength,
               uint32_t* bytesReturned, uint32_t* error);

  Family family() const { return family_; }

  // --- INQUIRY (texts are cut to their field and padded with spaces; put '\0'
  //     characters in a text to get zero bytes) -------------------------------------
  uint8_t peripheralType = 0;    // 0 disk, 5 optical (family default)
  bool removableMedium = false;  // RMB bit
  std::string vendor;            // bytes 8-15; "VARNKELD" for Sat, Varnkeld, Jm, Fjt and Qmxt, else "TAVOSIM"
  std::string product;           // bytes 16-31
  std::string revision = "1.00"; // bytes 32-35
  std::string vendorSpecific;    // bytes 36-55; the chip text for Jm

  // --- READ CAPACITY -------------------------------------------------------------
  uint64_t lastLba = 976773167;  // READ CAPACITY(10) answers 0xFFFFFFFF above 0xFFFFFFFE
  uint32_t blockLength = 512;    // 2048 for Optical

  // --- storage I/O controls ------------------------------------------------------
  uint32_t deviceType = 7;         // STORAGE_DEVICE_NUMBER: 7 disk, 2 optical
  uint32_t deviceNumber = 0;       // STORAGE_DEVICE_NUMBER.DeviceNumber
  uint32_t partitionNumber = 0;
  uint32_t performanceNumber = 0;  // DISK_PERFORMANCE.StorageDeviceNumber
  StorageHotplugInfo hotplug;      // size is filled in; bridge families are device hot-plug,
                                   // Optical has removable media
  uint32_t mediaType = kMediaTypeFixed;  // DISK_GEOMETRY; 255 heads, 63 sectors, cylinders from lastLba

  // --- the ATA drive (disk families) ---------------------------------------------
  AtaDisk ata;
  const std::vector<AtaTaskFile>& Executed() const { return ata.Executed(); }

  // --- bridges -------------------------------------------------------------------
  BridgeInfo bridge;                    // Varnkeld, Fjt, Jm
  int jmChip = 0;                       // Jm: 1 j329, 2 j336, 3 j339, 4 j539 (default 3)
  void SetJmChip(int chip);             // sets jmChip and vendorSpecific to the chip's text
  bool rejectAtaPassThrough12 = false;  // Sat: 0xA1 answers CHECK CONDITION 5/0x20/0x00
  // Varnkeld: further READ BUFFER pages (mode 1) by buffer id, e.g. 0x30, the drive's own
  // standby timer in byte 1; an id with neither a page nor a meaning is an invalid field.
  std::map<uint8_t, std::vector<uint8_t>> readBuffers;

  // --- MODE SENSE(10) pages, by page code (disks: 0x08 caching; Optical: 0x2A) ------
  std::map<uint8_t, std::vector<uint8_t>> modePages;
  // Medium-type byte of the mode parameter header; when empty: Optical 0x71 with the
  // tray open, 0x70 without a medium, else 0; disks 0.
  std::optional<uint8_t> modeMediumType;

  // --- Optical ---------------------------------------------------------------------
  uint16_t currentProfile = 0x0010;  // reported while a medium is loaded, else 0
  std::vector<uint16_t> supportedProfiles{0x0008, 0x0009, 0x000A, 0x0010, 0x0011, 0x0013, 0x001A, 0x001B};
  uint8_t discStatus = 2;            // READ DISC INFORMATION byte 2 bits 0-1
  bool mediumPresent = true;
  bool trayOpen = false;             // an open tray has no medium loaded
  bool MediumLoaded() const { return mediumPresent && !trayOpen; }

  // --- fault injection (a later call for the same key replaces the fault; count 0 clears it)
  void FailCdb(uint8_t opcode, Fault f);          // SCSI pass-through with this CDB byte 0
  void FailAtaCommand(uint8_t command, Fault f);  // ATA command register, whatever carries it
  void FailIoctl(uint32_t code, Fault f);         // any control code
  void ClearFaults();
  static uint8_t GarbageByte(std::size_t index);  // the GarbageData pattern

  // --- logs ------------------------------------------------------------------------
  const std::vector<CdbRecord>& Cdbs() const { return cdbs_; }
  const std::vector<AtaRecord>& AtaCommands() const { return ataCommands_; }
  const std::vector<IoctlRecord>& Ioctls() const { return ioctls_; }
  void ClearLogs();  // also clears Executed()

  std::unique_lock<std::mutex> Lock() const { return std::unique_lock<std::mutex>(mutex_); }

 private:
  struct Sense {
    uint8_t key = 0, asc = 0, ascq = 0;
  };
  struct ScsiRequest {
    std::array<uint8_t, 16> cdb{};  // zero beyond cdbLength
    uint8_t cdbLength = 0;
    uint8_t direction = kScsiNoData;
    uint32_t transferLength = 0;
    std::vector<uint8_t> dataOut;
  };
  struct ScsiReply {
    uint8_t status = 0;  // 0 GOOD, 2 CHECK CONDITION
    Sense sense;
    std::vector<uint8_t> data;  // what a data-in command offers, already cut to its allocation length
  };
  using FaultMap = std::map<uint32_t, Fault>;

  // I/O control handlers; `buffer` starts as a copy of the input and holds the output.
  bool Dispatch(uint32_t code, std::vector<uint8_t>& buffer, uint32_t inLength, uint32_t outLength,
                uint32_t* returned, uint32_t* error);
  bool ScsiPassThrough(std::vector<uint8_t>& buffer, uint32_t inLength, uint32_t outLength, uint32_t* returned,
                       uint32_t* error);
  bool AtaPassThrough(std::vector<uint8_t>& buffer, uint32_t inLength, uint32_t outLength, uint32_t* returned,
                      uint32_t* error);
  bool StorageRecord(uint32_t code, std::vector<uint8_t>& buffer, uint32_t outLength, uint32_t* returned,
                     uint32_t* error);

  // Faults.
  bool Fire(FaultMap& faults, uint32_t key);
  bool Fired(Fault::Kind kind) const { return fired_ && fired_->kind == kind; }
  bool Blocked() const { return Fired(Fault::Kind::Transport) || Fired(Fault::Kind::CheckCondition); }
  std::size_t DataOutLimit(std::size_t length) const;

  // SCSI commands (SimCommands.cpp).
  ScsiReply Execute(const ScsiRequest& r);
  ScsiReply Inquiry(const ScsiRequest& r) const;
  ScsiReply TestUnitReady() const;
  ScsiReply ReadCapacity10() const;
  ScsiReply ReadCapacity16(const ScsiRequest& r) const;
  ScsiReply ModeSense10(const ScsiRequest& r) const;
  ScsiReply ReadBuffer(const ScsiRequest& r, uint8_t bufferId) const;
  ScsiReply SatPassThrough(const ScsiRequest& r, bool withStatusReturn);
  ScsiReply VarnkeldCommand(const ScsiRequest& r);
  ScsiReply ResultPage(const ScsiRequest& r) const;
  ScsiReply JmCommand(const ScsiRequest& r);
  ScsiReply QmxtCommand(const ScsiRequest& r);
  ScsiReply GetConfiguration(const ScsiRequest& r) const;
  ScsiReply ReadDiscInformation(const ScsiRequest& r) const;
  ScsiReply StartStopUnit(const ScsiRequest& r);
  ScsiReply CarryAta(const AtaTaskFile& registers, AtaDataPhase phase, const ScsiRequest& r, bool extend);
  std::vector<uint8_t> StatusDescriptor() const;
  static ScsiReply Good(std::vector<uint8_t> data = {});
  static ScsiReply Illegal(uint8_t asc);  // ILLEGAL REQUEST with this additional sense code
  static ScsiReply NotReady(uint8_t ascq);  // NOT READY, medium not present

  Family family_;
  mutable std::mutex mutex_;
  FaultMap cdbFaults_, ataFaults_, ioctlFaults_;
  std::optional<Fault> fired_;  // the fault applied to the request in progress
  std::vector<CdbRecord> cdbs_;
  std::vector<AtaRecord> ataCommands_;
  std::vector<IoctlRecord> ioctls_;
};

}  // namespace tavolen::sim
