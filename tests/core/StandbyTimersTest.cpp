// Stored standby timers reaching the disks: which disks, which counts, the sent-marks
// and their pruning.
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "control/device/Command.h"
#include "tests/fakes/MemorySettingsFile.h"
#include "sim/SimDevice.h"
#include "sim/SimOpener.h"
#include "control/core/StandbyTimers.h"

using namespace tavolen;
using tavolen::testing::MemorySettingsFile;
using sim::Family;

namespace {

DeviceInfo Disk(uint32_t kind, uint32_t number, const char16_t* product, const char16_t* serial) {
  DeviceInfo info = ZeroDeviceInfo();
  info.kind = kind;
  info.driveNumber = number;
  info.busType = BusUsb;
  SetText(info.drive.product, product);
  SetText(info.usb.usbSerial, serial);
  return info;
}

struct TimerRig {
  std::shared_ptr<sim::SimDevice> Add(Family family, uint32_t number) {
    auto device = std::make_shared<sim::SimDevice>(family);
    opener.Add(PhysicalDrivePath(number), device, ChannelRoute::Service);
    return device;
  }
  std::vector<uint8_t> IdleCounts(const sim::SimDevice& device) const {
    std::vector<uint8_t> counts;
    for (const AtaTaskFile& tf : device.Executed())
      if (tf[AtaTaskFile::Command] == 0xE3) counts.push_back(tf[AtaTaskFile::Count]);
    return counts;
  }
  sim::SimOpener opener;
  MemorySettingsFile powerSave;
};

}  // namespace

TEST(DeviceKeys, ProductColonBusIdentification) {
  EXPECT_EQ(DeviceKey(Disk(SatDisk, 1, u"LISN-GH", u"ABC123")), u"LISN-GH:ABC123");
  DeviceInfo ide = ZeroDeviceInfo();
  ide.busType = BusIde;
  SetText(ide.drive.product, u"DISK");
  SetText(ide.ide.ideSerial, u"S1");
  EXPECT_EQ(DeviceKey(ide), u"DISK:S1");
  DeviceInfo scsi = ZeroDeviceInfo();
  scsi.busType = BusScsi;
  SetText(scsi.drive.product, u"DISK");
  EXPECT_EQ(DeviceKey(scsi), u"DISK:");
}

TEST(DeviceKeys, DeviceTextCannotBreakTheIniFile) {
  EXPECT_EQ(DeviceKey(Disk(SatDisk, 1, u"[X]=Y;", u"a\nb")), u"_X]_Y;:a_b");
  EXPECT_EQ(DeviceKey(Disk(SatDisk, 1, u";comment", u"")), u"_comment:");
}

TEST(StandbyCounts, StoredChoiceSelectsTheIdleCount) {
  EXPECT_EQ(StandbyTimerCount(u"0", false), 120);
  EXPECT_EQ(StandbyTimerCount(u"1", false), 240);
  EXPECT_EQ(StandbyTimerCount(u"2", false), 241);
  EXPECT_EQ(StandbyTimerCount(u"3", false), 242);
  EXPECT_EQ(StandbyTimerCount(u"zz", false), 242) << "a corrupt setting means one hour";
  EXPECT_EQ(StandbyTimerCount(u"1", true), 0);
}

TEST(ApplyStandbyTimers, SendsStoredTimersOnceAndMarksThem) {
  TimerRig rig;
  auto sat = rig.Add(Family::Sat, 1);
  auto jm = rig.Add(Family::Jm, 2);
  auto other = rig.Add(Family::Sat, 3);
  const std::vector<DeviceInfo> disks = {Disk(SatDisk, 1, u"P1", u"S1"), Disk(JmBridgeDisk, 2, u"P2", u"S2"),
                                         Disk(ExternalDisk, 3, u"P3", u"S3"), Disk(SatDisk, 4, u"P4", u"S4")};
  rig.powerSave.Write(u"TimerSettings", u"P1:S1", u"1");
  rig.powerSave.Write(u"TimerSettings", u"P2:S2", u"2");
  rig.powerSave.Write(u"TimerSettings", u"P3:S3", u"0");  // a kind without ATA commands

  EXPECT_EQ(ApplyStandbyTimers(disks, rig.powerSave, rig.opener, false), 2);
  EXPECT_EQ(rig.IdleCounts(*sat), std::vector<uint8_t>{240});
  EXPECT_EQ(rig.IdleCounts(*jm), std::vector<uint8_t>{241});
  EXPECT_TRUE(other->Executed().empty());
  EXPECT_EQ(rig.powerSave.sections[u"IsTimerCommandSend"][u"P1:S1"], u"1");
  EXPECT_FALSE(rig.powerSave.Has(u"IsTimerCommandSend", u"P4:S4")) << "no stored timer, no mark";
  EXPECT_EQ(rig.opener.OpenChannels(), 0);

  // Marked disks are not sent again until the marks are cleared (suspend, start).
  EXPECT_EQ(ApplyStandbyTimers(disks, rig.powerSave, rig.opener, false), 0);
  ClearSentMarks(rig.powerSave);
  EXPECT_EQ(ApplyStandbyTimers(disks, rig.powerSave, rig.opener, false), 2);
  EXPECT_EQ(rig.IdleCounts(*sat), (std::vector<uint8_t>{240, 240}));
}

