#include "control/device/CVarnkeldCommand.h"

#include <utility>

#include "control/device/ByteOrder.h"

namespace tavolen {

namespace {
constexpr uint8_t kOpNonData = 0xE2, kOpDataIn = 0xE3, kOpDataOut = 0xE4, kOpReadRegisters = 0xE0;
constexpr uint8_t kBridgeBufferId = 0x20;
}  // namespace

void DecodeE0Registers(const uint8_t* a, AtaTaskFile& tf) {
  tf[AtaTaskFile::Features] = a[4];
  tf[AtaTaskFile::Count] = a[6];
  tf[AtaTaskFile::LbaLow] = a[8];
  tf[AtaTaskFile::LbaMid] = a[10];
  tf[AtaTaskFile::LbaHigh] = a[12];
  tf[AtaTaskFile::Device] = a[14];
  tf[AtaTaskFile::Command] = a[15];
  tf.previous[AtaTaskFile::Count] = a[7];
  tf.previous[AtaTaskFile::LbaLow] = a[9];
  tf.previous[AtaTaskFile::LbaMid] = a[11];
  tf.previous[AtaTaskFile::LbaHigh] = a[13];
}

void DecodeReadBufferBridgeInfo(const uint8_t* a, BridgeInfo& info) {
  info.word1 = GetBe16(a + 2);
  info.word2 = GetBe16(a + 4);
  SetBridgeText(info, a + 6, 16);
}

CVarnkeldCommand::CVarnkeldCommand(DeviceOpener& opener, uint32_t driveNumber, uint8_t mode)
    : CAtaCommand(opener, driveNumber), mode_(mode) {}

CVarnkeldCommand::CVarnkeldCommand(DeviceOpener& opener, std::u16string path, uint8_t mode)
    : CAtaCommand(opener, std::move(path)), mode_(mode) {}

bool CVarnkeldCommand::Send(uint8_t opcode, uint8_t count, const AtaTaskFile& tf, ScsiDirection direction,
                            uint8_t* buffer, uint32_t length) {
  const auto& r = tf.current;
  const uint8_t cdb[12] = {opcode, uint8_t(mode_ & 3), r[0], count, r[2], r[3], r[4], r[5], r[6], r[7],
                           tf.previous[0], 0};
  return ScsiPassThrough(direction, cdb, sizeof cdb, buffer, length);
}

bool CVarnkeldCommand::NonData(AtaTaskFile& tf) {
  if (!Send(kOpNonData, tf[AtaTaskFile::Count], tf, ScsiDirection::None, nullptr, 0)) return false;
  return ReadResultRegisters(tf);
}

bool CVarnkeldCommand::DataIn(AtaTaskFile& tf, uint8_t* buffer, uint32_t length) {
  // The bridge expects a count of one for its data-in form.
  if (!Send(kOpDataIn, 1, tf, ScsiDirection::In, buffer, length)) return false;
  return ReadResultRegisters(tf);
}

bool CVarnkeldCommand::DataOut(AtaTaskFile& tf, const uint8_t* buffer, uint32_t length) {
  if (!Send(kOpDataOut, tf[AtaTaskFile::Count], tf, ScsiDirection::Out, const_cast<uint8_t*>(buffer), length))
    return false;
  return ReadResultRegisters(tf);
}

bool CVarnkeldCommand::AtaPassThrough(uint16_t flags, AtaTaskFile& tf, bool is48Bit, uint8_t* buffer,
                                      uint32_t length) {
  if (is48Bit) return false;
  return DispatchByFlags(*this, flags, tf, buffer, length);
}

bool CVarnkeldCommand::ReadResultRegisters(AtaTaskFile& tf) {
  const uint8_t cdb[10] = {kOpReadRegisters, uint8_t(mode_ & 3), 0, 0, 0, 0, 0, 2, 0, 0};
  uint8_t answer[512] = {};
  if (!ScsiPassThrough(ScsiDirection::In, cdb, sizeof cdb, answer, sizeof answer)) return false;
  DecodeE0Registers(answer, tf);
  return true;
}

bool CVarnkeldCommand::GetBridgeInfo(BridgeInfo& info) {
  uint8_t answer[512] = {};
  if (!ReadBuffer(1, kBridgeBufferId, answer, mode_ & 3, sizeof answer)) return false;
  DecodeReadBufferBridgeInfo(answer, info);
  return true;
}

}  // namespace tavolen
