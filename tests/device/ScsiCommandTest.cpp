// SCSI commands and the one door: what reaches the device on each route, and what the
// caller gets back from good, failing and malformed answers.
#include <gtest/gtest.h>

#include "control/device/CAtaCommand.h"
#include "control/device/CIoctl.h"
#include "control/device/CScsiCommand.h"
#include "tests/device/CommandTestSupport.h"
#include "control/device/IoctlCodes.h"
#include "control/device/SystemDrive.h"

using namespace tavolen;
using namespace tavolen::testing;
using sim::Family;
using sim::Fault;

TEST(CommandRoute, DirectRouteSendsThisBuildsLayoutWithDirectTimeout) {
  SimRig rig(Family::PlainAta, ChannelRoute::Direct);
  CScsiCommand command(rig.opener, 1u);
  ASSERT_EQ(command.Route(), ChannelRoute::Direct);
  ASSERT_TRUE(command.TestUnitReady());
  const sim::CdbRecord& sent = rig.Cdbs().back();
  EXPECT_EQ(sent.layout, NativeBlockLayout());
  EXPECT_EQ(sent.header.length, sizeof(void*) == 8 ? 56 : 44);
  EXPECT_EQ(sent.header.timeOutValue, 20u);
  EXPECT_EQ(sent.header.senseInfoLength, 18);
  EXPECT_EQ(sent.header.dataIn, 2);
}

TEST(CommandRoute, ServiceRouteAlwaysSendsTheThirtyTwoBitLayout) {
  SimRig rig(Family::PlainAta, ChannelRoute::Service);
  CScsiCommand command(rig.opener, 1u);
  ASSERT_EQ(command.Route(), ChannelRoute::Service);
  uint8_t inquiry[56];
  ASSERT_TRUE(command.Inquiry(inquiry, sizeof inquiry));
  const sim::CdbRecord& sent = rig.Cdbs().back();
  EXPECT_EQ(sent.layout, BlockLayout::Bits32);
  EXPECT_EQ(sent.header.length, 44);
  EXPECT_EQ(sent.header.timeOutValue, 10u);
  EXPECT_EQ(sent.header.dataBufferOffset, 80u);
  EXPECT_EQ(sent.header.senseInfoOffset, 48u);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(inquiry + 8), 8), "TAVOSIM ");
}

TEST(CommandRoute, BytesReturnedStaysZeroThroughTheService) {
  for (ChannelRoute route : {ChannelRoute::Direct, ChannelRoute::Service}) {
    SimRig rig(Family::PlainAta, route);
    CIoctl ioctl(rig.opener, 1u);
    uint8_t out[12] = {};
    uint32_t returned = 99;
    ASSERT_TRUE(ioctl.Control(kIoctlStorageGetDeviceNumber, nullptr, 0, out, sizeof out, &returned));
    EXPECT_EQ(returned, route == ChannelRoute::Direct ? 12u : 0u);
  }
}

TEST(CommandRoute, ClosedCommandFailsAndReachesNothing) {
  SimRig rig(Family::PlainAta);
  CScsiCommand command(rig.opener, 1u);
  EXPECT_EQ(rig.opener.OpenChannels(), 1);
  command.Close();
  EXPECT_EQ(rig.opener.OpenChannels(), 0);
  EXPECT_EQ(command.Route(), ChannelRoute::Closed);
  EXPECT_FALSE(command.TestUnitReady());
  EXPECT_EQ(command.LastError(), kErrorInvalidHandle);
  EXPECT_TRUE(rig.Cdbs().empty());
  command.Close();  // closing twice is harmless
}

TEST(CommandRoute, DestroyingACommandClosesItsDevice) {
  SimRig rig(Family::PlainAta);
  { CScsiCommand command(rig.opener, 1u); }
  EXPECT_EQ(rig.opener.OpenChannels(), 0);
  EXPECT_EQ(rig.opener.Opened().back(), u"\\\\.\\PhysicalDrive1");
}

