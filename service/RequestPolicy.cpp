#include "service/RequestPolicy.h"

#include <array>
#include <cstring>

#include "control/device/AtaTaskFile.h"
#include "control/device/IoctlCodes.h"
#include "control/device/PassThroughBlock.h"

static_assert(tavolen::service::kMaxClientSection ==
                  2 * (tavolen::service::kMaxPassThroughData + tavolen::kScsiBlockOverhead),
              "the largest pass-through block, in and out");

namespace tavolen::service {

namespace {

// The storage controls answer into a small record; none takes input.
constexpr std::size_t kMaxRecordOutput = 256;

char Lower(char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; }

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i) {
    if (Lower(text[i]) != Lower(prefix[i])) return false;
  }
  return true;
}

bool EndsWithNoCase(std::string_view text, std::string_view suffix) {
  return text.size() >= suffix.size() && StartsWithNoCase(text.substr(text.size() - suffix.size()), suffix);
}

// A device number as the product formats it ("%lu"): digits only, no sign, no padding.
bool IsDeviceNumber(std::string_view digits) {
  if (digits.empty() || digits.size() > 3) return false;
  if (digits.size() > 1 && digits[0] == '0') return false;
  for (char c : digits) {
    if (c < '0' || c > '9') return false;
  }
  return true;
}

// Characters of a device instance identifier as it appears in an interface path.
bool IsInstanceCharacter(char c) {
  if (c <= ' ' || c > '~') return false;
  return std::strchr("\\/:*?\"<>|", c) == nullptr;
}

// --- ATA commands ----------------------------------------------------------------------

struct AtaRegisters {
  uint8_t features, count, lbaMid, lbaHigh, command;
};

bool IsAllowedAtaCommand(const AtaRegisters& r, bool dataIn) {
  constexpr uint8_t kIdentify = 0xEC, kCheckPowerMode = 0xE5, kStandby = 0xE2, kIdle = 0xE3, kSmart = 0xB0;
  constexpr uint8_t kSmartReadData = 0xD0, kSmartEnable = 0xD8, kSmartReturnStatus = 0xDA;
  constexpr uint8_t kSmartMid = 0x4F, kSmartMidAlternate = 0x44;
  switch (r.command) {
    case kIdentify: return dataIn;
    case kCheckPowerMode:
    case kStandby:
    case kIdle: return !dataIn;
    case kSmart:
      if (r.features == kSmartReadData) return dataIn && (r.lbaMid == kSmartMid || r.lbaMid == kSmartMidAlternate);
      if (r.features == kSmartEnable || r.features == kSmartReturnStatus) return !dataIn && r.lbaMid == kSmartMid;
      return false;
    default: return false;
  }
}

// --- CDBs ------------------------------------------------------------------------------

enum class Transfer { None, In };

// Where the ATA registers sit in a CDB that carries a task file.
struct AtaPlaces {
  uint8_t features, count, lbaMid, lbaHigh, command;
};
constexpr AtaPlaces kSat12Places{3, 4, 6, 7, 9};
constexpr AtaPlaces kSat16Places{4, 6, 10, 12, 14};  // also the 16-byte vendor forms
constexpr AtaPlaces kE2Places{2, 3, 5, 6, 8};
constexpr AtaPlaces kJmPlaces{5, 6, 8, 9, 11};

bool CarriesAllowedAta(const uint8_t* cdb, const AtaPlaces& at, Transfer transfer) {
  const AtaRegisters r{cdb[at.features], cdb[at.count], cdb[at.lbaMid], cdb[at.lbaHigh], cdb[at.command]};
  return IsAllowedAtaCommand(r, transfer == Transfer::In);
}

// SAT ATA PASS-THROUGH (12) and (16): non-data and PIO data-in, and the read of the
// result registers (protocol 15).
bool IsAllowedSat(const uint8_t* cdb, const AtaPlaces& at, Transfer transfer) {
  constexpr uint8_t kNonData = 3, kPioIn = 4, kResponseInfo = 15;
  const uint8_t protocol = (cdb[1] >> 1) & 0x0F;
  if (protocol == kResponseInfo) return transfer == Transfer::In;
  if (protocol == kNonData) return transfer == Transfer::None && CarriesAllowedAta(cdb, at, transfer);
  if (protocol == kPioIn) return transfer == Transfer::In && CarriesAllowedAta(cdb, at, transfer);
  return false;
}

