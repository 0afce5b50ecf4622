#include "control/device/PassThroughBlock.h"

#include <cstring>

#include "control/device/ByteOrder.h"

namespace tavolen {
namespace {

// Field offsets that differ between the layouts: the pointer-sized DataBufferOffset is
// 8-aligned in the 64-bit form and moves everything behind it.
struct ScsiOffsets {
  std::size_t dataBufferOffset, senseInfoOffset, cdb;
  bool wideOffset;
};
constexpr ScsiOffsets ScsiFieldOffsets(BlockLayout layout) {
  return layout == BlockLayout::Bits64 ? ScsiOffsets{24, 32, 36, true} : ScsiOffsets{20, 24, 28, false};
}

struct AtaOffsets {
  std::size_t dataBufferOffset, previous, current;
  bool wideOffset;
};
constexpr AtaOffsets AtaFieldOffsets(BlockLayout layout) {
  return layout == BlockLayout::Bits64 ? AtaOffsets{24, 32, 40, true} : AtaOffsets{20, 24, 32, false};
}

}  // namespace

void WriteScsiHeader(const ScsiPassThroughHeader& h, BlockLayout layout, uint8_t* block) {
  const ScsiOffsets o = ScsiFieldOffsets(layout);
  std::memset(block, 0, ScsiGeometry(layout).headerLength);
  PutLe16(block + 0, h.length);
  block[2] = h.scsiStatus;
  block[3] = h.pathId;
  block[4] = h.targetId;
  block[5] = h.lun;
  block[6] = h.cdbLength;
  block[7] = h.senseInfoLength;
  block[8] = h.dataIn;
  PutLe32(block + 12, h.dataTransferLength);
  PutLe32(block + 16, h.timeOutValue);
  if (o.wideOffset)
    PutLe64(block + o.dataBufferOffset, h.dataBufferOffset);
  else
    PutLe32(block + o.dataBufferOffset, uint32_t(h.dataBufferOffset));
  PutLe32(block + o.senseInfoOffset, h.senseInfoOffset);
  std::memcpy(block + o.cdb, h.cdb.data(), h.cdb.size());
}

ScsiPassThroughHeader ReadScsiHeader(const uint8_t* block, BlockLayout layout) {
  const ScsiOffsets o = ScsiFieldOffsets(layout);
  ScsiPassThroughHeader h;
  h.length = GetLe16(block + 0);
  h.scsiStatus = block[2];
  h.pathId = block[3];
  h.targetId = block[4];
  h.lun = block[5];
  h.cdbLength = block[6];
  h.senseInfoLength = block[7];
  h.dataIn = block[8];
  h.dataTransferLength = GetLe32(block + 12);
  h.timeOutValue = GetLe32(block + 16);
  h.dataBufferOffset = o.wideOffset ? GetLe64(block + o.dataBufferOffset) : GetLe32(block + o.dataBufferOffset);
  h.senseInfoOffset = GetLe32(block + o.senseInfoOffset);
  std::memcpy(h.cdb.data(), block + o.cdb, h.cdb.size());
  return h;
}

std::optional<BlockLayout> DetectScsiLayout(const uint8_t* block, std::size_t size) {
  if (block == nullptr || size < 2) return std::nullopt;
  const uint16_t length = GetLe16(block);
  for (BlockLayout layout : {BlockLayout::Bits64, BlockLayout::Bits32}) {
    const ScsiBlockGeometry g = ScsiGeometry(layout);
    if (length != g.headerLength || size < g.dataOffset) continue;
    const ScsiPassThroughHeader h = ReadScsiHeader(block, layout);
    if (h.dataBufferOffset > size || h.dataTransferLength > size - h.dataBufferOffset) return std::nullopt;
    if (h.senseInfoOffset > size || h.senseInfoLength > size - h.senseInfoOffset) return std::nullopt;
    if (h.cdbLength > 16) return std::nullopt;
    return layout;
  }
  return std::nullopt;
}

void WriteAtaHeader(const AtaPassThroughHeader& h, BlockLayout layout, uint8_t* block) {
  const AtaOffsets o = AtaFieldOffsets(layout);
  std::memset(block, 0, AtaGeometry(layout).headerLength);
  PutLe16(block + 0, h.length);
  PutLe16(block + 2, h.ataFlags);
  block[4] = h.pathId;
  block[5] = h.targetId;
  block[6] = h.lun;
  block[7] = h.reservedAsUchar;
  PutLe32(block + 8, h.dataTransferLength);
  PutLe32(block + 12, h.timeOutValue);
  PutLe32(block + 16, h.reservedAsUlong);
  if (o.wideOffset)
    PutLe64(block + o.dataBufferOffset, h.dataBufferOffset);
  else
    PutLe32(block + o.dataBufferOffset, uint32_t(h.dataBufferOffset));
  std::memcpy(block + o.previous, h.previousTaskFile.data(), 8);
  std::memcpy(block + o.current, h.currentTaskFile.data(), 8);
}

AtaPassThroughHeader ReadAtaHeader(const uint8_t* block, BlockLayout layout) {
  const AtaOffsets o = AtaFieldOffsets(layout);
  AtaPassThroughHeader h;
  h.length = GetLe16(block + 0);
  h.ataFlags = GetLe16(block + 2);
  h.pathId = block[4];
  h.targetId = block[5];
  h.lun = block[6];
  h.reservedAsUchar = block[7];
  h.dataTransferLength = GetLe32(block + 8);
  h.timeOutValue = GetLe32(block + 12);
  h.reservedAsUlong = GetLe32(block + 16);
  h.dataBufferOffset = o.wideOffset ? GetLe64(block + o.dataBufferOffset) : GetLe32(block + o.dataBufferOffset);
  std::memcpy(h.previousTaskFile.data(), block + o.previous, 8);
  std::memcpy(h.currentTaskFile.data(), block + o.current, 8);
  return h;
}

std::optional<BlockLayout> DetectAtaLayout(const uint8_t* block, std::size_t size) {
  if (block == nullptr || size < 2) return std::nullopt;
  const uint16_t length = GetLe16(block);
  for (BlockLayout layout : {BlockLayout::Bits64, BlockLayout::Bits32}) {
    const AtaBlockGeometry g = AtaGeometry(layout);
    if (length != g.headerLength || size < g.headerLength) continue;
    const AtaPassThroughHeader h = ReadAtaHeader(block, layout);
    if (h.dataBufferOffset > size || h.dataTransferLength > size - h.dataBufferOffset) return std::nullopt;
    return layout;
  }
  return std::nullopt;
}

}  // namespace tavolen