TEST(CommandRoute, AbsentServiceFailsWithTheSystemError) {
  SimRig rig(Family::PlainAta, ChannelRoute::Service);
  rig.opener.SetServiceRunning(false);
  CScsiCommand command(rig.opener, 1u);
  uint8_t inquiry[56];
  EXPECT_FALSE(command.Inquiry(inquiry, sizeof inquiry));
  EXPECT_EQ(command.LastError(), 2u);
  EXPECT_EQ(command.SenseSummary(), (std::array<uint8_t, 4>{0, 0, 0, 0}));
}

TEST(ScsiCommands, InquiryAsksTheRequestedLengthAndZeroesOnFailure) {
  SimRig rig(Family::PlainAta);
  rig.device->vendor = "ACME";
  rig.device->product = "BIG DISK";
  CScsiCommand command(rig.opener, 1u);
  uint8_t inquiry[56];
  ASSERT_TRUE(command.Inquiry(inquiry, 56));
  EXPECT_EQ(rig.LastCdb(), Bytes({0x12, 0, 0, 0, 56, 0}));
  EXPECT_EQ(std::string(reinterpret_cast<char*>(inquiry + 8), 12), "ACME    BIG ");

  rig.device->FailCdb(0x12, Fault::TransportError(1117));
  std::fill(std::begin(inquiry), std::end(inquiry), 0xAB);
  EXPECT_FALSE(command.Inquiry(inquiry, 56));
  EXPECT_EQ(command.LastError(), 1117u);
  for (uint8_t b : inquiry) ASSERT_EQ(b, 0);
}

TEST(ScsiCommands, CheckConditionFailsWithTheSenseSummaryThoughTheTransportSucceeded) {
  SimRig rig(Family::PlainAta);
  rig.device->FailCdb(0x00, Fault::Check(0x06, 0x29, 0x01).Times(1));
  CScsiCommand command(rig.opener, 1u);
  EXPECT_FALSE(command.TestUnitReady());
  EXPECT_EQ(command.SenseSummary(), (std::array<uint8_t, 4>{0, 0x06, 0x29, 0x01}));
  EXPECT_EQ(command.LastError(), 0u);
  // The next success clears the summary.
  EXPECT_TRUE(command.TestUnitReady());
  EXPECT_EQ(command.SenseSummary(), (std::array<uint8_t, 4>{0, 0, 0, 0}));
}

TEST(ScsiCommands, TransportFailureKeepsTheErrorUntilTheNextSuccess) {
  SimRig rig(Family::PlainAta);
  rig.device->FailCdb(0x00, Fault::TransportError(21).Times(1));
  CScsiCommand command(rig.opener, 1u);
  EXPECT_FALSE(command.TestUnitReady());
  EXPECT_EQ(command.LastError(), 21u);
  EXPECT_TRUE(command.TestUnitReady());
  EXPECT_EQ(command.LastError(), 0u);
}

