// Standby control of the power-save dialog against simulated disks of every command
// family: toggling standby, setting and releasing the standby timer, their retries and
// pauses, the messages they choose, and what reaches the power-save settings file.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "control/device/Command.h"
#include "control/device/DeviceList.h"
#include "tests/fakes/MemorySettingsFile.h"
#include "control/core/PowerSave.h"
#include "sim/SimDevice.h"
#include "sim/SimOpener.h"
#include "control/core/StandbyTimers.h"
#include "control/device/SystemDrive.h"

using namespace tavolen;
using tavolen::testing::MemorySettingsFile;
using tavolen::testing::MemorySettingsFiles;
using sim::Family;
using sim::Fault;

namespace {

constexpr uint8_t kStandby = 0xE2, kIdle = 0xE3, kCheckPowerMode = 0xE5;
constexpr uint32_t kDrive = 3;
constexpr char16_t kKey[] = u"SIM DISK:SER-3";

uint32_t KindOf(Family family) {
  switch (family) {
    case Family::PlainAta: return FixedDisk;
    case Family::Sat: return SatDisk;
    case Family::Varnkeld: return VarnkeldBridgeDisk;
    case Family::Jm: return JmBridgeDisk;
    case Family::Fjt: return FjtBridgeDisk;
    case Family::Qmxt: return QmxtDisk;
    default: return ExternalDisk;
  }
}

DeviceInfo Record(uint32_t kind, uint32_t number, const char16_t* product = u"SIM DISK",
                  const char16_t* serial = u"SER-3") {
  DeviceInfo info = ZeroDeviceInfo();
  info.kind = kind;
  info.driveNumber = number;
  info.busType = BusUsb;
  info.bridgeChip = kind == JmBridgeDisk ? 3 : 0;
  SetText(info.drive.product, product);
  SetText(info.usb.usbSerial, serial);
  return info;
}

// One simulated disk behind drive number 3, its record in the disk array, the settings
// file and the pauses the operations asked for.
struct Rig {
  explicit Rig(Family family = Family::Sat, ChannelRoute route = ChannelRoute::Service)
      : disk(std::make_shared<sim::SimDevice>(family)) {
    disk->deviceNumber = kDrive;
    opener.Add(PhysicalDrivePath(kDrive), disk, route);
    disks.push_back(Record(KindOf(family), kDrive));
  }
  std::unique_ptr<StandbyControl> Control(uint32_t number = kDrive) {
    DiskLookup lookup = [this](uint32_t n) -> std::optional<DeviceInfo> {
      const DeviceInfo* found = FindByDriveNumber(disks, n);
      return found ? std::optional<DeviceInfo>(*found) : std::nullopt;
    };
    return std::make_unique<StandbyControl>(number, lookup, opener, powerSaveFile,
                                            [this](unsigned ms) { pauses.push_back(ms); });
  }
  // Sector counts of the ATA commands with this code the drive ran (or aborted).
  std::vector<uint8_t> Counts(uint8_t code) const {
    std::vector<uint8_t> counts;
    for (const AtaTaskFile& tf : disk->Executed())
      if (tf[AtaTaskFile::Command] == code) counts.push_back(tf[AtaTaskFile::Count]);
    return counts;
  }
  std::u16string Stored(const char16_t* section) { return powerSave.Read(section, kKey, 16); }

  std::shared_ptr<sim::SimDevice> disk;
  sim::SimOpener opener;
  std::vector<DeviceInfo> disks;
  MemorySettingsFiles files;
  MemorySettingsFile& powerSave = files.File(u"Setting.ini");
  PowerSaveFile powerSaveFile{files, u"Setting.ini"};
  std::vector<unsigned> pauses;
};

const std::vector<uint8_t> kNone;
const std::vector<uint8_t> kOnceOff{0};

}  // namespace

// --- choices, actions and messages ------------------------------------------------------

TEST(PowerSaveChoices, EachChoiceHasItsStandbyCount) {
  EXPECT_EQ(TimerChoiceCount(0), 120);
  EXPECT_EQ(TimerChoiceCount(1), 240);
  EXPECT_EQ(TimerChoiceCount(2), 241);
  EXPECT_EQ(TimerChoiceCount(3), 242);
  EXPECT_EQ(TimerChoiceCount(-1), 120) << "nothing selected reads as the first choice";
  EXPECT_EQ(TimerChoiceCount(9), 242);
}