TEST(ApplyStandbyTimers, ReleaseTurnsEveryStoredTimerOffEvenWhenMarked) {
  TimerRig rig;
  auto disk = rig.Add(Family::PlainAta, 1);
  const std::vector<DeviceInfo> disks = {Disk(FixedDisk, 1, u"P1", u"S1")};
  rig.powerSave.Write(u"TimerSettings", u"P1:S1", u"3");
  ApplyStandbyTimers(disks, rig.powerSave, rig.opener, false);
  EXPECT_EQ(ApplyStandbyTimers(disks, rig.powerSave, rig.opener, true), 1);
  EXPECT_EQ(rig.IdleCounts(*disk), (std::vector<uint8_t>{242, 0}));
  EXPECT_EQ(disk->ata.standbyTimer, 0);
}

TEST(ApplyStandbyTimers, AFailingDiskStaysMarked) {
  TimerRig rig;
  auto disk = rig.Add(Family::Sat, 1);
  disk->FailCdb(0xA1, sim::Fault::TransportError());
  disk->FailCdb(0x85, sim::Fault::TransportError());
  const std::vector<DeviceInfo> disks = {Disk(SatDisk, 1, u"P1", u"S1")};
  rig.powerSave.Write(u"TimerSettings", u"P1:S1", u"0");
  EXPECT_EQ(ApplyStandbyTimers(disks, rig.powerSave, rig.opener, false), 1);
  EXPECT_EQ(rig.powerSave.sections[u"IsTimerCommandSend"][u"P1:S1"], u"1");
}

TEST(PruneSentMarks, KeepsPresentDisksAndDropsTheRest) {
  TimerRig rig;
  rig.powerSave.Write(u"IsTimerCommandSend", u"P1:S1", u"1xy");
  rig.powerSave.Write(u"IsTimerCommandSend", u"GONE:S9", u"1");
  const std::vector<DeviceInfo> disks = {Disk(SatDisk, 1, u"P1", u"S1"), Disk(SatDisk, 2, u"P2", u"S2")};
  PruneSentMarks(disks, rig.powerSave);
  const auto& marks = rig.powerSave.sections[u"IsTimerCommandSend"];
  EXPECT_EQ(marks.size(), 2u);
  EXPECT_EQ(marks.at(u"P1:S1"), u"1");
  EXPECT_EQ(marks.at(u"P2:S2"), u"");
}

// A suspend on the window thread while a refresh thread prunes the marks: the prune reads
// the marks, deletes the section and writes them back. Were the two not serialised, the
// mark cleared by the suspend would come back and resume would not send the timer again.
TEST(StandbySteps, APruneNeverBringsBackMarksASuspendCleared) {
  TimerRig rig;
  auto disk = rig.Add(Family::Sat, 1);
  const std::vector<DeviceInfo> disks{Disk(SatDisk, 1, u"DISK", u"S1")};
  tavolen::testing::MemorySettingsFiles files;
  tavolen::testing::MemorySettingsFile& file = files.File(u"ps.ini");
  PowerSaveFile powerSave(files, u"ps.ini");
  file.Write(u"TimerSettings", u"DISK:S1", u"1");
  file.Write(u"IsTimerCommandSend", u"DISK:S1", u"1");

  std::mutex m;
  std::condition_variable changed;
  bool pruneReading = false, suspendAsked = false;
  file.onRead = [&](const std::u16string& section, const std::u16string&) {
    if (section != u"IsTimerCommandSend") return;
    std::unique_lock<std::mutex> lock(m);
    if (pruneReading) return;
    pruneReading = true;
    changed.notify_all();
    // Give the suspend every chance to run in the middle of the prune.
    changed.wait_for(lock, std::chrono::milliseconds(200), [&] { return suspendAsked; });
    lock.unlock();
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  };
  std::thread refresh([&] { RunStandbyStep(StandbyStep::AfterRefresh, disks, powerSave, rig.opener); });
  {
    std::unique_lock<std::mutex> lock(m);
    ASSERT_TRUE(changed.wait_for(lock, std::chrono::seconds(10), [&] { return pruneReading; }));
    suspendAsked = true;
    changed.notify_all();
  }
  RunStandbyStep(StandbyStep::Suspend, disks, powerSave, rig.opener);
  refresh.join();
  file.onRead = nullptr;

  EXPECT_FALSE(file.Has(u"IsTimerCommandSend", u"DISK:S1")) << "the suspend's clearing stands";
  const std::size_t before = rig.IdleCounts(*disk).size();
  EXPECT_EQ(RunStandbyStep(StandbyStep::Resume, disks, powerSave, rig.opener), 1);
  EXPECT_EQ(rig.IdleCounts(*disk).size(), before + 1);
  EXPECT_EQ(rig.IdleCounts(*disk).back(), 240);
}

TEST(StandbySteps, EachMomentSendsWhatItShould) {
  TimerRig rig;
  auto disk = rig.Add(Family::Sat, 1);
  const std::vector<DeviceInfo> disks{Disk(SatDisk, 1, u"DISK", u"S1")};
  tavolen::testing::MemorySettingsFiles files;
  PowerSaveFile powerSave(files, u"ps.ini");
  files.File(u"ps.ini").Write(u"TimerSettings", u"DISK:S1", u"0");
  EXPECT_EQ(RunStandbyStep(StandbyStep::Start, disks, powerSave, rig.opener), 1);
  EXPECT_EQ(RunStandbyStep(StandbyStep::AfterRefresh, disks, powerSave, rig.opener), 0) << "marked";
  EXPECT_EQ(RunStandbyStep(StandbyStep::Resume, disks, powerSave, rig.opener), 0) << "marked";
  EXPECT_EQ(RunStandbyStep(StandbyStep::Start, disks, powerSave, rig.opener), 1) << "a start sends again";
  EXPECT_EQ(RunStandbyStep(StandbyStep::Unload, disks, powerSave, rig.opener), 1);
  EXPECT_EQ(rig.IdleCounts(*disk), (std::vector<uint8_t>{120, 120, 0}));
}