TEST(ScsiCommands, ReadCapacityUsesTenByteFormWhenItFits) {
  SimRig rig(Family::PlainAta);
  rig.device->lastLba = 976773167;
  rig.device->blockLength = 512;
  CScsiCommand command(rig.opener, 1u);
  uint64_t lba = 0;
  uint32_t block = 0;
  ASSERT_TRUE(command.ReadCapacity(lba, block));
  EXPECT_EQ(lba, 976773167u);
  EXPECT_EQ(block, 512u);
  ASSERT_EQ(rig.Cdbs().size(), 1u);
  EXPECT_EQ(rig.LastCdb(), Bytes({0x25, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
}

TEST(ScsiCommands, ReadCapacityFallsBackToSixteenByteFormForLargeDisks) {
  SimRig rig(Family::PlainAta);
  rig.device->lastLba = 0x1D1C0BEAFull;  // above 32 bits
  rig.device->blockLength = 4096;
  CScsiCommand command(rig.opener, 1u);
  uint64_t lba = 0;
  uint32_t block = 0;
  ASSERT_TRUE(command.ReadCapacity(lba, block));
  EXPECT_EQ(lba, 0x1D1C0BEAFull);
  EXPECT_EQ(block, 4096u);
  ASSERT_EQ(rig.Cdbs().size(), 2u);
  EXPECT_EQ(rig.LastCdb(), Bytes({0x9E, 0x10, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 32, 0, 0}));
}

TEST(ScsiCommands, ReadCapacityFallsBackWhenTheTenByteFormFails) {
  SimRig rig(Family::PlainAta);
  rig.device->FailCdb(0x25, Fault::Check(5, 0x20, 0));
  CScsiCommand command(rig.opener, 1u);
  uint64_t lba = 7;
  uint32_t block = 7;
  ASSERT_TRUE(command.ReadCapacity(lba, block));
  EXPECT_EQ(lba, rig.device->lastLba);
  rig.device->FailCdb(0x9E, Fault::Check(5, 0x20, 0));
  lba = 7;
  EXPECT_FALSE(command.ReadCapacity(lba, block));
  EXPECT_EQ(lba, 7u) << "outputs stay untouched on failure";
}

TEST(ScsiCommands, ReadBufferRangeCheckAndCdb) {
  SimRig rig(Family::Varnkeld);
  CScsiCommand command(rig.opener, 1u);
  std::vector<uint8_t> buffer(0x1000);
  EXPECT_FALSE(command.ReadBuffer(1, 0x20, buffer.data(), 0, 0x1000));
  EXPECT_FALSE(command.ReadBuffer(1, 0x20, buffer.data(), 0x2000, 512));
  EXPECT_TRUE(rig.Cdbs().empty()) << "out-of-range requests are not sent";
  ASSERT_TRUE(command.ReadBuffer(0x31, 0x20, buffer.data(), 3, 512));
  // The mode keeps its low four bits; the offset travels as 0.
  EXPECT_EQ(rig.LastCdb(), Bytes({0x3C, 0x01, 0x20, 0, 0, 0, 0x00, 0x02, 0x00, 0}));
}

TEST(ScsiCommands, ModeSenseAsksOnePageWithAByteLength) {
  SimRig rig(Family::Optical);
  CScsiCommand command(rig.opener, 1u);
  uint8_t page[80] = {};
  ASSERT_TRUE(command.ModeSense10(0x2A, page, sizeof page));
  EXPECT_EQ(rig.LastCdb(), Bytes({0x5A, 0, 0x2A, 0, 0, 0, 0, 0, 80, 0}));
  EXPECT_EQ(page[8] & 0x3F, 0x2A) << "the page follows the 8-byte header";
}

TEST(ScsiCommands, ShortAndGarbageAnswersStayInsideTheCallersBuffer) {
  SimRig rig(Family::PlainAta);
  CScsiCommand command(rig.opener, 1u);
  uint8_t inquiry[56];
  rig.device->FailCdb(0x12, Fault::Short(5).Times(1));
  EXPECT_TRUE(command.Inquiry(inquiry, sizeof inquiry));
  EXPECT_EQ(inquiry[8], 0) << "bytes the device did not send stay zero";
  rig.device->FailCdb(0x25, Fault::Garbage().Times(1));
  uint64_t lba = 0;
  uint32_t block = 0;
  EXPECT_TRUE(command.ReadCapacity10(lba, block));
  EXPECT_NE(lba, rig.device->lastLba);
}

TEST(ScsiCommands, PlainDevicesHaveNoBridgeInformation) {
  SimRig rig(Family::PlainAta);
  CScsiCommand command(rig.opener, 1u);
  BridgeInfo info;
  EXPECT_FALSE(command.GetBridgeInfo(info));
  EXPECT_TRUE(rig.Cdbs().empty());
}

TEST(Ioctls, RecordsAreDecodedAndZeroedOnFailure) {
  SimRig rig(Family::Sat, ChannelRoute::Direct, 4);
  rig.device->performanceNumber = 9;
  rig.device->hotplug.mediaRemovable = 1;
  rig.device->mediaType = kMediaTypeRemovable;
  CIoctl ioctl(rig.opener, 4u);

  StorageDeviceNumber number;
  ASSERT_TRUE(ioctl.GetDeviceNumber(number));
  EXPECT_EQ(number.deviceNumber, 4u);
  DiskPerformance performance;
  ASSERT_TRUE(ioctl.GetDiskPerformance(performance));
  EXPECT_EQ(performance.storageDeviceNumber, 9u);
  StorageHotplugInfo hotplug;
  ASSERT_TRUE(ioctl.GetHotplugInfo(hotplug));
  EXPECT_EQ(hotplug.mediaRemovable, 1);
  EXPECT_EQ(hotplug.deviceHotplug, 1);
  DiskGeometry geometry;
  ASSERT_TRUE(ioctl.GetDriveGeometry(geometry));
  EXPECT_EQ(geometry.mediaType, kMediaTypeRemovable);

  rig.device->FailIoctl(kIoctlStorageGetDeviceNumber, Fault::TransportError());
  rig.device->FailIoctl(kIoctlDiskPerformance, Fault::TransportError());
  rig.device->FailIoctl(kIoctlDiskGetDriveGeometry, Fault::TransportError());
  EXPECT_FALSE(ioctl.GetDeviceNumber(number));
  EXPECT_EQ(number.deviceNumber, 0u);
  EXPECT_FALSE(ioctl.GetDiskPerformance(performance));
  EXPECT_EQ(performance.storageDeviceNumber, 9u) << "performance stays untouched";
  EXPECT_FALSE(ioctl.GetDriveGeometry(geometry));
  EXPECT_EQ(geometry.mediaType, 0u);
}

TEST(SystemDrive, OpensTheVolumeOfTheWindowsDirectory) {
  sim::SimOpener opener;
  auto disk = std::make_shared<sim::SimDevice>(Family::PlainAta);
  disk->deviceNumber = 2;
  opener.Add(u"\\\\.\\D:", disk);
  EXPECT_EQ(SystemDriveNumber(opener, u"D:\\WINDOWS"), 2u);
  EXPECT_EQ(opener.Opened().back(), u"\\\\.\\D:");
  EXPECT_EQ(SystemDriveNumber(opener, u"E:\\WINDOWS"), kNoDeviceNumber);
  EXPECT_EQ(opener.OpenChannels(), 0);
}

TEST(CommandRoute, AReadLeavesNoBytesOfAnEarlierReadBehind) {
  // A buffer reused for a second read, as the array status falls back from READ BUFFER
  // to the ATA read: whatever the second read does not write is zero.
  for (const ChannelRoute route : {ChannelRoute::Direct, ChannelRoute::Service}) {
    SimRig rig(Family::Varnkeld, route);
    std::vector<uint8_t> buffer(512, 0xAA);
    CScsiCommand scsi(rig.opener, 1u);
    rig.device->FailCdb(0x3C, Fault::Check(5, 0x24, 0).Times(1));
    EXPECT_FALSE(scsi.ReadBuffer(1, 0x20, buffer.data(), 0, 512));
    EXPECT_EQ(buffer, std::vector<uint8_t>(512, 0)) << "a failed read";
    std::fill(buffer.begin(), buffer.end(), 0xAA);
    rig.device->FailCdb(0x3C, Fault::Short(8).Times(1));
    ASSERT_TRUE(scsi.ReadBuffer(1, 0x20, buffer.data(), 0, 512));
    EXPECT_EQ(std::vector<uint8_t>(buffer.begin() + 8, buffer.end()), std::vector<uint8_t>(504, 0)) << "a short read";
  }
  SimRig rig(Family::PlainAta);
  CAtaCommand ata(rig.opener, 1u);
  std::vector<uint8_t> page(512, 0xAA);
  rig.device->FailAtaCommand(0xB0, Fault::TransportError().Times(1));
  EXPECT_FALSE(ata.SmartReadData(page.data()));
  EXPECT_EQ(page, std::vector<uint8_t>(512, 0)) << "a failed ATA read";
}
