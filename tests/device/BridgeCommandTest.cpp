// The bridge-vendor command classes: the vendor CDBs that carry each register set, the
// register maps of their result reads, and the bridge information they report.
#include <gtest/gtest.h>

#include "control/device/CFjtCommand.h"
#include "control/device/CJmCommand.h"
#include "control/device/CQmxtCommand.h"
#include "control/device/CVarnkeldCommand.h"
#include "tests/device/CommandTestSupport.h"

using namespace tavolen;
using namespace tavolen::testing;
using sim::AtaDisk;
using sim::Family;
using sim::Fault;

namespace {

AtaTaskFile Registers(std::array<uint8_t, 8> current, std::array<uint8_t, 8> previous = {}) {
  AtaTaskFile tf;
  tf.current = current;
  tf.previous = previous;
  return tf;
}

std::u16string Text(const char16_t* text) { return text; }

}  // namespace

// --- the maker's own bridge ---------------------------------------------------------

TEST(VarnkeldBridge, NonDataCdbThenResultRead) {
  SimRig rig(Family::Varnkeld);
  CVarnkeldCommand command(rig.opener, 1u, 0x07);  // only the low two bits travel
  AtaTaskFile tf = Registers({0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0xE3, 0x77}, {0x88});
  ASSERT_TRUE(command.NonData(tf));
  ASSERT_EQ(rig.Cdbs().size(), 2u);
  EXPECT_EQ(rig.Cdbs()[0].cdb, Bytes({0xE2, 3, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0xE3, 0x77, 0x88, 0}));
  EXPECT_EQ(rig.Cdbs()[1].cdb, Bytes({0xE0, 3, 0, 0, 0, 0, 0, 2, 0, 0}));
  EXPECT_EQ(rig.Cdbs()[1].length, 512u);
  EXPECT_EQ(rig.device->ata.standbyTimer, 0x22);
  EXPECT_EQ(tf[AtaTaskFile::Command], AtaDisk::kStatusGood) << "status comes back from byte 15";
}

TEST(VarnkeldBridge, DataInForcesACountOfOne) {
  SimRig rig(Family::Varnkeld);
  CVarnkeldCommand command(rig.opener, 1u, 0);
  uint8_t data[512];
  ASSERT_TRUE(command.Identify(data));
  EXPECT_EQ(rig.Cdbs()[0].cdb, Bytes({0xE3, 0, 0, 1, 0, 0, 0, 0, 0xEC, 0, 0, 0}));
  EXPECT_EQ(rig.Cdbs()[0].direction, 1);
}

TEST(VarnkeldBridge, EveryOperationWorksThroughTheVendorCommands) {
  SimRig rig(Family::Varnkeld);
  rig.device->ata.SetTemperature(41);
  CVarnkeldCommand command(rig.opener, 1u, 0);
  uint32_t celsius = 0;
  ASSERT_TRUE(command.ReadTemperature(celsius));
  EXPECT_EQ(celsius, 41u);
  ASSERT_TRUE(command.SendCountCommand(0xE2, 0));
  bool awake = true;
  ASSERT_TRUE(command.CheckPowerMode(awake));
  EXPECT_FALSE(awake);
  bool good = false;
  ASSERT_TRUE(command.SmartReturnStatus(good));
  EXPECT_TRUE(good);
}

TEST(VarnkeldBridge, RefusesFortyEightBitRequestsWithoutSending) {
  SimRig rig(Family::Varnkeld);
  CVarnkeldCommand command(rig.opener, 1u, 0);
  AtaTaskFile tf = Registers({0, 0, 0, 0, 0, 0, 0xE5, 0});
  EXPECT_FALSE(command.AtaPassThrough(1, tf, true, nullptr, 0));
  EXPECT_TRUE(rig.Cdbs().empty());
  EXPECT_TRUE(command.AtaPassThrough(1, tf, false, nullptr, 0));
  EXPECT_FALSE(command.AtaPassThrough(3, tf, false, nullptr, 0)) << "unknown flags are refused";
}

TEST(VarnkeldBridge, AFailedResultReadFailsTheOperation) {
  SimRig rig(Family::Varnkeld);
  rig.device->FailCdb(0xE0, Fault::Check(4, 0x44, 0));
  CVarnkeldCommand command(rig.opener, 1u, 0);
  EXPECT_FALSE(command.SendCountCommand(0xE3, 12));
  EXPECT_EQ(command.SenseSummary(), (std::array<uint8_t, 4>{0, 4, 0x44, 0}));
}

TEST(VarnkeldBridge, AFailedCommandIsNotFollowedByAResultRead) {
  SimRig rig(Family::Varnkeld);
  rig.device->FailCdb(0xE2, Fault::TransportError());
  CVarnkeldCommand command(rig.opener, 1u, 0);
  EXPECT_FALSE(command.SendCountCommand(0xE2, 0));
  EXPECT_EQ(rig.Cdbs().size(), 1u);
}

