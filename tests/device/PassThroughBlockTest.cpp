// The pass-through records are written as explicit bytes; these tests pin every field
// offset of both layouts, so a 32-bit service and a 64-bit device see what they expect.
#include <gtest/gtest.h>

#include <vector>

#include "control/device/ByteOrder.h"
#include "control/device/PassThroughBlock.h"
#include "control/device/StorageRecords.h"

using namespace tavolen;

namespace {

ScsiPassThroughHeader SampleScsi(BlockLayout layout, uint32_t length) {
  const ScsiBlockGeometry g = ScsiGeometry(layout);
  ScsiPassThroughHeader h;
  h.length = g.headerLength;
  h.cdbLength = 12;
  h.senseInfoLength = 18;
  h.dataIn = 1;
  h.dataTransferLength = length;
  h.timeOutValue = 20;
  h.dataBufferOffset = g.dataOffset;
  h.senseInfoOffset = g.senseOffset;
  for (int i = 0; i < 16; ++i) h.cdb[i] = uint8_t(0xA0 + i);
  return h;
}

}  // namespace

TEST(ScsiBlockLayout, SixtyFourBitFieldsSitWhereTheSystemReadsThem) {
  std::vector<uint8_t> block(96 + 512, 0xEE);
  WriteScsiHeader(SampleScsi(BlockLayout::Bits64, 512), BlockLayout::Bits64, block.data());
  EXPECT_EQ(GetLe16(&block[0]), 56);
  EXPECT_EQ(block[6], 12);                   // CdbLength
  EXPECT_EQ(block[7], 18);                   // SenseInfoLength
  EXPECT_EQ(block[8], 1);                    // DataIn
  EXPECT_EQ(block[9], 0);                    // padding cleared
  EXPECT_EQ(GetLe32(&block[12]), 512u);      // DataTransferLength
  EXPECT_EQ(GetLe32(&block[16]), 20u);       // TimeOutValue
  EXPECT_EQ(GetLe64(&block[24]), 92u);       // pointer-sized DataBufferOffset, 8-aligned
  EXPECT_EQ(GetLe32(&block[32]), 60u);       // SenseInfoOffset
  EXPECT_EQ(block[36], 0xA0);                // Cdb[0]
  EXPECT_EQ(block[51], 0xAF);                // Cdb[15]
  EXPECT_EQ(block[56], 0xEE) << "the header must not write past its 56 bytes";
}

TEST(ScsiBlockLayout, ThirtyTwoBitFieldsSitWhereTheServiceReadsThem) {
  std::vector<uint8_t> block(96 + 8, 0xEE);
  WriteScsiHeader(SampleScsi(BlockLayout::Bits32, 8), BlockLayout::Bits32, block.data());
  EXPECT_EQ(GetLe16(&block[0]), 44);
  EXPECT_EQ(GetLe32(&block[12]), 8u);
  EXPECT_EQ(GetLe32(&block[20]), 80u);  // 32-bit DataBufferOffset
  EXPECT_EQ(GetLe32(&block[24]), 48u);  // SenseInfoOffset
  EXPECT_EQ(block[28], 0xA0);
  EXPECT_EQ(block[43], 0xAF);
  EXPECT_EQ(block[44], 0xEE);
}

TEST(ScsiBlockLayout, RoundTripsAndDetectsEachLayout) {
  for (BlockLayout layout : {BlockLayout::Bits32, BlockLayout::Bits64}) {
    std::vector<uint8_t> block(96 + 36, 0);
    const ScsiPassThroughHeader written = SampleScsi(layout, 36);
    WriteScsiHeader(written, layout, block.data());
    ASSERT_EQ(DetectScsiLayout(block.data(), block.size()), layout);
    const ScsiPassThroughHeader read = ReadScsiHeader(block.data(), layout);
    EXPECT_EQ(read.dataBufferOffset, written.dataBufferOffset);
    EXPECT_EQ(read.senseInfoOffset, written.senseInfoOffset);
    EXPECT_EQ(read.cdb, written.cdb);
    EXPECT_EQ(read.dataTransferLength, 36u);
  }
}

