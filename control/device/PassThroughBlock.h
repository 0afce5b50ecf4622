#pragma once
// Byte layouts of the SCSI and ATA pass-through blocks, in the 64-bit form (a 64-bit
// process opened the device itself) and the 32-bit form (what a 32-bit process hands to
// the system, and what the device-management service expects whatever the caller's
// word size). Written and read as explicit bytes, never through host structures.
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>

namespace tavolen {

enum class BlockLayout { Bits32, Bits64 };

// The layout of this build's own word size (used on the direct route).
constexpr BlockLayout NativeBlockLayout() { return sizeof(void*) == 8 ? BlockLayout::Bits64 : BlockLayout::Bits32; }

// --- SCSI_PASS_THROUGH followed by a 32-byte sense area and the data area ---------

constexpr uint32_t kScsiBlockOverhead = 96;  // header, padding and sense area in front of the data
constexpr uint8_t kScsiSenseLength = 18;
constexpr uint8_t kScsiDataOut = 0, kScsiDataIn = 1, kScsiNoData = 2;
constexpr uint32_t kScsiTimeoutDirect = 20, kScsiTimeoutService = 10;

struct ScsiBlockGeometry {
  uint16_t headerLength;  // the record's Length field
  uint32_t senseOffset;
  uint32_t dataOffset;
};
constexpr ScsiBlockGeometry ScsiGeometry(BlockLayout layout) {
  return layout == BlockLayout::Bits64 ? ScsiBlockGeometry{56, 60, 92} : ScsiBlockGeometry{44, 48, 80};
}

struct ScsiPassThroughHeader {
  uint16_t length = 0;
  uint8_t scsiStatus = 0, pathId = 0, targetId = 0, lun = 0;
  uint8_t cdbLength = 0, senseInfoLength = 0, dataIn = 0;
  uint32_t dataTransferLength = 0, timeOutValue = 0;
  uint64_t dataBufferOffset = 0;
  uint32_t senseInfoOffset = 0;
  std::array<uint8_t, 16> cdb{};
};

// Writes the header in the given layout at block[0]; the block holds at least the header.
void WriteScsiHeader(const ScsiPassThroughHeader& header, BlockLayout layout, uint8_t* block);
ScsiPassThroughHeader ReadScsiHeader(const uint8_t* block, BlockLayout layout);

// Tells the layout of a received block by its Length field (56 or 44), checking that
// the block is long enough for the header, the sense area and the stated transfer.
std::optional<BlockLayout> DetectScsiLayout(const uint8_t* block, std::size_t size);

// --- ATA_PASS_THROUGH_EX followed by the data area --------------------------------

constexpr uint32_t kAtaBlockOverhead = 56;
constexpr uint32_t kAtaTimeout = 5;

struct AtaBlockGeometry {
  uint16_t headerLength;
  uint32_t dataOffset;
};
constexpr AtaBlockGeometry AtaGeometry(BlockLayout layout) {
  return layout == BlockLayout::Bits64 ? AtaBlockGeometry{48, 48} : AtaBlockGeometry{40, 40};
}

struct AtaPassThroughHeader {
  uint16_t length = 0;
  uint16_t ataFlags = 0;
  uint8_t pathId = 0, targetId = 0, lun = 0, reservedAsUchar = 0;
  uint32_t dataTransferLength = 0, timeOutValue = 0, reservedAsUlong = 0;
  uint64_t dataBufferOffset = 0;
  std::array<uint8_t, 8> previousTaskFile{};
  std::array<uint8_t, 8> currentTaskFile{};
};

void WriteAtaHeader(const AtaPassThroughHeader& header, BlockLayout layout, uint8_t* block);
AtaPassThroughHeader ReadAtaHeader(const uint8_t* block, BlockLayout layout);
std::optional<BlockLayout> DetectAtaLayout(const uint8_t* block, std::size_t size);

}  // namespace tavolen
