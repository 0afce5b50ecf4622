// What the simulated device decides for itself: how it reads blocks of either layout,
// which blocks it refuses, how injected faults act, and how commands change its state.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "control/device/ByteOrder.h"
#include "control/device/IoctlCodes.h"
#include "sim/SimDevice.h"
#include "tests/sim/SimTestBlocks.h"
#include "control/device/StorageRecords.h"

namespace tavolen::sim {
namespace {

using testing::AtaBlock;
using testing::Registers;
using testing::ScsiBlock;

constexpr BlockLayout kLayouts[] = {BlockLayout::Bits64, BlockLayout::Bits32};

ScsiBlock Inquiry(BlockLayout layout, uint16_t allocation, uint32_t length) {
  return ScsiBlock(layout, {0x12, 0, 0, uint8_t(allocation >> 8), uint8_t(allocation), 0}, kScsiDataIn, length);
}

std::string Text(const uint8_t* bytes, std::size_t count) { return std::string(bytes, bytes + count); }

TEST(SimScsiBlock, BothLayoutsCarryTheSameInquiry) {
  for (BlockLayout layout : kLayouts) {
    SimDevice device(Family::Sat);
    device.vendor = "TESTVEND";
    device.product = "UNIT UNDER TEST";
    device.vendorSpecific = "CHIPTEXT";
    ScsiBlock block = Inquiry(layout, 56, 56);
    uint32_t returned = 0;
    ASSERT_TRUE(block.SendTo(device, &returned));

    EXPECT_EQ(block.Header().scsiStatus, 0);
    EXPECT_EQ(block.Header().dataTransferLength, 56u);
    EXPECT_EQ(returned, ScsiGeometry(layout).dataOffset + 56);
    EXPECT_EQ(Text(block.Data() + 8, 8), "TESTVEND");
    EXPECT_EQ(Text(block.Data() + 16, 16), "UNIT UNDER TEST ");
    EXPECT_EQ(Text(block.Data() + 36, 20), "CHIPTEXT            ");
    ASSERT_EQ(device.Cdbs().size(), 1u);
    EXPECT_EQ(device.Cdbs()[0].layout, layout);
    EXPECT_EQ(device.Cdbs()[0].cdb.size(), 6u);
    EXPECT_EQ(device.Cdbs()[0].length, 56u);
  }
}

TEST(SimScsiBlock, InquiryMovesNoMoreThanAllocationAndTransferAllow) {
  SimDevice device(Family::PlainAta);
  ScsiBlock shortAllocation = Inquiry(BlockLayout::Bits64, 36, 56);
  std::fill(shortAllocation.Data(), shortAllocation.Data() + 56, uint8_t(0xCC));
  ASSERT_TRUE(shortAllocation.SendTo(device));
  EXPECT_EQ(shortAllocation.Header().dataTransferLength, 36u);
  EXPECT_EQ(shortAllocation.Data()[36], 0xCC);

  ScsiBlock shortTransfer = Inquiry(BlockLayout::Bits32, 96, 44);
  ASSERT_TRUE(shortTransfer.SendTo(device));
  EXPECT_EQ(shortTransfer.Header().dataTransferLength, 44u);
}

TEST(SimScsiBlock, MalformedBlocksFailWithInvalidParameter) {
  const std::vector<std::pair<const char*, std::function<void(ScsiPassThroughHeader&)>>> cases = {
      {"length", [](ScsiPassThroughHeader& h) { h.length = 50; }},
      {"data offset past the block", [](ScsiPassThroughHeader& h) { h.dataBufferOffset = 4096; }},
      {"transfer past the block", [](ScsiPassThroughHeader& h) { h.dataTransferLength = 61; }},
      {"sense past the block", [](ScsiPassThroughHeader& h) { h.senseInfoOffset = 140; }},
      {"data inside the header", [](ScsiPassThroughHeader& h) { h.dataBufferOffset = 8; }},
      {"cdb longer than 16", [](ScsiPassThroughHeader& h) { h.cdbLength = 17; }},
      {"empty cdb", [](ScsiPassThroughHeader& h) { h.cdbLength = 0; }},
      {"direction", [](ScsiPassThroughHeader& h) { h.dataIn = 3; }},
  };
  for (const auto& [name, spoil] : cases) {
    SimDevice device(Family::Sat);
    ScsiBlock block = Inquiry(BlockLayout::Bits64, 56, 56);
    ScsiPassThroughHeader h = block.Header();
    spoil(h);
    block.SetHeader(h);
    const std::vector<uint8_t> sent = block.bytes;
    uint32_t returned = 99, error = 0;
    EXPECT_FALSE(block.SendTo(device, &returned, &error)) << name;
    EXPECT_EQ(error, kErrorInvalidParameter) << name;
    EXPECT_EQ(returned, 0u) << name;
    EXPECT_EQ(block.bytes, sent) << name;
    EXPECT_TRUE(device.Cdbs().empty()) << name;
    EXPECT_EQ(device.Ioctls().size(), 1u) << name;
  }
}

TEST(SimScsiBlock, OutputTooSmallForTheDataAreaIsRefused) {
  SimDevice device(Family::Sat);
  ScsiBlock block = Inquiry(BlockLayout::Bits64, 56, 56);
  const uint32_t size = uint32_t(block.bytes.size());
  const uint32_t dataEnd = ScsiGeometry(BlockLayout::Bits64).dataOffset + 56;
  uint32_t error = 0;
  EXPECT_FALSE(device.Control(kIoctlScsiPassThrough, block.bytes.data(), size, block.bytes.data(), dataEnd - 1,
                              nullptr, &error));
  EXPECT_EQ(error, kErrorInvalidParameter);
  EXPECT_TRUE(device.Control(kIoctlScsiPassThrough, block.bytes.data(), size, block.bytes.data(), dataEnd, nullptr,
                             &error));
}

TEST(SimScsiBlock, UnknownOpcodeSenseIsCutToTheSenseLength) {
  SimDevice device(Family::Qmxt);
  ScsiBlock full(BlockLayout::Bits32, {0xC7, 0, 0, 0, 0, 0}, kScsiNoData, 0);
  uint32_t returned = 0;
  ASSERT_TRUE(full.SendTo(device, &returned));
  EXPECT_EQ(full.Header().scsiStatus, 2);
  EXPECT_EQ(full.Header().senseInfoLength, kScsiSenseLength);
  EXPECT_EQ(full.Sense()[0], 0x70);
  EXPECT_EQ(full.Sense()[2], 5);
  EXPECT_EQ(full.Sense()[12], 0x20);
  EXPECT_EQ(full.Sense()[13], 0);
  EXPECT_EQ(returned, ScsiGeometry(BlockLayout::Bits32).senseOffset + kScsiSenseLength);

  ScsiBlock cut(BlockLayout::Bits64, {0xC7, 0, 0, 0, 0, 0}, kScsiNoData, 0);
  ScsiPassThroughHeader h = cut.Header();
  h.senseInfoLength = 8;
  cut.SetHeader(h);
  std::fill(cut.bytes.begin() + h.senseInfoOffset, cut.bytes.begin() + h.senseInfoOffset + 32, uint8_t(0xEE));
  ASSERT_TRUE(cut.SendTo(device));
  EXPECT_EQ(cut.Header().senseInfoLength, 8);
  EXPECT_EQ(cut.Sense()[2], 5);
  EXPECT_EQ(cut.Sense()[8], 0xEE);
  EXPECT_EQ(cut.Sense()[12], 0xEE);
}

// --- faults -----------------------------------------------------------------------

TEST(SimFault, TransportFaultSkipsThenFiresCountTimes) {
  SimDevice device(Family::Fjt);
  device.FailCdb(0x12, Fault::TransportError(1117).After(1).Times(2));
  std::vector<bool> results;
  for (int i = 0; i < 4; ++i) {
    ScsiBlock block = Inquiry(BlockLayout::Bits64, 56, 56);
    const std::vector<uint8_t> sent = block.bytes;
    uint32_t error = 0;
    results.push_back(block.SendTo(device, nullptr, &error));
    if (!results.back()) {
      EXPECT_EQ(error, 1117u);
      EXPECT_EQ(block.bytes, sent);
    }
  }
  EXPECT_EQ(results, (std::vector<bool>{true, false, false, true}));
  EXPECT_EQ(device.Cdbs().size(), 4u);
}

TEST(SimFault, CheckConditionStopsTheCarriedAtaCommand) {
  SimDevice device(Family::Sat);
  device.ata.standbyTimer = 7;
  device.FailAtaCommand(0xE2, Fault::Check(0x0B, 0x47, 0x03));
  ScsiBlock standby(BlockLayout::Bits64, {0xA1, 0x06, 0x00, 0, 0x24, 0, 0, 0, 0, 0xE2, 0, 0}, kScsiNoData, 0);
  ASSERT_TRUE(standby.SendTo(device));
  EXPECT_EQ(standby.Header().scsiStatus, 2);
  EXPECT_EQ(standby.Sense()[2], 0x0B);
  EXPECT_EQ(standby.Sense()[12], 0x47);
  EXPECT_EQ(standby.Sense()[13], 0x03);
  EXPECT_EQ(device.ata.standbyTimer, 7);
  EXPECT_EQ(device.ata.powerMode, AtaDisk::kPowerActive);
  EXPECT_TRUE(device.Executed().empty());
}

TEST(SimFault, ShortDataLeavesTheRestOfTheDataArea) {
  SimDevice device(Family::Jm);
  device.FailCdb(0x12, Fault::Short(10).Times(1));
  ScsiBlock block = Inquiry(BlockLayout::Bits64, 56, 56);
  std::fill(block.Data(), block.Data() + 56, uint8_t(0xCC));
  ASSERT_TRUE(block.SendTo(device));
  EXPECT_EQ(block.Header().dataTransferLength, 10u);
  EXPECT_EQ(Text(block.Data() + 8, 2), device.vendor.substr(0, 2));
  EXPECT_EQ(block.Data()[10], 0xCC);
}

TEST(SimFault, GarbageDataStillRunsTheCommand) {
  SimDevice device(Family::Varnkeld);
  device.ata.powerMode = AtaDisk::kPowerStandby;
  device.FailAtaCommand(0xEC, Fault::Garbage());
  ScsiBlock identify(BlockLayout::Bits32, {0xE3, 0, 0, 1, 0, 0, 0, 0xA0, 0xEC, 0, 0, 0}, kScsiDataIn, 512);
  ASSERT_TRUE(identify.SendTo(device));
  EXPECT_EQ(identify.Header().dataTransferLength, 512u);
  for (std::size_t i = 0; i < 512; ++i) ASSERT_EQ(identify.Data()[i], SimDevice::GarbageByte(i)) << i;
  EXPECT_NE(std::vector<uint8_t>(identify.Data(), identify.Data() + 512), device.ata.IdentifyData());
  EXPECT_EQ(device.ata.powerMode, AtaDisk::kPowerActive);
}

TEST(SimFault, StorageRecordFaultsCutOrFailTheAnswer) {
  SimDevice device(Family::PlainAta);
  device.deviceNumber = 0x01020304;
  device.FailIoctl(kIoctlStorageGetDeviceNumber, Fault::Short(6).Times(1));
  std::vector<uint8_t> out(StorageDeviceNumber::kSize, 0xCC);
  uint32_t returned = 0, error = 0;
  ASSERT_TRUE(device.Control(kIoctlStorageGetDeviceNumber, nullptr, 0, out.data(), uint32_t(out.size()), &returned,
                             &error));
  EXPECT_EQ(returned, 6u);
  EXPECT_EQ(GetLe16(out.data() + 4), 0x0304);
  EXPECT_EQ(out[6], 0xCC);

  device.FailIoctl(kIoctlStorageGetHotplugInfo, Fault::TransportError(50));
  EXPECT_FALSE(device.Control(kIoctlStorageGetHotplugInfo, nullptr, 0, out.data(), uint32_t(out.size()), &returned,
                              &error));
  EXPECT_EQ(error, 50u);
  EXPECT_EQ(returned, 0u);
}

// --- storage records ---------------------------------------------------------------

TEST(SimStorage, RecordsNeedRoomAndCarryTheConfiguredValues) {
  SimDevice device(Family::Optical);
  device.deviceNumber = 3;
  device.performanceNumber = 9;
  std::vector<uint8_t> out(DiskPerformance::kSize, 0);
  uint32_t returned = 0, error = 0;
  EXPECT_FALSE(device.Control(kIoctlDiskPerformance, nullptr, 0, out.data(), DiskPerformance::kSize - 1, &returned,
                              &error));
  EXPECT_EQ(error, 122u);

  ASSERT_TRUE(device.Control(kIoctlDiskPerformance, nullptr, 0, out.data(), uint32_t(out.size()), &returned, &error));
  EXPECT_EQ(returned, DiskPerformance::kSize);
  EXPECT_EQ(DiskPerformance::Decode(out.data()).storageDeviceNumber, 9u);
  ASSERT_TRUE(device.Control(kIoctlStorageGetDeviceNumber, nullptr, 0, out.data(), uint32_t(out.size()), &returned,
                             &error));
  EXPECT_EQ(returned, StorageDeviceNumber::kSize);
  EXPECT_EQ(StorageDeviceNumber::Decode(out.data()).deviceNumber, 3u);
}

// --- the ATA drive -------------------------------------------------------------------

TEST(SimAta, OnlyPlainAtaTakesTheAtaIoctl) {
  SimDevice bridged(Family::Jm);
  AtaBlock block(BlockLayout::Bits64, Registers(0xE5), kAtaFlagsDrdyRequired, 0);
  uint32_t error = 0;
  EXPECT_FALSE(block.SendTo(bridged, nullptr, &error));
  EXPECT_EQ(error, 1u);
  EXPECT_TRUE(bridged.Executed().empty());
}

TEST(SimAta, MalformedAtaBlocksAreRefused) {
  SimDevice device(Family::PlainAta);
  AtaBlock both(BlockLayout::Bits64, Registers(0xEC), kAtaFlagsDataIn | kAtaFlagsDataOut, 512);
  AtaBlock badLength(BlockLayout::Bits32, Registers(0xEC), kAtaFlagsDataIn, 512);
  badLength.bytes[0] = 44;
  for (AtaBlock* block : {&both, &badLength}) {
    uint32_t error = 0;
    EXPECT_FALSE(block->SendTo(device, nullptr, &error));
    EXPECT_EQ(error, kErrorInvalidParameter);
  }
  EXPECT_TRUE(device.Executed().empty());
}

TEST(SimAta, StandbySleepsAndIdentifyWakes) {
  for (BlockLayout layout : kLayouts) {
    SimDevice device(Family::PlainAta);
    device.ata.SetModel("MODEL UNDER TEST");
    AtaBlock standby(layout, Registers(0xE2, 0, 0x24), kAtaFlagsDrdyRequired, 0);
    ASSERT_TRUE(standby.SendTo(device));
    EXPECT_EQ(device.ata.standbyTimer, 0x24);
    EXPECT_EQ(device.ata.powerMode, AtaDisk::kPowerStandby);

    AtaBlock check(layout, Registers(0xE5, 0, 0x55, 0x66), kAtaFlagsDrdyRequired, 0);
    ASSERT_TRUE(check.SendTo(device));
    EXPECT_EQ(check.Registers()[AtaTaskFile::Count], AtaDisk::kPowerStandby);
    EXPECT_EQ(check.Registers()[AtaTaskFile::LbaLow], 0);
    EXPECT_EQ(check.Registers()[AtaTaskFile::Command], AtaDisk::kStatusGood);

    AtaBlock identify(layout, Registers(0xEC), kAtaFlagsDataIn, 512);
    uint32_t returned = 0;
    ASSERT_TRUE(identify.SendTo(device, &returned));
    EXPECT_EQ(returned, AtaGeometry(layout).dataOffset + 512);
    EXPECT_EQ(std::vector<uint8_t>(identify.Data(), identify.Data() + 512), device.ata.IdentifyData());
    EXPECT_EQ(Text(identify.Data() + 54, 4), "OMED");  // model words 27-28, byte-swapped
    EXPECT_EQ(device.ata.powerMode, AtaDisk::kPowerActive);
    EXPECT_EQ(device.Executed().size(), 3u);
    EXPECT_EQ(device.AtaCommands()[2].layout, layout);
  }
}

TEST(SimAta, SmartFollowsSignatureEnableAndThreshold) {
  SimDevice device(Family::PlainAta);
  device.ata.smartThresholdExceeded = true;
  AtaBlock status(BlockLayout::Bits64, Registers(0xB0, 0xDA, 0, 0, 0x4F, 0xC2), kAtaFlagsDrdyRequired, 0);
  ASSERT_TRUE(status.SendTo(device));
  EXPECT_EQ(status.Registers()[AtaTaskFile::LbaMid], 0xF4);
  EXPECT_EQ(status.Registers()[AtaTaskFile::LbaHigh], 0x2C);

  AtaBlock unsigned_(BlockLayout::Bits64, Registers(0xB0, 0xD0, 0, 0, 0x44, 0x00), kAtaFlagsDataIn, 512);
  ASSERT_TRUE(unsigned_.SendTo(device));
  EXPECT_EQ(unsigned_.Registers()[AtaTaskFile::Command], AtaDisk::kStatusError);
  EXPECT_EQ(unsigned_.Registers()[AtaTaskFile::Features], AtaDisk::kErrorAbort);
  EXPECT_EQ(unsigned_.Header().dataTransferLength, 0u);

  device.ata.smartEnabled = false;
  device.ata.powerMode = AtaDisk::kPowerStandby;
  AtaBlock read(BlockLayout::Bits64, Registers(0xB0, 0xD0, 0, 0, 0x4F, 0xC2), kAtaFlagsDataIn, 512);
  ASSERT_TRUE(read.SendTo(device));
  EXPECT_EQ(read.Registers()[AtaTaskFile::Command], AtaDisk::kStatusError);
  EXPECT_EQ(device.ata.powerMode, AtaDisk::kPowerStandby);

  AtaBlock enable(BlockLayout::Bits64, Registers(0xB0, 0xD8, 0, 0, 0x4F, 0xC2), kAtaFlagsDrdyRequired, 0);
  ASSERT_TRUE(enable.SendTo(device));
  EXPECT_TRUE(device.ata.smartEnabled);
  EXPECT_EQ(device.ata.IdentifyData()[170] & 1, 1);  // word 85 bit 0
  AtaBlock readAgain(BlockLayout::Bits64, Registers(0xB0, 0xD0, 0, 0, 0x4F, 0xC2), kAtaFlagsDataIn, 512);
  ASSERT_TRUE(readAgain.SendTo(device));
  EXPECT_EQ(readAgain.Registers()[AtaTaskFile::Command], AtaDisk::kStatusGood);
  EXPECT_EQ(device.ata.powerMode, AtaDisk::kPowerActive);
}

TEST(SimAta, TemperatureAttributeAndChecksum) {
  AtaDisk disk;
  ASSERT_TRUE(disk.SetTemperature(47));
  std::vector<uint8_t> page = disk.SmartPage();
  int found = -1;
  for (std::size_t i = 0; i < AtaDisk::kAttributeCount; ++i)
    if (page[2 + 12 * i] == AtaDisk::kTemperatureId) found = int(i);
  ASSERT_GE(found, 0);
  EXPECT_EQ(page[2 + 12 * found + 5], 47);
  unsigned sum = 0;
  for (uint8_t b : page) sum += b;
  EXPECT_EQ(sum % 256, 0u);

  disk.RemoveTemperature();
  page = disk.SmartPage();
  for (std::size_t i = 0; i < AtaDisk::kAttributeCount; ++i) EXPECT_NE(page[2 + 12 * i], AtaDisk::kTemperatureId);
}

// --- families ------------------------------------------------------------------------

TEST(SimSat, RefusedTwelveByteFormLeavesTheSixteenByteForm) {
  SimDevice device(Family::Sat);
  device.rejectAtaPassThrough12 = true;
  device.ata.powerMode = AtaDisk::kPowerIdle;
  ScsiBlock twelve(BlockLayout::Bits64, {0xA1, 0x06, 0, 0, 0, 0, 0, 0, 0, 0xE5, 0, 0}, kScsiNoData, 0);
  ASSERT_TRUE(twelve.SendTo(device));
  EXPECT_EQ(twelve.Header().scsiStatus, 2);
  EXPECT_EQ(twelve.Sense()[2], 5);
  EXPECT_EQ(twelve.Sense()[12], 0x20);
  EXPECT_TRUE(device.Executed().empty());

  ScsiBlock sixteen(BlockLayout::Bits64, {0x85, 0x06, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xE5, 0}, kScsiNoData, 0);
  ASSERT_TRUE(sixteen.SendTo(device));
  ScsiBlock status(BlockLayout::Bits64, {0x85, 0x1E, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, kScsiDataIn, 14);
  ASSERT_TRUE(status.SendTo(device));
  EXPECT_EQ(status.Header().dataTransferLength, 14u);
  EXPECT_EQ(status.Data()[0], 0x09);
  EXPECT_EQ(status.Data()[5], AtaDisk::kPowerIdle);
  EXPECT_EQ(status.Data()[13], AtaDisk::kStatusGood);
}

TEST(SimSat, DataOutReachesTheDriveAndReadsBack) {
  SimDevice device(Family::Sat);
  ScsiBlock write(BlockLayout::Bits32, {0xA1, 0x0A, 0x06, 0xD6, 1, 0x81, 0x4F, 0xC2, 0, 0xB0, 0, 0}, kScsiDataOut, 512);
  for (std::size_t i = 0; i < 512; ++i) write.Data()[i] = uint8_t(i * 7 + 3);
  ASSERT_TRUE(write.SendTo(device));
  EXPECT_EQ(write.Header().scsiStatus, 0);
  ASSERT_EQ(device.Cdbs().back().dataOut.size(), 512u);

  device.FailCdb(0xA1, Fault::Short(100).Times(1));
  ScsiBlock shortWrite(BlockLayout::Bits32, {0xA1, 0x0A, 0x06, 0xD6, 1, 0x82, 0x4F, 0xC2, 0, 0xB0, 0, 0}, kScsiDataOut,
                       512);
  std::fill(shortWrite.Data(), shortWrite.Data() + 512, uint8_t(0x5A));
  ASSERT_TRUE(shortWrite.SendTo(device));
  EXPECT_EQ(shortWrite.Header().dataTransferLength, 100u);

  for (uint8_t log : {0x81, 0x82}) {
    ScsiBlock read(BlockLayout::Bits64, {0xA1, 0x08, 0x0E, 0xD5, 1, log, 0x4F, 0xC2, 0, 0xB0, 0, 0}, kScsiDataIn, 512);
    ASSERT_TRUE(read.SendTo(device));
    ASSERT_EQ(read.Header().dataTransferLength, 512u);
    for (std::size_t i = 0; i < 512; ++i) {
      const uint8_t expected = log == 0x81 ? uint8_t(i * 7 + 3) : i < 100 ? 0x5A : 0;
      ASSERT_EQ(read.Data()[i], expected) << int(log) << " byte " << i;
    }
  }
}

TEST(SimJm, RegisterReadAnswersOnlyTheChipsAddress) {
  SimDevice device(Family::Jm);
  device.SetJmChip(4);
  EXPECT_EQ(device.vendorSpecific, "j539");
  // An unknown command is aborted with its registers echoed: distinct values in each.
  ScsiBlock nop(BlockLayout::Bits64, {0xDF, 0x10, 0, 0x00, 0x01, 0x11, 0x22, 0x33, 0x44, 0x55, 0xA0, 0x00},
                kScsiNoData, 0);
  ASSERT_TRUE(nop.SendTo(device));

  ScsiBlock wrongChip(BlockLayout::Bits64, {0xDF, 0x10, 0, 0x00, 0x10, 0, 0x80, 0, 0, 0, 0, 0xFD}, kScsiDataIn, 16);
  ASSERT_TRUE(wrongChip.SendTo(device));
  EXPECT_EQ(wrongChip.Header().scsiStatus, 2);

  ScsiBlock read(BlockLayout::Bits64, {0xDF, 0x10, 0, 0x00, 0x10, 0, 0x63, 0, 0, 0, 0, 0xFD}, kScsiDataIn, 16);
  ASSERT_TRUE(read.SendTo(device));
  ASSERT_EQ(read.Header().scsiStatus, 0);
  const uint8_t* b = read.Data();
  EXPECT_EQ(b[13], AtaDisk::kErrorAbort);
  EXPECT_EQ(b[14], AtaDisk::kStatusError);
  EXPECT_EQ(b[0], 0x22);
  EXPECT_EQ(b[4], 0x33);
  EXPECT_EQ(b[5], 0x44);
  EXPECT_EQ(b[6], 0x55);
  EXPECT_EQ(b[7], 0xA0);
}

TEST(SimOptical, TrayAndMediumDecideReadiness) {
  SimDevice device(Family::Optical);
  device.currentProfile = 0x0011;
  const auto testUnitReady = [&] {
    ScsiBlock block(BlockLayout::Bits64, {0, 0, 0, 0, 0, 0}, kScsiNoData, 0);
    EXPECT_TRUE(block.SendTo(device));
    return block;
  };
  const auto profile = [&] {
    ScsiBlock block(BlockLayout::Bits64, {0x46, 0x10, 0, 0, 0, 0, 0, 0, 0x08, 0}, kScsiDataIn, 8);
    EXPECT_TRUE(block.SendTo(device));
    return GetBe16(block.Data() + 6);
  };
  EXPECT_EQ(testUnitReady().Header().scsiStatus, 0);
  EXPECT_EQ(profile(), 0x0011);

  device.mediumPresent = false;
  ScsiBlock empty = testUnitReady();
  EXPECT_EQ(empty.Sense()[2], 2);
  EXPECT_EQ(empty.Sense()[12], 0x3A);
  EXPECT_EQ(empty.Sense()[13], 0x01);
  EXPECT_EQ(profile(), 0);

  device.mediumPresent = true;
  ScsiBlock eject(BlockLayout::Bits64, {0x1B, 0, 0, 0, 0x02, 0}, kScsiNoData, 0);
  ASSERT_TRUE(eject.SendTo(device));
  EXPECT_TRUE(device.trayOpen);
  EXPECT_EQ(testUnitReady().Sense()[13], 0x02);
}

}  // namespace
}  // namespace tavolen::sim