TEST(VarnkeldBridge, ResultReadMapsBothRegisterSets) {
  uint8_t answer[512] = {};
  for (int i = 0; i < 16; ++i) answer[i] = uint8_t(0xA0 + i);
  AtaTaskFile tf = Registers({1, 2, 3, 4, 5, 6, 7, 8}, {9, 10, 11, 12, 13, 14, 15, 16});
  DecodeE0Registers(answer, tf);
  EXPECT_EQ(tf.current, (std::array<uint8_t, 8>{0xA4, 0xA6, 0xA8, 0xAA, 0xAC, 0xAE, 0xAF, 8}));
  EXPECT_EQ(tf.previous, (std::array<uint8_t, 8>{9, 0xA7, 0xA9, 0xAB, 0xAD, 14, 15, 16}));
}

TEST(VarnkeldBridge, BridgeInformationFromReadBuffer) {
  SimRig rig(Family::Varnkeld);
  rig.device->bridge = sim::BridgeInfo{0x1203, 0x0456, "  BRIDGE  FW 2  "};
  CVarnkeldCommand command(rig.opener, 1u, 2);
  BridgeInfo info;
  ASSERT_TRUE(command.GetBridgeInfo(info));
  EXPECT_EQ(rig.LastCdb(), Bytes({0x3C, 0x01, 0x20, 0, 0, 0, 0x00, 0x02, 0x00, 0}));
  EXPECT_EQ(info.word1, 0x1203);
  EXPECT_EQ(info.word2, 0x0456);
  EXPECT_EQ(Text(info.text), u"BRIDGE  FW 2");
}

// --- JMicron ------------------------------------------------------------------------

TEST(JmBridge, ChipIsReadFromInquiryWhenNotGiven) {
  struct Case {
    const char* text;
    uint32_t chip;
  } cases[] = {{"JM20339", 3}, {"xj339yz", 3}, {"j336", 2}, {"abj329", 1}, {"j539", 4}, {"JM20336", 0}, {"", 0}};
  for (const Case& c : cases) {
    char padded[8] = {};
    std::snprintf(padded, sizeof padded, "%s", c.text);
    EXPECT_EQ(JmChipFromInquiryText(padded), c.chip) << c.text;
  }
  SimRig rig(Family::Jm);
  rig.device->SetJmChip(2);
  CJmCommand command(rig.opener, 1u, 0);
  EXPECT_EQ(command.Chip(), 2u);
  EXPECT_EQ(rig.LastCdb(), Bytes({0x12, 0, 0, 0, 44, 0}));
}

TEST(JmBridge, GivenChipIsTrustedWithoutAsking) {
  SimRig rig(Family::Jm);
  CJmCommand command(rig.opener, 1u, 3);
  EXPECT_EQ(command.Chip(), 3u);
  EXPECT_TRUE(rig.Cdbs().empty());
}

TEST(JmBridge, CommandFormsAndChipRegisterAddresses) {
  const uint8_t addresses[] = {0, 0x83, 0x90, 0x80, 0x63};
  for (int chip = 1; chip <= 4; ++chip) {
    SimRig rig(Family::Jm);
    rig.device->SetJmChip(chip);
    CJmCommand command(rig.opener, 1u, uint32_t(chip));
    AtaTaskFile tf = Registers({0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0xE3, 0});
    ASSERT_TRUE(command.NonData(tf)) << chip;
    ASSERT_EQ(rig.Cdbs().size(), 2u);
    EXPECT_EQ(rig.Cdbs()[0].cdb, Bytes({0xDF, 0x10, 0, 0x00, 0x01, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0xE3}));
    EXPECT_EQ(rig.Cdbs()[1].cdb, Bytes({0xDF, 0x10, 0, 0x00, 0x10, 0, addresses[chip], 0, 0, 0, 0, 0xFD}));
    EXPECT_EQ(rig.Cdbs()[1].length, 16u);
    // Each chip's register map gives back what the drive returned.
    EXPECT_EQ(tf.current, rig.device->ata.LastResult().current) << chip;
    EXPECT_EQ(rig.device->ata.standbyTimer, 0x22);
  }
}