bool IsAllowedJm(const uint8_t* cdb, Transfer transfer) {
  constexpr uint8_t kJmRead = 0x10, kRegisterRead = 0xFD, kBridgeInfo = 0xFA;
  if (cdb[1] != kJmRead) return false;
  const uint8_t b3 = cdb[3], b4 = cdb[4], last = cdb[11];
  if (b3 == 0x00 && b4 == 0x01) return transfer == Transfer::None && CarriesAllowedAta(cdb, kJmPlaces, transfer);
  if (transfer != Transfer::In) return false;
  if (b3 == 0x02 && b4 == 0x00) return CarriesAllowedAta(cdb, kJmPlaces, transfer);
  if (last == kRegisterRead) return b3 == 0x00 && b4 == 0x10;
  if (last == kBridgeInfo) return (b3 == 0x20 && b4 == 0x00) || (b3 == 0x00 && b4 == 0x80);
  return false;
}

bool IsAllowedQmxt(const uint8_t* cdb, Transfer transfer) {
  switch (cdb[1]) {
    case 0x06: return transfer == Transfer::None && CarriesAllowedAta(cdb, kSat16Places, transfer);
    case 0x08: return transfer == Transfer::In && CarriesAllowedAta(cdb, kSat16Places, transfer);
    case 0x1E: return transfer == Transfer::In;  // the result registers
    default: return false;
  }
}

bool IsAllowedCdb(const uint8_t* cdb, uint8_t length, Transfer transfer) {
  const bool in = transfer == Transfer::In;
  switch (cdb[0]) {
    case 0x00: return length == 6 && !in;                              // TEST UNIT READY
    case 0x12: return length == 6 && in && (cdb[1] & 0xFE) == 0;       // INQUIRY
    case 0x25: return length == 10 && in;                              // READ CAPACITY (10)
    case 0x9E: return length == 16 && in && (cdb[1] & 0x1F) == 0x10;   // READ CAPACITY (16)
    case 0x3C: return length == 10 && in;                              // READ BUFFER
    case 0x5A: return length == 10 && in;                              // MODE SENSE (10)
    case 0x46: return length == 10 && in;                              // GET CONFIGURATION
    case 0x51: return length == 10 && in;                              // READ DISC INFORMATION
    case 0xA1: return length == 12 && (cdb[1] & 1) == 0 && IsAllowedSat(cdb, kSat12Places, transfer);
    case 0x85: return length == 16 && IsAllowedSat(cdb, kSat16Places, transfer);
    case 0xE2: return length == 12 && !in && CarriesAllowedAta(cdb, kE2Places, transfer);
    case 0xE3: return length == 12 && in && CarriesAllowedAta(cdb, kE2Places, transfer);
    case 0xE0: return length == 10 && in;                              // bridge result registers
    case 0xDF: return length == 12 && IsAllowedJm(cdb, transfer);
    case 0xF0: return length == 16 && IsAllowedQmxt(cdb, transfer);
    default: return false;
  }
}

// --- blocks ------------------------------------------------------------------------------

bool IsAllowedScsiBlock(const uint8_t* in, std::size_t inLength, std::size_t outLength) {
  const ScsiBlockGeometry g = ScsiGeometry(BlockLayout::Bits32);
  if (in == nullptr || inLength < g.dataOffset || outLength != inLength) return false;
  const ScsiPassThroughHeader h = ReadScsiHeader(in, BlockLayout::Bits32);
  if (h.length != g.headerLength || h.dataBufferOffset != g.dataOffset || h.senseInfoOffset != g.senseOffset) {
    return false;
  }
  if (h.senseInfoLength > g.dataOffset - g.senseOffset) return false;
  if (h.cdbLength == 0 || h.cdbLength > h.cdb.size()) return false;
  if (h.dataTransferLength > kMaxPassThroughData || g.dataOffset + h.dataTransferLength > inLength) return false;
  Transfer transfer;
  if (h.dataIn == kScsiDataIn) {
    transfer = Transfer::In;
  } else if (h.dataIn == kScsiNoData && h.dataTransferLength == 0) {
    transfer = Transfer::None;
  } else {
    return false;  // data out, or an unknown direction
  }
  return IsAllowedCdb(h.cdb.data(), h.cdbLength, transfer);
}

