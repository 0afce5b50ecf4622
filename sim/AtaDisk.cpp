#include "sim/AtaDisk.h"

#include <algorithm>

#include "control/device/ByteOrder.h"

namespace tavolen::sim {
namespace {

constexpr uint8_t kIdentify = 0xEC, kCheckPowerMode = 0xE5, kStandby = 0xE2, kIdle = 0xE3, kSmart = 0xB0;
constexpr uint8_t kSmartReadData = 0xD0, kSmartReadLog = 0xD5, kSmartWriteLog = 0xD6, kSmartEnable = 0xD8,
                  kSmartDisable = 0xD9, kSmartReturnStatus = 0xDA;
constexpr uint8_t kSmartMid = 0x4F, kSmartHigh = 0xC2, kSmartBadMid = 0xF4, kSmartBadHigh = 0x2C;
constexpr uint8_t kFirstHostLog = 0x80, kLastHostLog = 0x9F;

void PutAtaString(std::array<uint16_t, 256>& words, std::size_t first, std::size_t count, std::string_view text) {
  for (std::size_t i = 0; i < count; ++i) {
    const auto at = [&](std::size_t k) { return k < text.size() ? uint8_t(text[k]) : uint8_t(' '); };
    words[first + i] = uint16_t((at(2 * i) << 8) | at(2 * i + 1));
  }
}

uint8_t Checksum(const uint8_t* bytes, std::size_t count) {
  unsigned sum = 0;
  for (std::size_t i = 0; i < count; ++i) sum += bytes[i];
  return uint8_t(0x100 - (sum & 0xFF));
}

}  // namespace

AtaDisk::AtaDisk() {
  identify[0] = 0x0040;   // fixed device
  identify[1] = 16383;    // default cylinders, heads, sectors per track
  identify[3] = 16;
  identify[6] = 63;
  identify[47] = 0x8010;  // READ/WRITE MULTIPLE up to 16 sectors
  identify[49] = 0x0300;  // LBA and DMA supported
  identify[53] = 0x0006;  // words 64-70 and 88 valid
  identify[80] = 0x01F0;  // ATA-4 to ATA-8
  identify[82] = 0x0009;  // power management, S.M.A.R.T.
  identify[83] = 0x4400;  // 48-bit addressing
  identify[84] = 0x4000;
  identify[85] = 0x0009;
  identify[86] = 0x0400;
  identify[87] = 0x4000;
  SetSerial("SIM0000001");
  SetFirmware("1.00");
  SetModel("SIM ATA DISK");
  SetCapacity(976773168);

  PutLe16(smartData.data(), 0x0010);  // data structure revision
  smartData[362] = 0x82;              // off-line data collection: completed, automatic
  smartData[367] = 0x5B;              // off-line collection capabilities
  PutLe16(smartData.data() + 368, 0x0003);
  smartData[370] = 0x01;  // error logging supported
  SetSmartAttribute(1, 100, 100, 0, 0x000F);
  SetSmartAttribute(9, 99, 99, 1234, 0x0032);
  SetTemperature(40);

  lastResult_[AtaTaskFile::Command] = kStatusGood;
}

void AtaDisk::SetSerial(std::string_view text) { PutAtaString(identify, 10, 10, text); }
void AtaDisk::SetFirmware(std::string_view text) { PutAtaString(identify, 23, 4, text); }
void AtaDisk::SetModel(std::string_view text) { PutAtaString(identify, 27, 20, text); }

void AtaDisk::SetCapacity(uint64_t sectors) {
  const uint32_t small = uint32_t(std::min<uint64_t>(sectors, 0x0FFFFFFF));
  identify[60] = uint16_t(small);
  identify[61] = uint16_t(small >> 16);
  for (int i = 0; i < 4; ++i) identify[100 + i] = uint16_t(sectors >> (16 * i));
}

bool AtaDisk::SetSmartAttribute(uint8_t id, uint8_t current, uint8_t worst, uint64_t raw, uint16_t flags) {
  if (id == 0) return false;
  uint8_t* entry = nullptr;
  for (std::size_t i = 0; i < kAttributeCount && entry == nullptr; ++i) {
    uint8_t* e = smartData.data() + kAttributeTable + i * kAttributeSize;
    if (e[0] == id) entry = e;
  }
  for (std::size_t i = 0; i < kAttributeCount && entry == nullptr; ++i) {
    uint8_t* e = smartData.data() + kAttributeTable + i * kAttributeSize;
    if (e[0] == 0) entry = e;
  }
  if (entry == nullptr) return false;
  entry[0] = id;
  PutLe16(entry + 1, flags);
  entry[3] = current;
  entry[4] = worst;
  for (int i = 0; i < 6; ++i) entry[5 + i] = uint8_t(raw >> (8 * i));
  entry[11] = 0;
  return true;
}

void AtaDisk::RemoveSmartAttribute(uint8_t id) {
  for (std::size_t i = 0; i < kAttributeCount; ++i) {
    uint8_t* e = smartData.data() + kAttributeTable + i * kAttributeSize;
    if (e[0] == id) std::fill(e, e + kAttributeSize, uint8_t(0));
  }
}

bool AtaDisk::SetTemperature(uint8_t celsius) {
  const uint8_t normalized = uint8_t(std::max(1, 100 - celsius / 2));
  return SetSmartAttribute(kTemperatureId, normalized, normalized, celsius);
}

void AtaDisk::RemoveTemperature() { RemoveSmartAttribute(kTemperatureId); }

std::vector<uint8_t> AtaDisk::IdentifyData() const {
  std::array<uint16_t, 256> words = identify;
  words[82] = uint16_t((words[82] & ~1u) | (smartSupported ? 1u : 0u));
  words[85] = uint16_t((words[85] & ~1u) | (smartEnabled ? 1u : 0u));
  std::vector<uint8_t> bytes(kSectorSize);
  for (std::size_t i = 0; i < words.size(); ++i) PutLe16(bytes.data() + 2 * i, words[i]);
  bytes[510] = 0xA5;
  bytes[511] = Checksum(bytes.data(), 511);
  return bytes;
}

std::vector<uint8_t> AtaDisk::SmartPage() const {
  std::vector<uint8_t> bytes(smartData.begin(), smartData.end());
  bytes[511] = Checksum(bytes.data(), 511);
  return bytes;
}

AtaDisk::Outcome AtaDisk::Execute(const AtaTaskFile& in, AtaDataPhase phase, const uint8_t* dataOut,
                                  std::size_t dataOutLength, bool extend) {
  executed_.push_back(in);
  Outcome out;
  out.registers = in;
  out.registers[AtaTaskFile::Reserved] = extend ? 1 : 0;
  if (dataOut == nullptr) dataOutLength = 0;
  const bool good = Run(in, phase, dataOut, dataOutLength, out);
  return Finish(std::move(out), good);
}

AtaDisk::Outcome AtaDisk::Abort(const AtaTaskFile& in, bool extend) {
  executed_.push_back(in);
  Outcome out;
  out.registers = in;
  out.registers[AtaTaskFile::Reserved] = extend ? 1 : 0;
  return Finish(std::move(out), false);
}

AtaDisk::Outcome AtaDisk::Finish(Outcome out, bool good) {
  if (!good) out.data.clear();
  out.registers[AtaTaskFile::Features] = good ? 0 : kErrorAbort;
  out.registers[AtaTaskFile::Command] = good ? kStatusGood : kStatusError;
  lastResult_ = out.registers;
  return out;
}

bool AtaDisk::Run(const AtaTaskFile& in, AtaDataPhase phase, const uint8_t* dataOut, std::size_t dataOutLength,
                  Outcome& out) {
  switch (in[AtaTaskFile::Command]) {
    case kIdentify:
      if (phase != AtaDataPhase::In) return false;
      powerMode = kPowerActive;
      out.data = IdentifyData();
      return true;
    case kCheckPowerMode:
      if (phase != AtaDataPhase::None) return false;
      out.registers[AtaTaskFile::Count] = powerMode;
      out.registers[AtaTaskFile::LbaLow] = 0;
      return true;
    case kStandby:
    case kIdle:
      if (phase != AtaDataPhase::None) return false;
      standbyTimer = in[AtaTaskFile::Count];
      powerMode = in[AtaTaskFile::Command] == kStandby ? kPowerStandby : kPowerActive;
      return true;
    case kSmart:
      return RunSmart(in, phase, dataOut, dataOutLength, out);
    default:
      return false;
  }
}

bool AtaDisk::RunSmart(const AtaTaskFile& in, AtaDataPhase phase, const uint8_t* dataOut, std::size_t dataOutLength,
                       Outcome& out) {
  if (in[AtaTaskFile::Features] == kSmartReadData && in[AtaTaskFile::LbaMid] == kArrayStatusMid &&
      in[AtaTaskFile::LbaHigh] == 0) {
    // The array controller answers for its disks; none of them has to spin.
    if (phase != AtaDataPhase::In || arrayStatus.empty()) return false;
    out.data.assign(kSectorSize, 0);
    std::copy_n(arrayStatus.begin(), std::min(arrayStatus.size(), kSectorSize), out.data.begin());
    return true;
  }
  if (!smartSupported || in[AtaTaskFile::LbaMid] != kSmartMid || in[AtaTaskFile::LbaHigh] != kSmartHigh) return false;
  const uint8_t feature = in[AtaTaskFile::Features];
  if (feature == kSmartEnable) {
    if (phase != AtaDataPhase::None) return false;
    smartEnabled = true;
    return true;
  }
  if (!smartEnabled) return false;

  const uint8_t log = in[AtaTaskFile::LbaLow];
  const std::size_t sectors = in[AtaTaskFile::Count];
  const bool hostLog = log >= kFirstHostLog && log <= kLastHostLog && sectors >= 1 && sectors <= kHostLogSectors;
  switch (feature) {
    case kSmartDisable:
      if (phase != AtaDataPhase::None) return false;
      smartEnabled = false;
      return true;
    case kSmartReturnStatus:
      if (phase != AtaDataPhase::None) return false;
      out.registers[AtaTaskFile::LbaMid] = smartThresholdExceeded ? kSmartBadMid : kSmartMid;
      out.registers[AtaTaskFile::LbaHigh] = smartThresholdExceeded ? kSmartBadHigh : kSmartHigh;
      return true;
    case kSmartReadData:
      if (phase != AtaDataPhase::In) return false;
      powerMode = kPowerActive;
      out.data = SmartPage();
      return true;
    case kSmartReadLog: {
      if (phase != AtaDataPhase::In || !hostLog) return false;
      out.data.assign(sectors * kSectorSize, 0);
      const auto found = hostLogs.find(log);
      if (found != hostLogs.end())
        std::copy_n(found->second.begin(), std::min(found->second.size(), out.data.size()), out.data.begin());
      return true;
    }
    case kSmartWriteLog: {
      if (phase != AtaDataPhase::Out || !hostLog) return false;
      std::vector<uint8_t>& stored = hostLogs[log];
      stored.resize(std::max(stored.size(), sectors * kSectorSize), 0);
      std::fill_n(stored.begin(), sectors * kSectorSize, uint8_t(0));
      std::copy_n(dataOut, std::min(dataOutLength, sectors * kSectorSize), stored.begin());
      return true;
    }
    default:
      return false;
  }
}

}  // namespace tavolen::sim
