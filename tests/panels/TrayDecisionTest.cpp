// Tray control: open or close from the sense data of TEST UNIT READY and the capabilities
// page, alone and against a simulated optical drive.
#include <gtest/gtest.h>

#include <vector>

#include "control/device/COptCommand.h"
#include "control/device/Command.h"
#include "sim/SimDevice.h"
#include "sim/SimOpener.h"
#include "control/panels/TrayDecision.h"

using namespace tavolen;
using sim::Family;
using sim::Fault;

namespace {

// A MODE SENSE(10) answer: header with the medium type and the block descriptor length,
// then the page.
std::vector<uint8_t> ModeAnswer(uint8_t mediumType, std::vector<uint8_t> page, uint16_t descriptors = 0) {
  std::vector<uint8_t> data(8 + descriptors, 0);
  data[2] = mediumType;
  data[6] = uint8_t(descriptors >> 8);
  data[7] = uint8_t(descriptors);
  data.insert(data.end(), page.begin(), page.end());
  data.resize(kCapabilitiesAllocation, 0);
  return data;
}

std::vector<uint8_t> Page(uint8_t code, uint8_t byte2, uint8_t byte3, uint8_t byte5) {
  std::vector<uint8_t> page(30, 0);
  page[0] = code;
  page[1] = 0x1C;
  page[2] = byte2;
  page[3] = byte3;
  page[5] = byte5;
  return page;
}

TrayAction FromMode(const std::vector<uint8_t>& data) { return TrayActionFromModeSense(data.data(), data.size()); }

struct OpticalRig {
  OpticalRig() : drive(std::make_shared<sim::SimDevice>(Family::Optical)) {
    opener.Add(CdromPath(4), drive);
    opener.Add(PhysicalDrivePath(4), drive);
  }
  TrayAction Decide() {
    COptCommand command(opener, 4u);
    return DecideTrayAction(command);
  }
  bool Sent(uint8_t opcode) const {
    for (const auto& record : drive->Cdbs())
      if (!record.cdb.empty() && record.cdb[0] == opcode) return true;
    return false;
  }
  std::shared_ptr<sim::SimDevice> drive;
  sim::SimOpener opener;
};

}  // namespace

TEST(TraySense, ReadyOrEmptyWithClosedTrayOpensEmptyWithOpenTrayCloses) {
  EXPECT_EQ(TrayActionFromSense(0, 0, 0), TrayAction::Open);
  EXPECT_EQ(TrayActionFromSense(0, 0x3A, 0x02), TrayAction::Open) << "key 0 decides alone";
  EXPECT_EQ(TrayActionFromSense(2, 0x3A, 0x01), TrayAction::Open);
  EXPECT_EQ(TrayActionFromSense(2, 0x3A, 0x02), TrayAction::Close);
}

TEST(TraySense, AnythingElseLeavesItToTheModePage) {
  EXPECT_FALSE(TrayActionFromSense(2, 0x3A, 0x00));
  EXPECT_FALSE(TrayActionFromSense(2, 0x04, 0x01));  // becoming ready
  EXPECT_FALSE(TrayActionFromSense(6, 0x28, 0x00));  // medium may have changed
  EXPECT_FALSE(TrayActionFromSense(3, 0x3A, 0x02));
}

TEST(TrayModePage, MediumTypeTellsAnOpenTray) {
  EXPECT_EQ(FromMode(ModeAnswer(0x00, Page(0x2A, 0x3F, 0x37, 0x7F))), TrayAction::Open);
  EXPECT_EQ(FromMode(ModeAnswer(0x70, Page(0x2A, 0x3F, 0x37, 0x7F))), TrayAction::Open);
  EXPECT_EQ(FromMode(ModeAnswer(0x71, Page(0x2A, 0x3F, 0x37, 0x7F))), TrayAction::Close);
}

TEST(TrayModePage, AReadOnlyPatternCountsAsOpen) {
  EXPECT_EQ(FromMode(ModeAnswer(0x00, Page(0x2A, 0x3F, 0x00, 0x00))), TrayAction::Close);
  EXPECT_EQ(FromMode(ModeAnswer(0x00, Page(0xAA, 0x3F, 0x00, 0x00))), TrayAction::Close) << "PS bit ignored";
  // Each part of the pattern matters.
  EXPECT_EQ(FromMode(ModeAnswer(0x00, Page(0x2A, 0x00, 0x00, 0x00))), TrayAction::Open);
  EXPECT_EQ(FromMode(ModeAnswer(0x00, Page(0x2A, 0x3F, 0x01, 0x00))), TrayAction::Open);
  EXPECT_EQ(FromMode(ModeAnswer(0x00, Page(0x2A, 0x3F, 0x00, 0x01))), TrayAction::Open);
  EXPECT_EQ(FromMode(ModeAnswer(0x00, Page(0x08, 0x3F, 0x00, 0x00))), TrayAction::Open);
}