bool IsAllowedAtaBlock(const uint8_t* in, std::size_t inLength, std::size_t outLength) {
  const AtaBlockGeometry g = AtaGeometry(BlockLayout::Bits32);
  if (in == nullptr || inLength < g.dataOffset || outLength != inLength) return false;
  const AtaPassThroughHeader h = ReadAtaHeader(in, BlockLayout::Bits32);
  if (h.length != g.headerLength || h.dataBufferOffset != g.dataOffset) return false;
  if (h.dataTransferLength > kMaxPassThroughData || g.dataOffset + h.dataTransferLength > inLength) return false;
  Transfer transfer;
  if (h.ataFlags == kAtaFlagsDataIn) {
    transfer = Transfer::In;
  } else if (h.ataFlags == kAtaFlagsDrdyRequired && h.dataTransferLength == 0) {
    transfer = Transfer::None;
  } else {
    return false;  // data out, 48-bit, DMA and anything else the product never asks
  }
  const auto& c = h.currentTaskFile;
  const AtaRegisters r{c[AtaTaskFile::Features], c[AtaTaskFile::Count], c[AtaTaskFile::LbaMid],
                       c[AtaTaskFile::LbaHigh], c[AtaTaskFile::Command]};
  return IsAllowedAtaCommand(r, transfer == Transfer::In);
}

}  // namespace

const char* RefusalText(Refusal refusal) {
  switch (refusal) {
    case Refusal::None: return "allowed";
    case Refusal::ControlCode: return "I/O control not served";
    case Refusal::DevicePath: return "device path not served";
    case Refusal::Contents: return "pass-through contents not served";
  }
  return "refused";
}

bool IsAllowedControlCode(uint32_t code) {
  switch (code) {
    case kIoctlStorageGetDeviceNumber:
    case kIoctlDiskPerformance:
    case kIoctlStorageGetHotplugInfo:
    case kIoctlDiskGetDriveGeometry:
    case kIoctlScsiPassThrough:
    case kIoctlAtaPassThrough: return true;
    default: return false;
  }
}

bool IsAllowedDevicePath(std::string_view path) {
  constexpr std::string_view kDevicePrefix = "\\\\.\\", kInterfacePrefix = "\\\\?\\";
  constexpr std::array<std::string_view, 2> kInterfaceClasses = {
      "#{53f56307-b6bf-11d0-94f2-00a0c91efb8b}",  // disk
      "#{53f56308-b6bf-11d0-94f2-00a0c91efb8b}",  // CD-ROM
  };
  if (StartsWithNoCase(path, kDevicePrefix)) {
    const std::string_view name = path.substr(kDevicePrefix.size());
    if (name.size() == 2 && name[1] == ':') {
      const char letter = Lower(name[0]);
      return letter >= 'a' && letter <= 'z';
    }
    for (std::string_view kind : {std::string_view("PhysicalDrive"), std::string_view("Cdrom")}) {
      if (StartsWithNoCase(name, kind)) return IsDeviceNumber(name.substr(kind.size()));
    }
    return false;
  }
  if (!StartsWithNoCase(path, kInterfacePrefix)) return false;
  const std::string_view rest = path.substr(kInterfacePrefix.size());
  for (char c : rest) {
    if (!IsInstanceCharacter(c)) return false;
  }
  for (std::string_view interfaceClass : kInterfaceClasses) {
    if (rest.size() > interfaceClass.size() && EndsWithNoCase(rest, interfaceClass)) return true;
  }
  return false;
}

Refusal CheckControlContents(uint32_t code, const uint8_t* in, std::size_t inLength, std::size_t outLength) {
  switch (code) {
    case kIoctlScsiPassThrough:
      return IsAllowedScsiBlock(in, inLength, outLength) ? Refusal::None : Refusal::Contents;
    case kIoctlAtaPassThrough:
      return IsAllowedAtaBlock(in, inLength, outLength) ? Refusal::None : Refusal::Contents;
    default:
      if (!IsAllowedControlCode(code)) return Refusal::ControlCode;
      return inLength == 0 && outLength <= kMaxRecordOutput ? Refusal::None : Refusal::Contents;
  }
}

bool IsClientSectionName(std::string_view name) {
  constexpr std::string_view kPrefix = "Global\\", kSuffix = "-LIBSEMBRID_SHARE";
  constexpr std::size_t kDigits = 16;
  if (name.size() != kPrefix.size() + kDigits + kSuffix.size()) return false;
  if (name.substr(0, kPrefix.size()) != kPrefix || name.substr(kPrefix.size() + kDigits) != kSuffix) return false;
  for (char c : name.substr(kPrefix.size(), kDigits)) {
    if (!((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'))) return false;
  }
  return true;
}

Refusal CheckDeviceRequest(std::string_view path, uint32_t code, const uint8_t* in, std::size_t inLength,
                           std::size_t outLength) {
  if (!IsAllowedControlCode(code)) return Refusal::ControlCode;
  if (!IsAllowedDevicePath(path)) return Refusal::DevicePath;
  return CheckControlContents(code, in, inLength, outLength);
}

}  // namespace tavolen::service
