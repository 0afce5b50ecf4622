#include "control/device/CFjtCommand.h"

#include "control/device/CVarnkeldCommand.h"

namespace tavolen {

namespace {
struct FormBytes {
  uint8_t protocol12, protocol16, transfer;
  ScsiDirection direction;
};
}  // namespace

bool CFjtCommand::Send(Form form, bool is48Bit, AtaTaskFile& tf, uint8_t* buffer, uint32_t length) {
  static constexpr FormBytes kForms[] = {
      {0x06, 0x07, 0x20, ScsiDirection::None},  // non-data, CK_COND
      {0x08, 0x09, 0x2E, ScsiDirection::In},    // PIO data-in, CK_COND, length in sectors
      {0x0A, 0x0B, 0x26, ScsiDirection::Out},   // PIO data-out, CK_COND, length in sectors
  };
  const FormBytes& f = kForms[int(form)];
  const auto& c = tf.current;
  const auto& p = tf.previous;
  // The data forms carry the transfer length in 512-byte sectors in the count byte.
  const uint8_t count = form == Form::NonData ? c[AtaTaskFile::Count] : uint8_t(length / 512);
  bool ok;
  if (is48Bit) {
    const uint8_t cdb[16] = {0x85, f.protocol16, f.transfer, p[0], c[0], p[1], count, p[2], c[2], p[3], c[3],
                             p[4], c[4], c[5], c[6], c[7]};
    ok = ScsiPassThrough(f.direction, cdb, sizeof cdb, buffer, length);
  } else {
    const uint8_t cdb[12] = {0xA1, f.protocol12, f.transfer, c[0], count, c[2], c[3], c[4], c[5], c[6], 0, 0};
    ok = ScsiPassThrough(f.direction, cdb, sizeof cdb, buffer, length);
  }
  if (!ok) return false;
  return ReadResultRegisters(tf);
}

bool CFjtCommand::NonData(AtaTaskFile& tf) { return Send(Form::NonData, false, tf, nullptr, 0); }

bool CFjtCommand::DataIn(AtaTaskFile& tf, uint8_t* buffer, uint32_t length) {
  return Send(Form::DataIn, false, tf, buffer, length);
}

bool CFjtCommand::DataOut(AtaTaskFile& tf, const uint8_t* buffer, uint32_t length) {
  return Send(Form::DataOut, false, tf, const_cast<uint8_t*>(buffer), length);
}

bool CFjtCommand::AtaPassThrough(uint16_t flags, AtaTaskFile& tf, bool is48Bit, uint8_t* buffer, uint32_t length) {
  if (!is48Bit) return DispatchByFlags(*this, flags, tf, buffer, length);
  switch (flags) {
    case kAtaFlagsDrdyRequired: return Send(Form::NonData, true, tf, nullptr, 0);
    case kAtaFlagsDataIn: return Send(Form::DataIn, true, tf, buffer, length);
    case kAtaFlagsDataOut: return Send(Form::DataOut, true, tf, buffer, length);
    default: return false;
  }
}

bool CFjtCommand::ReadResultRegisters(AtaTaskFile& tf) {
  const uint8_t cdb[10] = {0xE0, 0, 0, 0, 0, 0, 0, 2, 0, 0};
  uint8_t answer[512] = {};
  if (!ScsiPassThrough(ScsiDirection::In, cdb, sizeof cdb, answer, sizeof answer)) return false;
  DecodeE0Registers(answer, tf);
  return true;
}

bool CFjtCommand::GetBridgeInfo(BridgeInfo& info) {
  uint8_t answer[512] = {};
  if (!ReadBuffer(1, 0xA0, answer, 0, sizeof answer)) return false;
  DecodeReadBufferBridgeInfo(answer, info);
  return true;
}

}  // namespace tavolen