TEST(PowerSaveChoices, StoredValueShowsTheChoiceThatIsSentAgain) {
  EXPECT_EQ(TimerChoiceOfStoredValue(u""), 0);
  EXPECT_EQ(TimerChoiceOfStoredValue(u"0"), 0);
  EXPECT_EQ(TimerChoiceOfStoredValue(u"2"), 2);
  EXPECT_EQ(TimerChoiceOfStoredValue(u"3"), 3);
  EXPECT_EQ(TimerChoiceOfStoredValue(u"12"), 1);
  EXPECT_EQ(TimerChoiceOfStoredValue(u"x"), 3) << "a corrupt value is sent as one hour";
  // The dialog shows what re-applying sends for every stored value.
  for (const std::u16string value : {u"0", u"1", u"2", u"3", u"7", u"-1", u"21", u"a"})
    EXPECT_EQ(TimerChoiceCount(TimerChoiceOfStoredValue(value)), StandbyTimerCount(value, false))
        << std::string(value.begin(), value.end());
}

TEST(PowerSaveChoices, OkActionFollowsTheCheckedButtonAndTheStoredTimer) {
  EXPECT_EQ(ChooseAction(true, false, false), PowerSaveAction::ToggleStandby);
  EXPECT_EQ(ChooseAction(true, false, true), PowerSaveAction::ReleaseTimer);
  EXPECT_EQ(ChooseAction(false, true, false), PowerSaveAction::SetTimer);
  EXPECT_EQ(ChooseAction(false, true, true), PowerSaveAction::SetTimer);
  EXPECT_EQ(ChooseAction(false, false, true), PowerSaveAction::None);
}

// --- start: the stored timer -------------------------------------------------------------

TEST(PowerSaveStart, StoredTimerSetsTheFlagAndTheChoice) {
  Rig rig;
  rig.powerSave.Write(u"TimerSettings", kKey, u"2");
  auto control = rig.Control();
  EXPECT_EQ(control->DriveKey(), kKey);
  EXPECT_TRUE(control->HasStoredTimer());
  EXPECT_EQ(control->InitialChoice(), 2);
  EXPECT_TRUE(rig.disk->Executed().empty()) << "opening the dialog sends nothing";
}

TEST(PowerSaveStart, NoStoredTimerLeavesTheFlagClearAndTheFirstChoice) {
  Rig rig;
  rig.powerSave.Write(u"TimerSettings", u"OTHER:SER-9", u"3");
  rig.powerSave.Write(u"IsTimerCommandSend", kKey, u"1");  // a mark alone is no timer
  auto control = rig.Control();
  EXPECT_FALSE(control->HasStoredTimer());
  EXPECT_EQ(control->InitialChoice(), 0);
}

TEST(PowerSaveStart, UnknownDriveHasNoKeyAndNoTimer) {
  Rig rig;
  rig.powerSave.Write(u"TimerSettings", u":", u"1");
  auto control = rig.Control(7);
  EXPECT_TRUE(control->DriveKey().empty());
  EXPECT_FALSE(control->HasStoredTimer());
  EXPECT_EQ(rig.powerSave.reads, 0) << "nothing is read for no disk";
}

// --- toggling standby on every command family ----------------------------------------------

class ToggleEveryFamily : public ::testing::TestWithParam<std::tuple<Family, ChannelRoute>> {};