TEST(ScsiBlockLayout, DetectionRejectsBlocksThatLieAboutTheirSize) {
  std::vector<uint8_t> block(96 + 16, 0);
  ScsiPassThroughHeader h = SampleScsi(BlockLayout::Bits64, 21);  // one byte more than the block holds after offset 92
  WriteScsiHeader(h, BlockLayout::Bits64, block.data());
  EXPECT_FALSE(DetectScsiLayout(block.data(), block.size()));

  h = SampleScsi(BlockLayout::Bits64, 16);
  h.length = 57;
  WriteScsiHeader(h, BlockLayout::Bits64, block.data());
  EXPECT_FALSE(DetectScsiLayout(block.data(), block.size()));

  h = SampleScsi(BlockLayout::Bits32, 0);
  h.cdbLength = 17;
  WriteScsiHeader(h, BlockLayout::Bits32, block.data());
  EXPECT_FALSE(DetectScsiLayout(block.data(), block.size()));

  EXPECT_FALSE(DetectScsiLayout(block.data(), 40));
  EXPECT_FALSE(DetectScsiLayout(nullptr, 0));
}

TEST(AtaBlockLayout, BothLayoutsPlaceTheTaskFilesAndDataOffset) {
  for (BlockLayout layout : {BlockLayout::Bits32, BlockLayout::Bits64}) {
    const bool wide = layout == BlockLayout::Bits64;
    std::vector<uint8_t> block(56 + 512, 0xEE);
    AtaPassThroughHeader h;
    h.length = AtaGeometry(layout).headerLength;
    h.ataFlags = 2 | 8;
    h.dataTransferLength = 512;
    h.timeOutValue = 5;
    h.dataBufferOffset = AtaGeometry(layout).dataOffset;
    h.previousTaskFile = {1, 2, 3, 4, 5, 6, 7, 8};
    h.currentTaskFile = {0x11, 0x12, 0x13, 0x14, 0x15, 0x16, 0xEC, 0};
    WriteAtaHeader(h, layout, block.data());
    EXPECT_EQ(GetLe16(&block[0]), wide ? 48 : 40);
    EXPECT_EQ(GetLe16(&block[2]), 10);
    EXPECT_EQ(GetLe32(&block[8]), 512u);
    EXPECT_EQ(GetLe32(&block[12]), 5u);
    EXPECT_EQ(wide ? GetLe64(&block[24]) : GetLe32(&block[20]), wide ? 48u : 40u);
    EXPECT_EQ(block[wide ? 32 : 24], 1);       // PreviousTaskFile
    EXPECT_EQ(block[wide ? 40 : 32], 0x11);    // CurrentTaskFile
    EXPECT_EQ(block[wide ? 46 : 38], 0xEC);    // command register
    EXPECT_EQ(block[wide ? 48 : 40], 0xEE);    // data area untouched
    ASSERT_EQ(DetectAtaLayout(block.data(), block.size()), layout);
    const AtaPassThroughHeader read = ReadAtaHeader(block.data(), layout);
    EXPECT_EQ(read.currentTaskFile, h.currentTaskFile);
    EXPECT_EQ(read.previousTaskFile, h.previousTaskFile);
  }
}

TEST(StorageRecords, DecodeTheFieldsEnumerationUses) {
  uint8_t geometry[24] = {};
  PutLe64(geometry, 1000);
  PutLe32(geometry + 8, kMediaTypeRemovable);
  PutLe32(geometry + 20, 2048);
  const DiskGeometry g = DiskGeometry::Decode(geometry);
  EXPECT_EQ(g.cylinders, 1000);
  EXPECT_EQ(g.mediaType, kMediaTypeRemovable);
  EXPECT_EQ(g.bytesPerSector, 2048u);

  uint8_t performance[88] = {};
  PutLe32(performance + 64, 7);
  EXPECT_EQ(DiskPerformance::Decode(performance).storageDeviceNumber, 7u);

  uint8_t hotplug[8] = {8, 0, 0, 0, 1, 0, 1, 0};
  const StorageHotplugInfo info = StorageHotplugInfo::Decode(hotplug);
  EXPECT_EQ(info.mediaRemovable, 1);
  EXPECT_EQ(info.deviceHotplug, 1);
  EXPECT_EQ(info.mediaHotplug, 0);
}