TEST(JmBridge, DataFormsAndPowerMode) {
  SimRig rig(Family::Jm);
  rig.device->SetJmChip(4);
  rig.device->ata.powerMode = AtaDisk::kPowerStandby;
  CJmCommand command(rig.opener, 1u, 4);
  bool awake = true;
  ASSERT_TRUE(command.CheckPowerMode(awake));
  EXPECT_FALSE(awake);
  uint8_t data[512];
  rig.device->ClearLogs();
  ASSERT_TRUE(command.Identify(data));
  EXPECT_EQ(rig.Cdbs()[0].cdb, Bytes({0xDF, 0x10, 0, 0x02, 0x00, 0, 0, 0, 0, 0, 0, 0xEC}));
  std::vector<uint8_t> sector(512, 0x5A);
  AtaTaskFile write = Registers({0xD6, 1, 0x80, 0x4F, 0xC2, 0, 0xB0, 0});
  rig.device->ClearLogs();
  ASSERT_TRUE(command.DataOut(write, sector.data(), 512));
  EXPECT_EQ(rig.Cdbs()[0].cdb, Bytes({0xDF, 0x00, 0, 0x02, 0x00, 0xD6, 1, 0x80, 0x4F, 0xC2, 0, 0xB0}));
  EXPECT_EQ(rig.Cdbs()[0].dataOut, sector);
}

TEST(JmBridge, UnknownChipSendsCommandsButItsPowerModeAndVerdictStayUnknown) {
  SimRig rig(Family::Jm);
  rig.device->vendorSpecific = "unknown bridge";
  rig.device->ata.powerMode = AtaDisk::kPowerActive;
  CJmCommand command(rig.opener, 1u, 0);
  ASSERT_EQ(command.Chip(), 0u);
  rig.device->ClearLogs();
  // The command itself runs, but no register read follows: the registers left are the
  // ones sent (count 0, LBA low 0), which would read as standby.
  bool awake = false;
  EXPECT_FALSE(command.CheckPowerMode(awake)) << "an awake disk is not reported asleep";
  ASSERT_EQ(rig.Cdbs().size(), 1u) << "no register read is sent";
  EXPECT_EQ(rig.Cdbs()[0].cdb[11], 0xE5);
  // The registers of RETURN STATUS sent are the "no threshold exceeded" signature.
  rig.device->ata.smartThresholdExceeded = true;
  bool good = true;
  EXPECT_FALSE(command.SmartReturnStatus(good));
  // Otherwise the class works as before: the command's own result stands.
  AtaTaskFile tf;
  tf[AtaTaskFile::Count] = 0x22;
  tf[AtaTaskFile::Command] = 0xE3;
  EXPECT_TRUE(command.NonData(tf));
  EXPECT_EQ(rig.device->ata.standbyTimer, 0x22);
}

TEST(JmBridge, RegisterReadFollowsEvenAFailedCommandWhoseResultStands) {
  SimRig rig(Family::Jm);
  rig.device->FailCdb(0xDF, Fault::TransportError().Times(1));
  CJmCommand command(rig.opener, 1u, 3);
  EXPECT_FALSE(command.SendCountCommand(0xE3, 5));
  EXPECT_EQ(rig.Cdbs().size(), 2u);
  // A failed register read does not undo a command that succeeded.
  rig.device->FailCdb(0xDF, Fault::TransportError().After(1).Times(1));
  EXPECT_TRUE(command.SendCountCommand(0xE3, 6));
  EXPECT_EQ(rig.device->ata.standbyTimer, 6);
}

TEST(JmBridge, BridgeInformationSizesByChip) {
  for (int chip : {1, 4}) {
    SimRig rig(Family::Jm);
    rig.device->SetJmChip(chip);
    rig.device->bridge = sim::BridgeInfo{0xBEEF, 0x0102, "JM FIRMWARE 1.20"};
    CJmCommand command(rig.opener, 1u, uint32_t(chip));
    BridgeInfo info;
    ASSERT_TRUE(command.GetBridgeInfo(info));
    if (chip == 4) {
      EXPECT_EQ(rig.LastCdb(), Bytes({0xDF, 0x10, 0, 0x20, 0x00, 0, 0, 0, 0, 0xC0, 0, 0xFA}));
      EXPECT_EQ(rig.Cdbs().back().length, 8192u);
    } else {
      EXPECT_EQ(rig.LastCdb(), Bytes({0xDF, 0x10, 0, 0x00, 0x80, 0, 0, 0, 0, 0, 0, 0xFA}));
      EXPECT_EQ(rig.Cdbs().back().length, 128u);
    }
    EXPECT_EQ(info.word1, 0xBEEF);
    EXPECT_EQ(info.word2, 0x0102);
    EXPECT_EQ(Text(info.text), u"JM FIRMWARE 1.20");
  }
}

// --- the translation variant with separate result reads -----------------------------

