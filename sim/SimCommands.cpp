// The SCSI command set of the simulated device: the commands every family answers and
// the ATA carriers of each bridge family.
#include <algorithm>
#include <optional>

#include "control/device/ByteOrder.h"
#include "sim/SimDevice.h"

namespace tavolen::sim {
namespace {

constexpr uint8_t kTestUnitReady = 0x00, kStartStopUnit = 0x1B, kInquiry = 0x12, kReadCapacity10 = 0x25,
                  kReadBuffer = 0x3C, kGetConfiguration = 0x46, kReadDiscInformation = 0x51, kModeSense10 = 0x5A,
                  kAtaPassThrough16 = 0x85, kServiceActionIn16 = 0x9E, kAtaPassThrough12 = 0xA1,
                  kJmVendor = 0xDF, kResultPage = 0xE0, kVarnkeldNonData = 0xE2, kVarnkeldDataIn = 0xE3,
                  kVarnkeldDataOut = 0xE4, kQmxtVendor = 0xF0;
constexpr uint8_t kReadCapacity16Action = 0x10;
constexpr uint8_t kVarnkeldBufferId = 0x20, kFjtBufferId = 0xA0, kArrayStatusBufferId = 0x40;
constexpr std::size_t kBridgePageSize = 512, kResultPageSize = 512, kStatusDescriptorSize = 14;
constexpr std::size_t kJmRegisterSize = 16, kJmInfoSize = 128, kJmWideInfoSize = 8192, kJmInfoText = 86;
constexpr std::size_t kBridgeTextSize = 16;

constexpr uint8_t kIllegalRequest = 5, kNotReady = 2;
constexpr uint8_t kInvalidOpcode = 0x20, kInvalidField = 0x24, kMediumNotPresent = 0x3A;

using Reg = AtaTaskFile::Register;

uint32_t GetBe24(const uint8_t* p) { return (uint32_t(p[0]) << 16) | (uint32_t(p[1]) << 8) | p[2]; }

// Copies `text` into a fixed field, padded with spaces.
void PutText(std::vector<uint8_t>& bytes, std::size_t at, std::size_t width, const std::string& text) {
  for (std::size_t i = 0; i < width; ++i) bytes[at + i] = i < text.size() ? uint8_t(text[i]) : uint8_t(' ');
}

std::vector<uint8_t> Clip(std::vector<uint8_t> data, std::size_t allocation) {
  if (data.size() > allocation) data.resize(allocation);
  return data;
}

std::optional<AtaDataPhase> PioPhase(uint8_t protocol) {
  switch (protocol) {
    case 3: return AtaDataPhase::None;
    case 4: return AtaDataPhase::In;
    case 5: return AtaDataPhase::Out;
    default: return std::nullopt;
  }
}

// The register read address of each Jm chip (index 1..4).
std::optional<uint8_t> JmRegisterAddress(int chip) {
  static constexpr uint8_t kAddresses[] = {0x83, 0x90, 0x80, 0x63};
  if (chip < 1 || chip > 4) return std::nullopt;
  return kAddresses[chip - 1];
}

}  // namespace

SimDevice::ScsiReply SimDevice::Good(std::vector<uint8_t> data) { return ScsiReply{0, Sense{}, std::move(data)}; }

SimDevice::ScsiReply SimDevice::Illegal(uint8_t asc) { return ScsiReply{2, Sense{kIllegalRequest, asc, 0}, {}}; }

SimDevice::ScsiReply SimDevice::NotReady(uint8_t ascq) {
  return ScsiReply{2, Sense{kNotReady, kMediumNotPresent, ascq}, {}};
}

SimDevice::ScsiReply SimDevice::Execute(const ScsiRequest& r) {
  const auto invalidOpcode = [] { return Illegal(kInvalidOpcode); };
  const auto invalidField = [] { return Illegal(kInvalidField); };
  // A CDB shorter than the form its opcode names is refused as an invalid field.
  const auto shorterThan = [&](uint8_t bytes) { return r.cdbLength < bytes; };

  const uint8_t op = r.cdb[0];
  switch (family_) {
    case Family::Sat:
      if (op == kAtaPassThrough12 || op == kAtaPassThrough16) return SatPassThrough(r, true);
      break;
    case Family::Fjt:
      if (op == kAtaPassThrough12 || op == kAtaPassThrough16) return SatPassThrough(r, false);
      if (op == kResultPage) return ResultPage(r);
      if (op == kReadBuffer) return ReadBuffer(r, kFjtBufferId);
      break;
    case Family::Varnkeld:
      if (op == kVarnkeldNonData || op == kVarnkeldDataIn || op == kVarnkeldDataOut) return VarnkeldCommand(r);
      if (op == kResultPage) return ResultPage(r);
      if (op == kReadBuffer) return ReadBuffer(r, kVarnkeldBufferId);
      break;
    case Family::Jm:
      if (op == kJmVendor) return JmCommand(r);
      break;
    case Family::Qmxt:
      if (op == kQmxtVendor) return QmxtCommand(r);
      break;
    case Family::Optical:
      if (op == kGetConfiguration) return shorterThan(10) ? invalidField() : GetConfiguration(r);
      if (op == kReadDiscInformation) return shorterThan(10) ? invalidField() : ReadDiscInformation(r);
      if (op == kStartStopUnit) return shorterThan(6) ? invalidField() : StartStopUnit(r);
      break;
    case Family::PlainAta:
      break;
  }
  switch (op) {
    case kTestUnitReady: return shorterThan(6) ? invalidField() : TestUnitReady();
    case kInquiry: return shorterThan(6) ? invalidField() : Inquiry(r);
    case kReadCapacity10: return shorterThan(10) ? invalidField() : ReadCapacity10();
    case kServiceActionIn16: return shorterThan(16) ? invalidField() : ReadCapacity16(r);
    case kModeSense10: return shorterThan(10) ? invalidField() : ModeSense10(r);
    default: return invalidOpcode();
  }
}

// --- commands of every family -----------------------------------------------------

SimDevice::ScsiReply SimDevice::Inquiry(const ScsiRequest& r) const {
  if (r.cdb[1] & 0x01) return Illegal(kInvalidField);  // no vital product data pages
  std::vector<uint8_t> data(96, 0);
  data[0] = peripheralType & 0x1F;
  data[1] = removableMedium ? 0x80 : 0x00;
  data[2] = 0x05;  // SPC-3
  data[3] = 0x02;  // response data format
  data[4] = uint8_t(data.size() - 5);
  PutText(data, 8, 8, vendor);
  PutText(data, 16, 16, product);
  PutText(data, 32, 4, revision);
  PutText(data, 36, 20, vendorSpecific);
  return Good(Clip(std::move(data), GetBe16(&r.cdb[3])));
}

SimDevice::ScsiReply SimDevice::TestUnitReady() const {
  if (family_ == Family::Optical && !MediumLoaded()) return NotReady(trayOpen ? 0x02 : 0x01);
  return Good();
}

SimDevice::ScsiReply SimDevice::ReadCapacity10() const {
  if (family_ == Family::Optical && !MediumLoaded()) return NotReady(trayOpen ? 0x02 : 0x01);
  std::vector<uint8_t> data(8);
  PutBe32(data.data(), lastLba > 0xFFFFFFFEull ? 0xFFFFFFFFu : uint32_t(lastLba));
  PutBe32(data.data() + 4, blockLength);
  return Good(data);
}

SimDevice::ScsiReply SimDevice::ReadCapacity16(const ScsiRequest& r) const {
  if ((r.cdb[1] & 0x1F) != kReadCapacity16Action) return Illegal(kInvalidField);
  if (family_ == Family::Optical && !MediumLoaded()) return NotReady(trayOpen ? 0x02 : 0x01);
  std::vector<uint8_t> data(32, 0);
  PutBe64(data.data(), lastLba);
  PutBe32(data.data() + 8, blockLength);
  return Good(Clip(std::move(data), GetBe32(&r.cdb[10])));
}

SimDevice::ScsiReply SimDevice::ModeSense10(const ScsiRequest& r) const {
  const uint8_t page = r.cdb[2] & 0x3F;
  std::vector<uint8_t> data(8, 0);
  for (const auto& [code, content] : modePages)
    if (page == 0x3F || page == code) data.insert(data.end(), content.begin(), content.end());
  if (data.size() == 8) return Illegal(kInvalidField);
  PutBe16(data.data(), uint16_t(data.size() - 2));
  if (modeMediumType)
    data[2] = *modeMediumType;
  else if (family_ == Family::Optical)
    data[2] = trayOpen ? 0x71 : mediumPresent ? 0x00 : 0x70;
  return Good(Clip(std::move(data), GetBe16(&r.cdb[7])));
}

// READ BUFFER, mode 1 (vendor specific): the bridge's information buffer and, for the
// maker's bridge, the array status and further pages.
SimDevice::ScsiReply SimDevice::ReadBuffer(const ScsiRequest& r, uint8_t bufferId) const {
  if (r.cdbLength < 10 || (r.cdb[1] & 0x1F) != 0x01) return Illegal(kInvalidField);
  std::vector<uint8_t> page(kBridgePageSize, 0);
  const uint8_t id = r.cdb[2];
  if (id == bufferId) {
    PutBe16(page.data() + 2, bridge.word1);
    PutBe16(page.data() + 4, bridge.word2);
    PutText(page, 6, kBridgeTextSize, bridge.text);
  } else if (family_ == Family::Varnkeld && id == kArrayStatusBufferId && !ata.arrayStatus.empty()) {
    std::copy_n(ata.arrayStatus.begin(), std::min(ata.arrayStatus.size(), page.size()), page.begin());
  } else if (family_ == Family::Varnkeld && readBuffers.count(id)) {
    const std::vector<uint8_t>& stored = readBuffers.at(id);
    std::copy_n(stored.begin(), std::min(stored.size(), page.size()), page.begin());
  } else {
    return Illegal(kInvalidField);
  }
  const uint32_t offset = GetBe24(&r.cdb[3]);
  if (offset >= kBridgePageSize) return Illegal(kInvalidField);
  page.erase(page.begin(), page.begin() + offset);
  return Good(Clip(std::move(page), GetBe24(&r.cdb[6])));
}

// --- ATA carriers -------------------------------------------------------------------

SimDevice::ScsiReply SimDevice::CarryAta(const AtaTaskFile& registers, AtaDataPhase phase, const ScsiRequest& r,
                                         bool extend) {
  Fire(ataFaults_, registers[Reg::Command]);
  if (Blocked()) return Good();  // the caller turns the fault into its answer
  if (Fired(Fault::Kind::AtaAbort)) {
    ata.Abort(registers, extend);
    return Good();
  }
  AtaDisk::Outcome outcome = ata.Execute(registers, phase, r.dataOut.data(), DataOutLimit(r.dataOut.size()), extend);
  return Good(std::move(outcome.data));
}

// The ATA status return descriptor of the last command.
std::vector<uint8_t> SimDevice::StatusDescriptor() const {
  const AtaTaskFile& last = ata.LastResult();
  std::vector<uint8_t> d(kStatusDescriptorSize, 0);
  d[0] = 0x09;
  d[1] = 0x0C;
  d[2] = last[Reg::Reserved];
  d[3] = last[Reg::Features];
  d[4] = last.previous[Reg::Count];
  d[5] = last[Reg::Count];
  d[6] = last.previous[Reg::LbaLow];
  d[7] = last[Reg::LbaLow];
  d[8] = last.previous[Reg::LbaMid];
  d[9] = last[Reg::LbaMid];
  d[10] = last.previous[Reg::LbaHigh];
  d[11] = last[Reg::LbaHigh];
  d[12] = last[Reg::Device];
  d[13] = last[Reg::Command];
  return d;
}

// ATA PASS-THROUGH(12) and (16). `withStatusReturn`: protocol 15 returns the status
// descriptor of the last command (the Fjt variant leaves it to its 0xE0 page).
SimDevice::ScsiReply SimDevice::SatPassThrough(const ScsiRequest& r, bool withStatusReturn) {
  const bool twelve = r.cdb[0] == kAtaPassThrough12;
  if (r.cdbLength < (twelve ? 12 : 16)) return Illegal(kInvalidField);
  if (twelve && rejectAtaPassThrough12 && family_ == Family::Sat) return Illegal(kInvalidOpcode);
  const uint8_t protocol = (r.cdb[1] >> 1) & 0x0F;
  if (protocol == 15 && withStatusReturn) return Good(StatusDescriptor());
  const std::optional<AtaDataPhase> phase = PioPhase(protocol);
  if (!phase) return Illegal(kInvalidField);
  AtaTaskFile t;
  const uint8_t* c = r.cdb.data();
  if (twelve) {
    t.current = {c[3], c[4], c[5], c[6], c[7], c[8], c[9], 0};
  } else {
    t.current = {c[4], c[6], c[8], c[10], c[12], c[13], c[14], 0};
    t.previous = {c[3], c[5], c[7], c[9], c[11], 0, 0, 0};
  }
  return CarryAta(t, *phase, r, !twelve && (c[1] & 0x01));
}

SimDevice::ScsiReply SimDevice::VarnkeldCommand(const ScsiRequest& r) {
  const uint8_t* c = r.cdb.data();
  if (r.cdbLength < 12 || (c[1] & 0xFC) != 0) return Illegal(kInvalidField);
  AtaTaskFile t;
  t.current = {c[2], c[3], c[4], c[5], c[6], c[7], c[8], c[9]};
  t.previous[Reg::Features] = c[10];
  const AtaDataPhase phase = c[0] == kVarnkeldDataIn    ? AtaDataPhase::In
                             : c[0] == kVarnkeldDataOut ? AtaDataPhase::Out
                                                        : AtaDataPhase::None;
  return CarryAta(t, phase, r, false);
}

// The 512-byte result page of the Varnkeld and Fjt bridges (0xE0, byte 7 = 2).
SimDevice::ScsiReply SimDevice::ResultPage(const ScsiRequest& r) const {
  if (r.cdbLength < 10 || (r.cdb[1] & 0xFC) != 0 || r.cdb[7] != 2) return Illegal(kInvalidField);
  const AtaTaskFile& last = ata.LastResult();
  std::vector<uint8_t> page(kResultPageSize, 0);
  page[4] = last[Reg::Features];
  page[5] = last.previous[Reg::Features];
  page[6] = last[Reg::Count];
  page[7] = last.previous[Reg::Count];
  page[8] = last[Reg::LbaLow];
  page[9] = last.previous[Reg::LbaLow];
  page[10] = last[Reg::LbaMid];
  page[11] = last.previous[Reg::LbaMid];
  page[12] = last[Reg::LbaHigh];
  page[13] = last.previous[Reg::LbaHigh];
  page[14] = last[Reg::Device];
  page[15] = last[Reg::Command];
  return Good(page);
}

SimDevice::ScsiReply SimDevice::JmCommand(const ScsiRequest& r) {
  const uint8_t* c = r.cdb.data();
  if (r.cdbLength < 12) return Illegal(kInvalidField);

  if (c[1] == 0x10 && c[3] == 0x00 && c[4] == 0x10 && c[11] == 0xFD) {  // register read
    const std::optional<uint8_t> address = JmRegisterAddress(jmChip);
    if (!address || c[6] != *address) return Illegal(kInvalidField);
    const AtaTaskFile& last = ata.LastResult();
    std::vector<uint8_t> b(kJmRegisterSize, 0);
    b[0] = last[Reg::Count];
    b[1] = last.previous[Reg::Count];
    b[13] = last[Reg::Features];
    b[14] = last[Reg::Command];
    if (jmChip == 4) {
      b[3] = last[Reg::Reserved];
      b[4] = last[Reg::LbaLow];
      b[5] = last[Reg::LbaMid];
      b[6] = last[Reg::LbaHigh];
      b[7] = last[Reg::Device];
      b[8] = last.previous[Reg::LbaLow];
      b[9] = last.previous[Reg::LbaMid];
      b[10] = last.previous[Reg::LbaHigh];
    } else {
      b[2] = last[Reg::Reserved];
      b[4] = last[Reg::LbaMid];
      b[5] = last.previous[Reg::LbaMid];
      b[6] = last[Reg::LbaLow];
      b[7] = last.previous[Reg::LbaLow];
      b[9] = last[Reg::Device];
      b[10] = last[Reg::LbaHigh];
      b[11] = last.previous[Reg::LbaHigh];
    }
    return Good(b);
  }

  if (c[11] == 0xFA && (c[4] == 0x80 || c[3] == 0x20)) {  // bridge information
    const bool narrow = jmChip >= 1 && jmChip <= 3 && c[1] == 0x10 && c[3] == 0x00 && c[4] == 0x80;
    const bool wide = jmChip == 4 && c[1] == 0x10 && c[3] == 0x20 && c[4] == 0x00 && c[9] == 0xC0;
    if (!narrow && !wide) return Illegal(kInvalidField);
    std::vector<uint8_t> info(wide ? kJmWideInfoSize : kJmInfoSize, 0);
    PutLe16(info.data(), bridge.word1);
    PutLe16(info.data() + 2, bridge.word2);
    PutText(info, kJmInfoText, kBridgeTextSize, bridge.text);
    return Good(info);
  }

  AtaDataPhase phase;
  if (c[1] == 0x10 && c[3] == 0x00 && c[4] == 0x01)
    phase = AtaDataPhase::None;
  else if (c[1] == 0x10 && c[3] == 0x02 && c[4] == 0x00)
    phase = AtaDataPhase::In;
  else if (c[1] == 0x00 && c[3] == 0x02 && c[4] == 0x00)
    phase = AtaDataPhase::Out;
  else
    return Illegal(kInvalidField);
  AtaTaskFile t;
  t.current = {c[5], c[6], c[7], c[8], c[9], c[10], c[11], 0};
  return CarryAta(t, phase, r, false);
}

SimDevice::ScsiReply SimDevice::QmxtCommand(const ScsiRequest& r) {
  const uint8_t* c = r.cdb.data();
  if (r.cdbLength < 16) return Illegal(kInvalidField);
  if (c[1] == 0x1E) return Good(StatusDescriptor());  // register read
  if (c[1] != 0x06 && c[1] != 0x08) return Illegal(kInvalidField);
  AtaTaskFile t;
  t.current = {c[4], c[6], c[8], c[10], c[12], c[13], c[14], c[15]};
  return CarryAta(t, c[1] == 0x08 ? AtaDataPhase::In : AtaDataPhase::None, r, false);
}

// --- optical --------------------------------------------------------------------------

SimDevice::ScsiReply SimDevice::GetConfiguration(const ScsiRequest& r) const {
  std::vector<uint8_t> data(8, 0);
  PutBe16(data.data() + 6, MediumLoaded() ? currentProfile : 0);
  if (GetBe16(&r.cdb[2]) == 0) {  // the Profile List feature
    const std::size_t count = std::min<std::size_t>(supportedProfiles.size(), 63);
    const std::size_t at = data.size();
    data.resize(at + 4 + 4 * count, 0);
    data[at + 2] = 0x03;  // persistent, current
    data[at + 3] = uint8_t(4 * count);
    for (std::size_t i = 0; i < count; ++i) {
      PutBe16(&data[at + 4 + 4 * i], supportedProfiles[i]);
      data[at + 6 + 4 * i] = MediumLoaded() && supportedProfiles[i] == currentProfile ? 1 : 0;
    }
  }
  PutBe32(data.data(), uint32_t(data.size() - 4));
  return Good(Clip(std::move(data), GetBe16(&r.cdb[7])));
}

SimDevice::ScsiReply SimDevice::ReadDiscInformation(const ScsiRequest& r) const {
  if (!MediumLoaded()) return NotReady(0x00);
  static constexpr uint8_t kLastSession[] = {0, 1, 3, 3};  // empty, incomplete, complete, complete
  std::vector<uint8_t> data(34, 0);
  PutBe16(data.data(), uint16_t(data.size() - 2));
  data[2] = uint8_t((kLastSession[discStatus & 3] << 2) | (discStatus & 3));
  data[3] = 1;  // first track, sessions, first and last track of the last session
  data[4] = 1;
  data[5] = 1;
  data[6] = 1;
  return Good(Clip(std::move(data), GetBe16(&r.cdb[7])));
}

// START STOP UNIT with LoEj: Start 0 opens the tray, Start 1 closes it.
SimDevice::ScsiReply SimDevice::StartStopUnit(const ScsiRequest& r) {
  if (r.cdb[4] & 0x02) trayOpen = (r.cdb[4] & 0x01) == 0;
  return Good();
}

}  // namespace tavolen::sim