TEST_P(ToggleEveryFamily, AwakeDiskGoesToStandbyAndBack) {
  Rig rig(std::get<0>(GetParam()), std::get<1>(GetParam()));
  rig.disk->ata.standbyTimer = 240;
  auto control = rig.Control();

  StandbyOutcome outcome = control->ToggleStandby();
  EXPECT_EQ(outcome.result, 1);
  EXPECT_EQ(outcome.message, PowerSaveMessage::StandbyEnabled);
  EXPECT_EQ(rig.disk->ata.powerMode, sim::AtaDisk::kPowerStandby);
  EXPECT_EQ(rig.Counts(kStandby), kOnceOff);
  EXPECT_EQ(rig.Counts(kIdle), kNone);
  EXPECT_EQ(rig.disk->ata.standbyTimer, 0) << "STANDBY goes with the timer off";

  outcome = control->ToggleStandby();
  EXPECT_EQ(outcome.result, 1);
  EXPECT_EQ(outcome.message, PowerSaveMessage::StandbyDisabled);
  EXPECT_NE(rig.disk->ata.powerMode, sim::AtaDisk::kPowerStandby);
  EXPECT_EQ(rig.Counts(kIdle), kOnceOff);
  EXPECT_EQ(rig.Counts(kCheckPowerMode).size(), 2u) << "each toggle asks the disk first";

  EXPECT_TRUE(rig.pauses.empty());
  EXPECT_TRUE(rig.powerSave.sections.empty()) << "toggling never touches the settings";
  EXPECT_EQ(rig.opener.OpenChannels(), 0) << "the command object is gone after the operation";
}

TEST_P(ToggleEveryFamily, TimerIsSetAndReleasedWithItsCounts) {
  Rig rig(std::get<0>(GetParam()), std::get<1>(GetParam()));
  auto control = rig.Control();
  for (int choice = 0; choice < kTimerChoiceCount; ++choice) {
    const StandbyOutcome outcome = control->Apply(PowerSaveAction::SetTimer, choice);
    EXPECT_EQ(outcome.result, 1);
    EXPECT_EQ(outcome.message, PowerSaveMessage::TimerSet);
    EXPECT_EQ(rig.disk->ata.standbyTimer, TimerChoiceCount(choice));
    EXPECT_EQ(rig.Stored(u"TimerSettings"), std::u16string(1, char16_t(u'0' + choice)));
    EXPECT_EQ(rig.Stored(u"IsTimerCommandSend"), u"1");
  }
  EXPECT_EQ(rig.Counts(kIdle), (std::vector<uint8_t>{120, 240, 241, 242}));

  auto reopened = rig.Control();
  ASSERT_TRUE(reopened->HasStoredTimer());
  EXPECT_EQ(reopened->InitialChoice(), 3);
  const StandbyOutcome released = reopened->Apply(PowerSaveAction::ReleaseTimer, 3);
  EXPECT_EQ(released.result, 1);
  EXPECT_EQ(released.message, PowerSaveMessage::TimerReleased);
  EXPECT_EQ(rig.Counts(kIdle).back(), 0);
  EXPECT_EQ(rig.disk->ata.standbyTimer, 0);
  EXPECT_FALSE(reopened->HasStoredTimer());
  EXPECT_FALSE(rig.powerSave.Has(u"TimerSettings", kKey));
  EXPECT_FALSE(rig.powerSave.Has(u"IsTimerCommandSend", kKey));
  EXPECT_EQ(rig.opener.OpenChannels(), 0);
}

std::string FamilyRouteName(const ::testing::TestParamInfo<std::tuple<Family, ChannelRoute>>& param) {
  static const char* const kNames[] = {"PlainAta", "Sat", "Varnkeld", "Jm", "Fjt", "Qmxt", "Optical"};
  return std::string(kNames[int(std::get<0>(param.param))]) +
         (std::get<1>(param.param) == ChannelRoute::Direct ? "Direct" : "Service");
}

INSTANTIATE_TEST_SUITE_P(Families, ToggleEveryFamily,
                         ::testing::Combine(::testing::Values(Family::PlainAta, Family::Sat, Family::Varnkeld,
                                                              Family::Jm, Family::Fjt, Family::Qmxt),
                                            ::testing::Values(ChannelRoute::Direct, ChannelRoute::Service)),
                         FamilyRouteName);

// --- retries, pauses and failures ----------------------------------------------------------
// A fault that fires n times and is then removed tells how many tries reached the disk: the
// operation fails when all its tries were used up by the fault, and the next one goes through
// only when exactly those were. (An aborted ATA command is no failure of the operation: the
// command layer does not judge the status register.)

TEST(ToggleStandby, RetriesStandbyAfterFailuresWithAPauseEach) {
  Rig rig(Family::Jm);
  rig.disk->FailAtaCommand(kStandby, Fault::TransportError().Times(2));
  const StandbyOutcome outcome = rig.Control()->ToggleStandby();
  EXPECT_EQ(outcome.result, 1);
  EXPECT_EQ(outcome.message, PowerSaveMessage::StandbyEnabled);
  EXPECT_EQ(rig.Counts(kStandby), kOnceOff) << "the third try ran";
  EXPECT_EQ(rig.pauses, (std::vector<unsigned>{100, 100}));
  EXPECT_EQ(rig.disk->ata.powerMode, sim::AtaDisk::kPowerStandby);
}

