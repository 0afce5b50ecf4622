// The array status of the maker's array products as their rows show it: the background
// colour and the label by array state, and the reads the 60-second refresh costs.
#include <gtest/gtest.h>

#include "control/device/Command.h"
#include "control/panels/ArrayStatus.h"
#include "sim/SimDevice.h"
#include "sim/SimOpener.h"

using namespace tavolen;
using sim::Family;
using sim::Fault;

namespace {
ArrayStatusBlock Block(std::initializer_list<uint8_t> first) {
  ArrayStatusBlock block{};
  std::copy(first.begin(), first.end(), block.begin());
  return block;
}
}  // namespace

TEST(ArrayStatus, TheRowTakesTheColourAndTextOfTheArrayState) {
  namespace a = array_strings;
  struct Case {
    ArrayStatusBlock block;
    uint32_t background;
    std::optional<ArrayText> label;
  };
  const std::vector<Case> cases = {
      {Block({1, 0, 0x10}), 0xBEBEBE, std::nullopt},                            // normal: the volume label
      {Block({1, 0, 0x11}), 0x2828E6, ArrayText{a::kDegrade, {}}},             // RGB(230,40,40)
      {Block({1, 0, 0x12, 42}), 0x50DCDC, ArrayText{a::kRebuilding, u"( 42％ )"}},  // RGB(220,220,80)
      {Block({2, 0, 0x12, 0x40, 0x00}), 0x50DCDC, ArrayText{a::kRebuilding, u"( 25％ )"}},
      {Block({3, 0, 0x13}), 0x2828E6, ArrayText{a::kRebuildPausing, {}}},
      {Block({1, 0, 0x14}), 0x2828E6, ArrayText{a::kSystemPausing, {}}},
      {Block({1, 0, 0x15}), 0xB4B5F0, ArrayText{a::kSystemHunging, {}}},     // RGB(240,181,180)
      {Block({1, 0, 0x1F}), 0xBEBEBE, std::nullopt},  // a state the table does not know: grey, label kept
      {Block({9, 0, 0x11}), 0xBEBEBE, std::nullopt},  // an unknown layout counts as state 0
  };
  for (const Case& c : cases) {
    const auto state = ArrayRowStateOf(c.block);
    ASSERT_TRUE(state.has_value());
    EXPECT_EQ(state->background, c.background) << int(c.block[2]);
    EXPECT_EQ(state->label.has_value(), c.label.has_value()) << int(c.block[2]);
    if (c.label && state->label) {
      EXPECT_EQ(*state->label, *c.label);
    }
  }
  EXPECT_FALSE(ArrayRowStateOf(Block({0, 0, 0x11})).has_value()) << "no status: label and colour stay";
}

TEST(ArrayStatus, EachProductIsReadWithOneOrTwoCommands) {
  for (const uint32_t kind : {uint32_t(MakerDiskB), uint32_t(MakerDiskC)}) {
    auto device = std::make_shared<sim::SimDevice>(kind == MakerDiskB ? Family::Varnkeld : Family::PlainAta);
    sim::SimOpener opener;
    opener.Add(PhysicalDrivePath(4), device);
    DeviceInfo disk = ZeroDeviceInfo();
    disk.kind = kind;
    disk.driveNumber = 4;
    device->ata.arrayStatus = {2, 0, 0x11};
    const auto block = ReadArrayStatus(opener, disk);
    ASSERT_TRUE(block.has_value());
    EXPECT_EQ(ArrayState(*block), 1u);
    EXPECT_EQ(device->Cdbs().size() + device->AtaCommands().size(), 1u) << kind;
    device->ClearLogs();
    device->ata.arrayStatus.clear();  // the drive aborts the read: no status (a block of zeros at most)
    const auto none = ReadArrayStatus(opener, disk);
    EXPECT_FALSE(none && ArrayRowStateOf(*none).has_value());
    EXPECT_LE(device->Cdbs().size() + device->AtaCommands().size(), 3u) << "READ BUFFER, then the ATA read";
  }
  DeviceInfo other = ZeroDeviceInfo();
  other.kind = MakerDiskA;
  sim::SimOpener opener;
  EXPECT_FALSE(ReadArrayStatus(opener, other).has_value());
}