TEST(TrayModePage, ThePageFollowsTheBlockDescriptors) {
  EXPECT_EQ(FromMode(ModeAnswer(0x00, Page(0x2A, 0x3F, 0x00, 0x00), 8)), TrayAction::Close);
  // Descriptors said to reach past the answer: no page is read.
  auto data = ModeAnswer(0x00, Page(0x2A, 0x3F, 0x00, 0x00));
  data[6] = 0xFF;
  EXPECT_EQ(FromMode(data), TrayAction::Open);
}

TEST(TrayModePage, NoAnswerCountsAsOpen) {
  EXPECT_EQ(TrayActionFromModeSense(nullptr, 0), TrayAction::Close);
  const uint8_t shortAnswer[4] = {0, 6, 0, 0};
  EXPECT_EQ(TrayActionFromModeSense(shortAnswer, sizeof shortAnswer), TrayAction::Close);
}

TEST(TrayOnSimulatedDrive, LoadedDriveOpensWithoutAskingTheModePage) {
  OpticalRig rig;
  EXPECT_EQ(rig.Decide(), TrayAction::Open);
  EXPECT_TRUE(rig.Sent(0x00));
  EXPECT_FALSE(rig.Sent(0x5A));
}

TEST(TrayOnSimulatedDrive, EmptyClosedTrayOpensAndOpenTrayCloses) {
  OpticalRig rig;
  rig.drive->mediumPresent = false;
  EXPECT_EQ(rig.Decide(), TrayAction::Open);
  rig.drive->trayOpen = true;
  EXPECT_EQ(rig.Decide(), TrayAction::Close);
  EXPECT_FALSE(rig.Sent(0x5A));
}

TEST(TrayOnSimulatedDrive, UnclearSenseAsksTheCapabilitiesPage) {
  OpticalRig rig;
  rig.drive->trayOpen = true;
  rig.drive->FailCdb(0x00, Fault::Check(6, 0x28, 0x00));
  EXPECT_EQ(rig.Decide(), TrayAction::Close) << "medium type 0x71: the tray is open";
  const auto& last = rig.drive->Cdbs().back();
  ASSERT_EQ(last.cdb.size(), 10u);
  EXPECT_EQ(last.cdb[0], 0x5A);
  EXPECT_EQ(last.cdb[2], 0x2A);
  EXPECT_EQ(last.cdb[8], kCapabilitiesAllocation);

  rig.drive->trayOpen = false;
  EXPECT_EQ(rig.Decide(), TrayAction::Open);
}

TEST(TrayOnSimulatedDrive, FailedModeSenseCountsAsOpen) {
  OpticalRig rig;
  rig.drive->FailCdb(0x00, Fault::Check(6, 0x28, 0x00));
  rig.drive->FailCdb(0x5A, Fault::Check(5, 0x24, 0x00));
  EXPECT_EQ(rig.Decide(), TrayAction::Close);
}

TEST(TrayOnSimulatedDrive, ReadOnlyPagePatternOnTheDrive) {
  OpticalRig rig;
  auto& page = rig.drive->modePages[0x2A];
  page[3] = 0;
  page[5] = 0;
  rig.drive->FailCdb(0x00, Fault::Check(2, 0x04, 0x01));
  EXPECT_EQ(rig.Decide(), TrayAction::Close);
}

TEST(TrayOnSimulatedDrive, ProfileFailureOrFFMeansFailed) {
  OpticalRig rig;
  rig.drive->FailCdb(0x46, Fault::TransportError());
  EXPECT_EQ(rig.Decide(), TrayAction::Failed);
  EXPECT_FALSE(rig.Sent(0x00)) << "nothing more is asked";

  rig.drive->ClearFaults();
  rig.drive->currentProfile = 0x00FF;
  EXPECT_EQ(rig.Decide(), TrayAction::Failed);
  rig.drive->currentProfile = 0x01FF;  // only the low byte is reported
  EXPECT_EQ(rig.Decide(), TrayAction::Failed);
  rig.drive->currentProfile = 0x0010;
  EXPECT_EQ(rig.Decide(), TrayAction::Open);
}