TEST(ToggleStandby, ThreeFailedStandbysGiveUpAfterThreePauses) {
  Rig rig(Family::PlainAta);
  rig.disk->FailAtaCommand(kStandby, Fault::TransportError().Times(3));
  auto control = rig.Control();
  const StandbyOutcome outcome = control->ToggleStandby();
  EXPECT_EQ(outcome.result, 0);
  EXPECT_EQ(outcome.message, PowerSaveMessage::SetStandbyFailed);
  EXPECT_EQ(rig.pauses, (std::vector<unsigned>{100, 100, 100})) << "the pause also follows the third try";
  EXPECT_EQ(rig.disk->ata.powerMode, sim::AtaDisk::kPowerActive);
  EXPECT_EQ(rig.opener.OpenChannels(), 0);
  EXPECT_EQ(control->ToggleStandby().message, PowerSaveMessage::StandbyEnabled) << "three tries used the fault up";
  EXPECT_EQ(rig.pauses.size(), 3u);
}

TEST(ToggleStandby, ThreeFailedWakeUpsReportTheRelease) {
  Rig rig(Family::Varnkeld);
  rig.disk->ata.powerMode = sim::AtaDisk::kPowerStandby;
  rig.disk->FailAtaCommand(kIdle, Fault::Check(0x04, 0x44, 0x00).Times(3));
  auto control = rig.Control();
  const StandbyOutcome outcome = control->ToggleStandby();
  EXPECT_EQ(outcome.result, 0);
  EXPECT_EQ(outcome.message, PowerSaveMessage::ReleaseStandbyFailed);
  EXPECT_EQ(rig.Counts(kIdle), kNone);
  EXPECT_EQ(rig.Counts(kStandby), kNone) << "a sleeping disk is never sent STANDBY";
  EXPECT_EQ(rig.pauses.size(), 3u);
  EXPECT_EQ(rig.disk->ata.powerMode, sim::AtaDisk::kPowerStandby);
  EXPECT_EQ(control->ToggleStandby().message, PowerSaveMessage::StandbyDisabled);
  EXPECT_EQ(rig.Counts(kIdle), kOnceOff);
}

TEST(ToggleStandby, TranslatingBridgeFailingBothFormsGivesUp) {
  Rig rig(Family::Sat);
  rig.disk->FailAtaCommand(kStandby, Fault::TransportError());
  EXPECT_EQ(rig.Control()->ToggleStandby().message, PowerSaveMessage::SetStandbyFailed);
  EXPECT_EQ(rig.pauses.size(), 3u);
  EXPECT_EQ(rig.disk->ata.powerMode, sim::AtaDisk::kPowerActive);
}

TEST(ToggleStandby, UnreadablePowerModeSendsNothing) {
  Rig rig(Family::Qmxt);
  rig.disk->FailAtaCommand(kCheckPowerMode, Fault::TransportError());
  const StandbyOutcome outcome = rig.Control()->ToggleStandby();
  EXPECT_EQ(outcome.result, 0);
  EXPECT_EQ(outcome.message, PowerSaveMessage::CheckPowerModeFailed);
  EXPECT_EQ(rig.Counts(kStandby), kNone);
  EXPECT_EQ(rig.Counts(kIdle), kNone);
  EXPECT_TRUE(rig.pauses.empty()) << "the power-mode check is asked once";
}

TEST(SetStandbyTimer, SucceedsOnTheThirdTry) {
  Rig rig(Family::Fjt);
  rig.disk->FailAtaCommand(kIdle, Fault::TransportError().Times(2));
  auto control = rig.Control();
  const StandbyOutcome outcome = control->Apply(PowerSaveAction::SetTimer, 2);
  EXPECT_EQ(outcome.result, 1);
  EXPECT_EQ(rig.disk->ata.standbyTimer, 241);
  EXPECT_EQ(rig.pauses.size(), 2u);
  EXPECT_EQ(rig.Stored(u"TimerSettings"), u"2");
}

