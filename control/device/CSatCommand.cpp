#include "control/device/CSatCommand.h"

namespace tavolen {

namespace {
constexpr uint8_t kSat12 = 0xA1, kSat16 = 0x85;
constexpr uint8_t kProtocolNonData = 0x06;        // protocol 3
constexpr uint8_t kProtocolPioIn = 0x08;          // protocol 4
constexpr uint8_t kProtocolResponseInfo = 0x1E;   // protocol 15: return response information
constexpr uint8_t kTransferPioIn = 0x1E;          // T_DIR in, BYT_BLOK, length in the count field
}  // namespace

void DecodeAtaStatusDescriptor(const uint8_t* d, AtaTaskFile& tf) {
  tf[AtaTaskFile::Features] = d[3];
  tf[AtaTaskFile::Count] = d[5];
  tf[AtaTaskFile::LbaLow] = d[7];
  tf[AtaTaskFile::LbaMid] = d[9];
  tf[AtaTaskFile::LbaHigh] = d[11];
  tf[AtaTaskFile::Device] = d[12];
  tf[AtaTaskFile::Command] = d[13];
  tf[AtaTaskFile::Reserved] = d[2];
}

bool CSatCommand::Send(uint8_t protocolByte, uint8_t transferByte, AtaTaskFile& tf, ScsiDirection direction,
                       uint8_t* buffer, uint32_t length) {
  const auto& r = tf.current;
  const uint8_t cdb12[12] = {kSat12, protocolByte, transferByte, r[0], r[1], r[2], r[3], r[4], r[5], r[6], r[7],
                             tf.previous[0]};
  uint8_t opcode = kSat12;
  uint8_t cdbLength = sizeof cdb12;
  if (!ScsiPassThrough(direction, cdb12, sizeof cdb12, buffer, length)) {
    const uint8_t cdb16[16] = {kSat16, protocolByte, transferByte, 0, r[0], 0, r[1], 0, r[2], 0, r[3], 0, r[4],
                               r[5], r[6], r[7]};
    if (!ScsiPassThrough(direction, cdb16, sizeof cdb16, buffer, length)) return false;
    opcode = kSat16;
    cdbLength = sizeof cdb16;
  }
  uint8_t read[16] = {opcode, kProtocolResponseInfo};
  uint8_t descriptor[14] = {};
  if (!ScsiPassThrough(ScsiDirection::In, read, cdbLength, descriptor, sizeof descriptor)) return false;
  DecodeAtaStatusDescriptor(descriptor, tf);
  return true;
}

bool CSatCommand::NonData(AtaTaskFile& taskFile) {
  return Send(kProtocolNonData, 0x00, taskFile, ScsiDirection::None, nullptr, 0);
}

bool CSatCommand::DataIn(AtaTaskFile& taskFile, uint8_t* buffer, uint32_t length) {
  return Send(kProtocolPioIn, kTransferPioIn, taskFile, ScsiDirection::In, buffer, length);
}

}  // namespace tavolen