TEST(FjtBridge, NonDataWithCheckConditionBitThenE0Read) {
  SimRig rig(Family::Fjt);
  CFjtCommand command(rig.opener, 1u);
  ASSERT_TRUE(command.SendCountCommand(0xE3, 36));
  ASSERT_EQ(rig.Cdbs().size(), 2u);
  EXPECT_EQ(rig.Cdbs()[0].cdb, Bytes({0xA1, 0x06, 0x20, 0, 36, 0, 0, 0, 0, 0xE3, 0, 0}));
  EXPECT_EQ(rig.Cdbs()[1].cdb, Bytes({0xE0, 0, 0, 0, 0, 0, 0, 2, 0, 0}));
  EXPECT_EQ(rig.device->ata.standbyTimer, 36);
}

TEST(FjtBridge, DataInCountsSectors) {
  SimRig rig(Family::Fjt);
  CFjtCommand command(rig.opener, 1u);
  uint8_t data[512];
  ASSERT_TRUE(command.Identify(data));
  EXPECT_EQ(rig.Cdbs()[0].cdb, Bytes({0xA1, 0x08, 0x2E, 0, 1, 0, 0, 0, 0, 0xEC, 0, 0}));
}

TEST(FjtBridge, FortyEightBitFormsInterleaveBothRegisterSets) {
  SimRig rig(Family::Fjt);
  CFjtCommand command(rig.opener, 1u);
  AtaTaskFile tf = Registers({0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0xE5, 0x77}, {0x81, 0x82, 0x83, 0x84, 0x85});
  ASSERT_TRUE(command.AtaPassThrough(1, tf, true, nullptr, 0));
  EXPECT_EQ(rig.Cdbs()[0].cdb,
            Bytes({0x85, 0x07, 0x20, 0x81, 0x11, 0x82, 0x22, 0x83, 0x33, 0x84, 0x44, 0x85, 0x55, 0x66, 0xE5, 0x77}));
  std::vector<uint8_t> log(1024);
  AtaTaskFile read = Registers({0xD5, 2, 0x80, 0x4F, 0xC2, 0, 0xB0, 0});
  rig.device->ClearLogs();
  command.AtaPassThrough(2, read, true, log.data(), 1024);
  EXPECT_EQ(rig.Cdbs()[0].cdb[1], 0x09);
  EXPECT_EQ(rig.Cdbs()[0].cdb[2], 0x2E);
  EXPECT_EQ(rig.Cdbs()[0].cdb[6], 2) << "count is the length in sectors";
  std::vector<uint8_t> out(512, 1);
  AtaTaskFile write = Registers({0xD6, 1, 0x81, 0x4F, 0xC2, 0, 0xB0, 0});
  rig.device->ClearLogs();
  ASSERT_TRUE(command.AtaPassThrough(4, write, false, out.data(), 512));
  EXPECT_EQ(rig.Cdbs()[0].cdb, Bytes({0xA1, 0x0A, 0x26, 0xD6, 1, 0x81, 0x4F, 0xC2, 0, 0xB0, 0, 0}));
  EXPECT_EQ(rig.device->ata.hostLogs[0x81], out);
}

TEST(FjtBridge, BridgeInformationFromBufferA0) {
  SimRig rig(Family::Fjt);
  CFjtCommand command(rig.opener, 1u);
  BridgeInfo info;
  ASSERT_TRUE(command.GetBridgeInfo(info));
  EXPECT_EQ(rig.LastCdb(), Bytes({0x3C, 0x01, 0xA0, 0, 0, 0, 0x00, 0x02, 0x00, 0}));
  EXPECT_EQ(info.word1, rig.device->bridge.word1);
}

// --- the family with its own vendor command -----------------------------------------

TEST(QmxtFamily, VendorCdbsAndDescriptorRead) {
  SimRig rig(Family::Qmxt);
  rig.device->ata.powerMode = AtaDisk::kPowerStandby;
  CQmxtCommand command(rig.opener, 1u);
  bool awake = true;
  ASSERT_TRUE(command.CheckPowerMode(awake));
  EXPECT_FALSE(awake);
  ASSERT_EQ(rig.Cdbs().size(), 2u);
  EXPECT_EQ(rig.Cdbs()[0].cdb, Bytes({0xF0, 0x06, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xE5, 0}));
  EXPECT_EQ(rig.Cdbs()[1].cdb, Bytes({0xF0, 0x1E, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
  uint8_t data[512];
  rig.device->ClearLogs();
  ASSERT_TRUE(command.Identify(data));
  EXPECT_EQ(rig.Cdbs()[0].cdb, Bytes({0xF0, 0x08, 0x0E, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0xEC, 0}));
  BridgeInfo info;
  EXPECT_FALSE(command.GetBridgeInfo(info));
}

TEST(QmxtFamily, AFailedRegisterReadFailsTheOperation) {
  SimRig rig(Family::Qmxt);
  rig.device->FailCdb(0xF0, Fault::TransportError().After(1).Times(1));
  CQmxtCommand command(rig.opener, 1u);
  EXPECT_FALSE(command.SendCountCommand(0xE3, 1));
}