TEST(SetStandbyTimer, FailedSetLeavesTheSettingsAlone) {
  Rig rig(Family::PlainAta, ChannelRoute::Direct);
  rig.powerSave.Write(u"TimerSettings", kKey, u"0");
  rig.powerSave.Write(u"IsTimerCommandSend", kKey, u"");
  rig.disk->FailAtaCommand(kIdle, Fault::TransportError().Times(3));
  auto control = rig.Control();
  const StandbyOutcome outcome = control->Apply(PowerSaveAction::SetTimer, 1);
  EXPECT_EQ(outcome.result, 0);
  EXPECT_EQ(outcome.message, PowerSaveMessage::SetTimerFailed);
  EXPECT_EQ(rig.Counts(kIdle), kNone);
  EXPECT_EQ(rig.disk->ata.standbyTimer, 0);
  EXPECT_EQ(rig.pauses.size(), 3u);
  EXPECT_EQ(rig.Stored(u"TimerSettings"), u"0");
  EXPECT_EQ(rig.Stored(u"IsTimerCommandSend"), u"");
  EXPECT_TRUE(control->HasStoredTimer());
  EXPECT_EQ(control->SetStandbyTimer(false, 1).message, PowerSaveMessage::TimerSet);
  EXPECT_EQ(rig.Counts(kIdle), (std::vector<uint8_t>{240}));
}

TEST(SetStandbyTimer, FailedReleaseKeepsTheTimerAndTheFlag) {
  Rig rig(Family::Sat);
  rig.powerSave.Write(u"TimerSettings", kKey, u"1");
  rig.powerSave.Write(u"IsTimerCommandSend", kKey, u"1");
  rig.disk->ata.standbyTimer = 240;
  rig.disk->FailCdb(0xA1, Fault::Check(0x02, 0x04, 0x00).Times(3));
  rig.disk->FailCdb(0x85, Fault::Check(0x02, 0x04, 0x00).Times(3));
  auto control = rig.Control();
  const StandbyOutcome outcome = control->Apply(PowerSaveAction::ReleaseTimer, 0);
  EXPECT_EQ(outcome.result, 0);
  EXPECT_EQ(outcome.message, PowerSaveMessage::ReleaseTimerFailed);
  EXPECT_EQ(rig.disk->ata.standbyTimer, 240);
  EXPECT_EQ(rig.pauses.size(), 3u);
  EXPECT_TRUE(control->HasStoredTimer());
  EXPECT_EQ(rig.Stored(u"TimerSettings"), u"1");
  EXPECT_EQ(rig.Stored(u"IsTimerCommandSend"), u"1");
}

TEST(SetStandbyTimer, ReleaseRemovesOnlyThisDisksEntries) {
  Rig rig(Family::Qmxt);
  rig.powerSave.Write(u"TimerSettings", kKey, u"1");
  rig.powerSave.Write(u"IsTimerCommandSend", kKey, u"1");
  rig.powerSave.Write(u"TimerSettings", u"OTHER:SER-9", u"0");
  rig.powerSave.Write(u"IsTimerCommandSend", u"OTHER:SER-9", u"1");
  EXPECT_EQ(rig.Control()->Apply(PowerSaveAction::ReleaseTimer, 1).result, 1);
  EXPECT_EQ(rig.Counts(kIdle), kOnceOff);
  EXPECT_EQ(rig.powerSave.sections[u"TimerSettings"].size(), 1u);
  EXPECT_EQ(rig.powerSave.sections[u"IsTimerCommandSend"].size(), 1u);
  EXPECT_TRUE(rig.powerSave.Has(u"TimerSettings", u"OTHER:SER-9"));
}

// --- disks without a command object: silence -----------------------------------------------

