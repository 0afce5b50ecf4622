// The opener's routes: what each hands back, which block layouts each lets through,
// and how many channels are open.
#include <gtest/gtest.h>

#include "control/device/IoctlCodes.h"
#include "sim/SimOpener.h"
#include "tests/sim/SimTestBlocks.h"
#include "control/device/StorageRecords.h"

namespace tavolen::sim {
namespace {

using testing::ScsiBlock;

constexpr BlockLayout kOtherThanNative =
    NativeBlockLayout() == BlockLayout::Bits64 ? BlockLayout::Bits32 : BlockLayout::Bits64;

ScsiBlock Inquiry(BlockLayout layout) { return ScsiBlock(layout, {0x12, 0, 0, 0, 56, 0}, kScsiDataIn, 56); }

bool Send(DeviceChannel& channel, ScsiBlock& block, uint32_t* returned) {
  const uint32_t size = uint32_t(block.bytes.size());
  return channel.Control(kIoctlScsiPassThrough, block.bytes.data(), size, block.bytes.data(), size, returned);
}

TEST(SimOpener, UnknownPathIsAServiceChannelThatNeverAnswers) {
  SimOpener opener;
  auto channel = opener.Open(u"\\\\.\\PhysicalDrive7");
  ASSERT_NE(channel, nullptr);
  EXPECT_EQ(channel->Route(), ChannelRoute::Service);
  ScsiBlock block = Inquiry(BlockLayout::Bits32);
  uint32_t returned = 5;
  EXPECT_FALSE(Send(*channel, block, &returned));
  EXPECT_EQ(channel->LastError(), 2u);
  EXPECT_EQ(returned, 0u);
}

TEST(SimOpener, DirectRouteReportsTheDevicesCountAndNeedsTheNativeLayout) {
  auto device = std::make_shared<SimDevice>(Family::Sat);
  SimOpener opener;
  opener.Add(u"\\\\?\\USBSTOR#DISK&VEN_SIM#1", device, ChannelRoute::Direct);
  auto channel = opener.Open(u"\\\\?\\usbstor#disk&ven_sim#1");
  EXPECT_EQ(channel->Route(), ChannelRoute::Direct);

  ScsiBlock native = Inquiry(NativeBlockLayout());
  uint32_t returned = 0;
  ASSERT_TRUE(Send(*channel, native, &returned));
  EXPECT_EQ(returned, ScsiGeometry(NativeBlockLayout()).dataOffset + 56);

  ScsiBlock foreign = Inquiry(kOtherThanNative);
  EXPECT_FALSE(Send(*channel, foreign, &returned));
  EXPECT_EQ(channel->LastError(), kErrorInvalidParameter);
  EXPECT_EQ(device->Cdbs().size(), 1u);
  EXPECT_EQ(opener.Opened(), (std::vector<std::u16string>{u"\\\\?\\usbstor#disk&ven_sim#1"}));
}

TEST(SimOpener, ServiceRouteTakesThe32BitLayoutAndReturnsNoCount) {
  auto device = std::make_shared<SimDevice>(Family::Jm);
  device->deviceNumber = 4;
  SimOpener opener;
  opener.Add(u"\\\\.\\PhysicalDrive4", device, ChannelRoute::Service);
  auto channel = opener.Open(u"\\\\.\\PhysicalDrive4");
  EXPECT_EQ(channel->Route(), ChannelRoute::Service);

  ScsiBlock wide = Inquiry(BlockLayout::Bits64);
  uint32_t returned = 0;
  EXPECT_FALSE(Send(*channel, wide, &returned));
  EXPECT_EQ(channel->LastError(), kErrorInvalidParameter);

  ScsiBlock narrow = Inquiry(BlockLayout::Bits32);
  ASSERT_TRUE(Send(*channel, narrow, &returned));
  EXPECT_EQ(returned, 0u);
  EXPECT_EQ(narrow.Data()[36], 'j');
  EXPECT_EQ(device->Cdbs().size(), 1u);
  EXPECT_EQ(device->Cdbs()[0].layout, BlockLayout::Bits32);

  std::vector<uint8_t> number(StorageDeviceNumber::kSize + 4, 0xCC);
  ASSERT_TRUE(channel->Control(kIoctlStorageGetDeviceNumber, nullptr, 0, number.data(), uint32_t(number.size()),
                               &returned));
  EXPECT_EQ(returned, 0u);
  EXPECT_EQ(StorageDeviceNumber::Decode(number.data()).deviceNumber, 4u);
  EXPECT_EQ(number.back(), 0);  // the service copies its whole output area back

  opener.SetServiceRunning(false);
  EXPECT_FALSE(Send(*channel, narrow, &returned));
  EXPECT_EQ(channel->LastError(), 2u);
}

TEST(SimOpener, CountsTheChannelsStillOpen) {
  SimOpener opener;
  opener.Add(u"\\\\.\\Cdrom0", std::make_shared<SimDevice>(Family::Optical), ChannelRoute::Direct);
  auto first = opener.Open(u"\\\\.\\Cdrom0");
  {
    auto second = opener.Open(u"\\\\.\\Cdrom1");
    EXPECT_EQ(opener.OpenChannels(), 2);
  }
  EXPECT_EQ(opener.OpenChannels(), 1);
  first.reset();
  EXPECT_EQ(opener.OpenChannels(), 0);
  EXPECT_EQ(opener.Opened().size(), 2u);
}

}  // namespace
}  // namespace tavolen::sim
