#include "control/device/CJmCommand.h"

#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "control/device/ByteOrder.h"

namespace tavolen {

namespace {
constexpr uint8_t kOpJm = 0xDF;
constexpr std::size_t kBridgeAnswerSize = 8192;

uint8_t RegisterAddress(uint32_t chip) {
  switch (chip) {
    case 1: return 0x83;
    case 2: return 0x90;
    case 3: return 0x80;
    case 4: return 0x63;
    default: return 0;
  }
}
}  // namespace

uint32_t JmChipFromInquiryText(const char* text7) {
  // The text as "%7.7s" gives it: at most seven characters, ending at a NUL.
  const std::string text(text7, strnlen(text7, 7));
  if (text == "JM20339") return 3;
  if (text.find("j339") != std::string::npos) return 3;
  if (text.find("j336") != std::string::npos) return 2;
  if (text.find("j329") != std::string::npos) return 1;
  if (text.find("j539") != std::string::npos) return 4;
  return 0;
}

CJmCommand::CJmCommand(DeviceOpener& opener, uint32_t driveNumber, uint32_t chip)
    : CAtaCommand(opener, driveNumber), chip_(chip) {
  if (chip_ == 0) DetectChip();
}

CJmCommand::CJmCommand(DeviceOpener& opener, std::u16string path, uint32_t chip)
    : CAtaCommand(opener, std::move(path)), chip_(chip) {
  if (chip_ == 0) DetectChip();
}

void CJmCommand::DetectChip() {
  uint8_t inquiry[44] = {};
  if (!Inquiry(inquiry, sizeof inquiry)) return;
  chip_ = JmChipFromInquiryText(reinterpret_cast<const char*>(inquiry + 36));
}

bool CJmCommand::Send(uint8_t byte1, uint8_t byte3, uint8_t byte4, AtaTaskFile& tf, ScsiDirection direction,
                      uint8_t* buffer, uint32_t length) {
  const auto& r = tf.current;
  const uint8_t cdb[12] = {kOpJm, byte1, 0, byte3, byte4, r[0], r[1], r[2], r[3], r[4], r[5], r[6]};
  const bool ok = ScsiPassThrough(direction, cdb, sizeof cdb, buffer, length);
  ReadResultRegisters(tf);
  return ok;
}

bool CJmCommand::NonData(AtaTaskFile& tf) { return Send(0x10, 0x00, 0x01, tf, ScsiDirection::None, nullptr, 0); }

bool CJmCommand::DataIn(AtaTaskFile& tf, uint8_t* buffer, uint32_t length) {
  return Send(0x10, 0x02, 0x00, tf, ScsiDirection::In, buffer, length);
}

bool CJmCommand::DataOut(AtaTaskFile& tf, const uint8_t* buffer, uint32_t length) {
  return Send(0x00, 0x02, 0x00, tf, ScsiDirection::Out, const_cast<uint8_t*>(buffer), length);
}

bool CJmCommand::AtaPassThrough(uint16_t flags, AtaTaskFile& tf, bool /*is48Bit: the bridge has no 48-bit form*/,
                                uint8_t* buffer, uint32_t length) {
  return DispatchByFlags(*this, flags, tf, buffer, length);
}

bool CJmCommand::ReadResultRegisters(AtaTaskFile& tf) {
  const uint8_t address = RegisterAddress(chip_);
  if (address == 0) return false;
  const uint8_t cdb[12] = {kOpJm, 0x10, 0, 0x00, 0x10, 0, address, 0, 0, 0, 0, 0xFD};
  uint8_t b[16] = {};
  if (!ScsiPassThrough(ScsiDirection::In, cdb, sizeof cdb, b, sizeof b)) return false;
  auto& c = tf.current;
  auto& p = tf.previous;
  if (chip_ == 4) {
    c = {b[13], b[0], b[4], b[5], b[6], b[7], b[14], b[3]};
    p[AtaTaskFile::Count] = b[1];
    p[AtaTaskFile::LbaLow] = b[8];
    p[AtaTaskFile::LbaMid] = b[9];
    p[AtaTaskFile::LbaHigh] = b[10];
  } else {
    c = {b[13], b[0], b[6], b[4], b[10], b[9], b[14], b[2]};
    p[AtaTaskFile::Count] = b[1];
    p[AtaTaskFile::LbaLow] = b[7];
    p[AtaTaskFile::LbaMid] = b[5];
    p[AtaTaskFile::LbaHigh] = b[11];
  }
  return true;
}

bool CJmCommand::GetBridgeInfo(BridgeInfo& info) {
  std::vector<uint8_t> answer(kBridgeAnswerSize);
  bool ok;
  if (chip_ == 4) {
    const uint8_t cdb[12] = {kOpJm, 0x10, 0, 0x20, 0x00, 0, 0, 0, 0, 0xC0, 0, 0xFA};
    ok = ScsiPassThrough(ScsiDirection::In, cdb, sizeof cdb, answer.data(), 8192);
  } else {
    const uint8_t cdb[12] = {kOpJm, 0x10, 0, 0x00, 0x80, 0, 0, 0, 0, 0, 0, 0xFA};
    ok = ScsiPassThrough(ScsiDirection::In, cdb, sizeof cdb, answer.data(), 128);
  }
  if (!ok) return false;
  info.word1 = GetLe16(answer.data());
  info.word2 = GetLe16(answer.data() + 2);
  SetBridgeText(info, answer.data() + 86, 16);
  return true;
}

}  // namespace tavolen