TEST(PowerSaveSilence, NoRecordOrNoCommandFamilyEndsWithoutAWord) {
  struct Case {
    uint32_t kind;
    uint32_t lookFor;
  };
  for (const Case c : {Case{SatDisk, 9}, Case{ExternalDisk, kDrive}, Case{MakerDiskA, kDrive},
                       Case{RemovableDisk, kDrive}, Case{SatDisk, kNoDeviceNumber}}) {
    Rig rig(Family::Sat);
    rig.disks = {Record(c.kind, kDrive)};
    if (c.lookFor == kNoDeviceNumber) rig.disks.push_back(Record(SatDisk, kNoDeviceNumber));
    rig.powerSave.Write(u"TimerSettings", kKey, u"1");
    auto control = rig.Control(c.lookFor);
    for (const StandbyOutcome outcome :
         {control->ToggleStandby(), control->SetStandbyTimer(false, 1), control->Apply(PowerSaveAction::SetTimer, 2),
          control->Apply(PowerSaveAction::ReleaseTimer, 0)}) {
      EXPECT_EQ(outcome.result, 0) << std::hex << c.kind << " " << c.lookFor;
      EXPECT_EQ(outcome.message, PowerSaveMessage::None);
    }
    EXPECT_TRUE(rig.opener.Opened().empty()) << "nothing was opened for kind " << std::hex << c.kind;
    EXPECT_EQ(rig.Stored(u"TimerSettings"), u"1");
    EXPECT_FALSE(rig.powerSave.Has(u"IsTimerCommandSend", kKey));
  }
}

TEST(PowerSaveSilence, DiskGoneSinceTheDialogOpened) {
  Rig rig(Family::Jm);
  auto control = rig.Control();
  rig.disks.clear();  // a refresh found it gone
  EXPECT_EQ(control->Apply(PowerSaveAction::SetTimer, 0).message, PowerSaveMessage::None);
  EXPECT_TRUE(rig.opener.Opened().empty());
  EXPECT_FALSE(rig.powerSave.Has(u"TimerSettings", kKey));
}

// --- a settings file that cannot be written -----------------------------------------------

TEST(PowerSaveStoring, ASetTimerThatCannotBeStoredIsReportedNotSetted) {
  // The disk has its timer; only the file refused. Without the entry the control would
  // not send the timer again after a restart, so the user is told instead of "Setted".
  Rig rig(Family::Sat);
  rig.powerSave.failWrites = true;
  const StandbyOutcome outcome = rig.Control()->Apply(PowerSaveAction::SetTimer, 2);
  EXPECT_EQ(outcome.result, 1);
  EXPECT_EQ(outcome.message, PowerSaveMessage::TimerNotStored);
  EXPECT_TRUE(IsCaution(outcome.message));
  EXPECT_EQ(rig.disk->ata.standbyTimer, 241) << "the disk is not rolled back";
  EXPECT_FALSE(rig.powerSave.Has(u"TimerSettings", kKey));
}

TEST(PowerSaveStoring, AReleaseWhoseEntryStaysIsReported) {
  Rig rig(Family::Sat);
  rig.powerSave.Write(u"TimerSettings", kKey, u"1");
  auto control = rig.Control();
  rig.powerSave.failWrites = true;
  const StandbyOutcome outcome = control->Apply(PowerSaveAction::ReleaseTimer, 1);
  EXPECT_EQ(outcome.result, 1);
  EXPECT_EQ(outcome.message, PowerSaveMessage::TimerNotForgotten);
  EXPECT_TRUE(IsCaution(outcome.message));
  EXPECT_EQ(rig.disk->ata.standbyTimer, 0);
  EXPECT_EQ(rig.Stored(u"TimerSettings"), u"1");
}

// --- with the stored timers sent again --------------------------------------------------------

TEST(PowerSaveWithReapply, StoredChoiceIsWhatTheControlSendsAgain) {
  Rig rig(Family::Sat);
  ASSERT_EQ(rig.Control()->Apply(PowerSaveAction::SetTimer, 1).result, 1);
  EXPECT_EQ(ApplyStandbyTimers(rig.disks, rig.powerSave, rig.opener, false), 0) << "already marked as sent";
  ClearSentMarks(rig.powerSave);  // suspend
  EXPECT_EQ(ApplyStandbyTimers(rig.disks, rig.powerSave, rig.opener, false), 1);
  EXPECT_EQ(rig.Counts(kIdle), (std::vector<uint8_t>{240, 240}));

  ASSERT_EQ(rig.Control()->Apply(PowerSaveAction::ReleaseTimer, 1).result, 1);
  ClearSentMarks(rig.powerSave);
  EXPECT_EQ(ApplyStandbyTimers(rig.disks, rig.powerSave, rig.opener, true), 0) << "a released timer is not stored";
}
