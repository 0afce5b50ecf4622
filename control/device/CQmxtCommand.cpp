#include "control/device/CQmxtCommand.h"

#include "control/device/CSatCommand.h"

namespace tavolen {

bool CQmxtCommand::NonData(AtaTaskFile& tf) {
  const auto& c = tf.current;
  const uint8_t cdb[16] = {0xF0, 0x06, 0, 0, c[0], 0, c[1], 0, c[2], 0, c[3], 0, c[4], c[5], c[6], c[7]};
  if (!ScsiPassThrough(ScsiDirection::None, cdb, sizeof cdb, nullptr, 0)) return false;
  return ReadResultRegisters(tf);
}

bool CQmxtCommand::DataIn(AtaTaskFile& tf, uint8_t* buffer, uint32_t length) {
  const auto& c = tf.current;
  // The family expects a count of one for its data-in form.
  const uint8_t cdb[16] = {0xF0, 0x08, 0x0E, 0, c[0], 0, 1, 0, c[2], 0, c[3], 0, c[4], c[5], c[6], c[7]};
  if (!ScsiPassThrough(ScsiDirection::In, cdb, sizeof cdb, buffer, length)) return false;
  return ReadResultRegisters(tf);
}

bool CQmxtCommand::ReadResultRegisters(AtaTaskFile& tf) {
  const uint8_t cdb[16] = {0xF0, 0x1E};
  uint8_t descriptor[14] = {};
  if (!ScsiPassThrough(ScsiDirection::In, cdb, sizeof cdb, descriptor, sizeof descriptor)) return false;
  DecodeAtaStatusDescriptor(descriptor, tf);
  return true;
}

}  // namespace tavolen
