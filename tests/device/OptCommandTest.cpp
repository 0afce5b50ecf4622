// Optical drives: how the command object finds the drive, the medium it reports and
// the sense data the tray logic reads.
#include <gtest/gtest.h>

#include "control/device/COptCommand.h"
#include "tests/device/CommandTestSupport.h"

using namespace tavolen;
using namespace tavolen::testing;
using sim::Family;
using sim::Fault;

TEST(OpticalDrive, BuiltFromANumberEndsOnTheCdromPath) {
  sim::SimOpener opener;
  auto drive = std::make_shared<sim::SimDevice>(Family::Optical);
  opener.Add(u"\\\\.\\Cdrom3", drive);
  COptCommand command(opener, 3u);
  EXPECT_EQ(command.DevicePath(), u"\\\\.\\Cdrom3");
  ASSERT_EQ(opener.Opened().size(), 2u);
  EXPECT_EQ(opener.Opened()[0], u"\\\\.\\PhysicalDrive3");
  EXPECT_EQ(opener.OpenChannels(), 1) << "the PhysicalDrive handle was closed";
  EXPECT_EQ(command.Route(), ChannelRoute::Direct);
  EXPECT_TRUE(command.TestUnitReady());
}

TEST(OpticalDrive, CurrentProfileNamesTheMedium) {
  SimRig rig(Family::Optical);
  rig.device->currentProfile = 0x0041;  // BD-R SRM
  COptCommand command(rig.opener, rig.path);
  uint32_t profile = 0;
  ASSERT_TRUE(command.GetCurrentProfile(profile));
  EXPECT_EQ(profile, 0x41u);
  EXPECT_EQ(rig.LastCdb(), Bytes({0x46, 0x10, 0, 0, 0, 0, 0, 0, 0x08, 0}));
  EXPECT_EQ(rig.Cdbs().back().length, 8u);
}

TEST(OpticalDrive, RemovableDiskProfileReadsAsNone) {
  SimRig rig(Family::Optical);
  rig.device->currentProfile = 0x0002;
  COptCommand command(rig.opener, rig.path);
  uint32_t profile = 9;
  ASSERT_TRUE(command.GetCurrentProfile(profile));
  EXPECT_EQ(profile, 0u);
}

TEST(OpticalDrive, EmptyDriveReportsProfileZeroAndNoDiscStatus) {
  SimRig rig(Family::Optical);
  rig.device->mediumPresent = false;
  COptCommand command(rig.opener, rig.path);
  uint32_t profile = 9, status = 9;
  ASSERT_TRUE(command.GetCurrentProfile(profile));
  EXPECT_EQ(profile, 0u);
  EXPECT_FALSE(command.ReadDiscStatus(status));
  EXPECT_EQ(status, 9u) << "outputs keep their values on failure";
  EXPECT_EQ(command.SenseSummary()[1], kSenseNotReady);
}

TEST(OpticalDrive, DiscStatusTakesTheLowTwoBits) {
  SimRig rig(Family::Optical);
  COptCommand command(rig.opener, rig.path);
  for (uint8_t status : {0, 1, 2, 3}) {
    rig.device->discStatus = status;
    uint32_t read = 99;
    ASSERT_TRUE(command.ReadDiscStatus(read));
    EXPECT_EQ(read, status);
  }
  EXPECT_EQ(rig.LastCdb(), Bytes({0x51, 0, 0, 0, 0, 0, 0, 0, 0x04, 0}));
}

TEST(OpticalDrive, FailedProfileLeavesTheOutputUntouched) {
  SimRig rig(Family::Optical);
  rig.device->FailCdb(0x46, Fault::TransportError());
  COptCommand command(rig.opener, rig.path);
  uint32_t profile = 0xFF;
  EXPECT_FALSE(command.GetCurrentProfile(profile));
  EXPECT_EQ(profile, 0xFFu);
}

TEST(OpticalDrive, TestUnitReadyTellsAnOpenTrayFromAClosedEmptyOne) {
  SimRig rig(Family::Optical);
  COptCommand command(rig.opener, rig.path);
  rig.device->mediumPresent = false;
  EXPECT_FALSE(command.TestUnitReady());
  EXPECT_EQ(command.SenseSummary(), (std::array<uint8_t, 4>{0, kSenseNotReady, kAscMediumNotPresent, kAscqTrayClosed}));
  rig.device->trayOpen = true;
  EXPECT_FALSE(command.TestUnitReady());
  EXPECT_EQ(command.SenseSummary(), (std::array<uint8_t, 4>{0, kSenseNotReady, kAscMediumNotPresent, kAscqTrayOpen}));
}
