#include "control/device/CScsiCommand.h"

#include <cstring>

#include "control/device/AlignedBlock.h"
#include "control/device/ByteOrder.h"
#include "control/device/IoctlCodes.h"
#include "control/device/PassThroughBlock.h"

namespace tavolen {

void SetBridgeText(BridgeInfo& info, const uint8_t* bytes, std::size_t length) {
  std::size_t end = 0;
  while (end < length && bytes[end] != 0) ++end;
  auto isSpace = [](uint8_t c) { return c == ' ' || (c >= '\t' && c <= '\r'); };
  std::size_t begin = 0;
  while (begin < end && isSpace(bytes[begin])) ++begin;
  while (end > begin && isSpace(bytes[end - 1])) --end;
  constexpr std::size_t capacity = sizeof(info.text) / sizeof(info.text[0]) - 1;
  std::size_t n = 0;
  for (; begin < end && n < capacity; ++begin, ++n) info.text[n] = char16_t(bytes[begin]);
  info.text[n] = 0;
}

bool CScsiCommand::GetBridgeInfo(BridgeInfo&) { return false; }

bool CScsiCommand::ScsiPassThrough(ScsiDirection direction, const uint8_t* cdb, uint8_t cdbLength, void* buffer,
                                   uint32_t length) {
  if (cdbLength > 16 || (length > 0 && buffer == nullptr)) return false;
  // A read that fails or comes back short leaves zeros, never the bytes of an earlier read.
  if (direction != ScsiDirection::Out && length > 0) std::memset(buffer, 0, length);
  const uint64_t blockSize = uint64_t(length) + kScsiBlockOverhead;
  if (blockSize > UINT32_MAX) return false;
  AlignedBlock block{std::size_t(blockSize)};
  if (!block) return false;

  // The service always receives the 32-bit form; the device itself gets this build's own.
  const bool direct = Route() == ChannelRoute::Direct;
  const BlockLayout layout = direct ? NativeBlockLayout() : BlockLayout::Bits32;
  const ScsiBlockGeometry geometry = ScsiGeometry(layout);

  ScsiPassThroughHeader header;
  header.length = geometry.headerLength;
  header.cdbLength = cdbLength;
  header.senseInfoLength = kScsiSenseLength;
  header.dataIn = uint8_t(direction);
  header.dataTransferLength = length;
  header.timeOutValue = direct ? kScsiTimeoutDirect : kScsiTimeoutService;
  header.dataBufferOffset = geometry.dataOffset;
  header.senseInfoOffset = geometry.senseOffset;
  std::memcpy(header.cdb.data(), cdb, cdbLength);
  WriteScsiHeader(header, layout, block.data());
  if (direction == ScsiDirection::Out && length > 0) std::memcpy(block.data() + geometry.dataOffset, buffer, length);

  sense_ = {};
  lastError_ = 0;
  uint32_t returned = 0;
  const bool ok = Control(kIoctlScsiPassThrough, block.data(), uint32_t(blockSize), block.data(), uint32_t(blockSize),
                          &returned);
  if (!ok) lastError_ = ControlError();

  const ScsiPassThroughHeader answer = ReadScsiHeader(block.data(), layout);
  if (answer.scsiStatus != 0) {
    const uint8_t* sense = block.data() + geometry.senseOffset;
    sense_ = {0, uint8_t(sense[2] & 0x0F), sense[12], sense[13]};
    return false;
  }
  if (ok && direction != ScsiDirection::Out && length > 0) std::memcpy(buffer, block.data() + geometry.dataOffset, length);
  return ok;
}

bool CScsiCommand::Inquiry(uint8_t* buffer, uint16_t length) {
  if (buffer == nullptr) return false;
  std::memset(buffer, 0, length);
  const uint8_t cdb[6] = {0x12, 0, 0, uint8_t(length >> 8), uint8_t(length), 0};
  return ScsiPassThrough(ScsiDirection::In, cdb, sizeof cdb, buffer, length);
}

bool CScsiCommand::TestUnitReady() {
  const uint8_t cdb[6] = {};
  return ScsiPassThrough(ScsiDirection::None, cdb, sizeof cdb, nullptr, 0);
}

bool CScsiCommand::ReadCapacity10(uint64_t& lastLba, uint32_t& blockLength) {
  const uint8_t cdb[10] = {0x25};
  uint8_t data[8] = {};
  if (!ScsiPassThrough(ScsiDirection::In, cdb, sizeof cdb, data, sizeof data)) return false;
  lastLba = GetBe32(data);
  blockLength = GetBe32(data + 4);
  return true;
}

bool CScsiCommand::ReadCapacity16(uint64_t& lastLba, uint32_t& blockLength) {
  uint8_t cdb[16] = {0x9E, 0x10};
  cdb[13] = 32;
  uint8_t data[32] = {};
  if (!ScsiPassThrough(ScsiDirection::In, cdb, sizeof cdb, data, sizeof data)) return false;
  lastLba = GetBe64(data);
  blockLength = GetBe32(data + 8);
  return true;
}

bool CScsiCommand::ReadCapacity(uint64_t& lastLba, uint32_t& blockLength) {
  uint64_t lba = 0;
  uint32_t block = 0;
  if (ReadCapacity10(lba, block) && lba != 0xFFFFFFFFu) {
    lastLba = lba;
    blockLength = block;
    return true;
  }
  return ReadCapacity16(lastLba, blockLength);
}

bool CScsiCommand::ReadBuffer(uint8_t mode, uint8_t bufferId, uint8_t* buffer, uint32_t offset, uint32_t length) {
  if ((offset & 0xF000) != 0 || (length & 0xF000) != 0) return false;
  const uint8_t cdb[10] = {0x3C, uint8_t(mode & 0x0F), bufferId, 0, 0, 0, uint8_t(length >> 16), uint8_t(length >> 8),
                           uint8_t(length), 0};
  return ScsiPassThrough(ScsiDirection::In, cdb, sizeof cdb, buffer, length);
}

bool CScsiCommand::ModeSense10(uint8_t pageCode, uint8_t* buffer, uint8_t length) {
  const uint8_t cdb[10] = {0x5A, 0, pageCode, 0, 0, 0, 0, 0, length, 0};
  return ScsiPassThrough(ScsiDirection::In, cdb, sizeof cdb, buffer, length);
}

}  // namespace tavolen
