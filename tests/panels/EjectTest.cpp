// Ejecting a drive: what the eject thread does for each kind of device, and EjectDevice
// against a configuration manager that vetoes, fails, succeeds late or finds a twin.
#include <gtest/gtest.h>

#include "tests/fakes/FakeClock.h"

#include <map>
#include <vector>

#include "control/core/DeviceEjector.h"
#include "control/panels/EjectPlan.h"
#include "tests/panels/PanelTestSupport.h"
#include "control/device/SystemDrive.h"

using namespace tavolen;
using tavolen::testing::DriveRecord;
using tavolen::testing::PortableRecord;

namespace {

ProcessRunning Running(std::vector<std::u16string> names, std::vector<std::u16string>* asked = nullptr) {
  return [names = std::move(names), asked](std::u16string_view exe) {
    if (asked) asked->emplace_back(exe);
    for (const auto& name : names)
      if (name == exe) return true;
    return false;
  };
}

DeviceSnapshot Devices() {
  DeviceSnapshot devices;
  devices.disks = {DriveRecord(ExternalDisk, 1, u"ATA", u"EXT", u"USBSTOR\\DISK&VEN_X\\111"),
                   DriveRecord(SatDisk, 2, u"VARNKELD", u"SAT", u"USBSTOR\\DISK&VEN_VARNKELD\\222"),
                   DriveRecord(FixedDisk, 3, u"ATA", u"INTERNAL", u"SCSI\\DISK&VEN_ATA\\333"),
                   DriveRecord(HotplugRemovableDisk, 5, u"CARD", u"READER", u"")};
  devices.opticalDrives = {DriveRecord(UsbOpticalDrive, 2, u"OTHER", u"DVD", u"USBSTOR\\CDROM&VEN_OTHER\\444"),
                           DriveRecord(OpticalDrive, 6, u"VARNKELD", u"WMXT-BRV", u"SCSI\\CDROM&VEN_V\\666"),
                           DriveRecord(OpticalDrive, 7, u"OTHER", u"PLAIN", u"SCSI\\CDROM&VEN_O\\777")};
  return devices;
}

class FakeConfigManager : public ConfigManager {
 public:
  std::map<std::u16string, DevNode> present;  // located identifiers
  std::optional<std::vector<std::u16string>> subkeys;
  EjectCalls calls = EjectCalls::RequestEject;
  // Per call: the number of failures before it succeeds (-1: never).
  int ejectFailures = 0, queryRemoveFailures = 0, disableFailures = 0, removeFailures = 0;

  std::vector<std::u16string> located;
  std::vector<std::u16string> enumerated;
  std::vector<std::string> log;  // "<call> <node>"

  std::optional<DevNode> Locate(const std::u16string& id) override {
    located.push_back(id);
    const auto found = present.find(id);
    if (found == present.end()) return std::nullopt;
    return found->second;
  }
  std::optional<std::vector<std::u16string>> EnumSubkeys(const std::u16string& key) override {
    enumerated.push_back(key);
    return subkeys;
  }
  EjectCalls Available() override { return calls; }
  bool RequestEject(DevNode node) override { return Call("eject", node, ejectFailures); }
  bool QueryRemoveSubTree(DevNode node) override { return Call("query", node, queryRemoveFailures); }
  bool DisableDevNode(DevNode node) override { return Call("disable", node, disableFailures); }
  bool QueryAndRemoveSubTree(DevNode node) override { return Call("remove", node, removeFailures); }

  int Count(const std::string& call) const {
    int n = 0;
    for (const auto& entry : log) n += entry.rfind(call + " ", 0) == 0 ? 1 : 0;
    return n;
  }

 private:
  bool Call(const char* name, DevNode node, int& failures) {
    log.push_back(std::string(name) + " " + std::to_string(node));
    if (failures < 0) return false;
    if (failures > 0) {
      --failures;
      return false;
    }
    return true;
  }
};

// Records every pause and what the manager had been asked by then.
class RecordingSleeper : public tavolen::testing::FakeClock {
 public:
  explicit RecordingSleeper(const FakeConfigManager& manager) : manager_(manager) {
    onPause = [this](uint32_t) { callsBefore.push_back(manager_.log.size()); };
  }
  std::vector<uint32_t> PausesTaken() const { return Pauses(); }
  uint32_t Total() const {
    uint32_t total = 0;
    for (auto p : Pauses()) total += p;
    return total;
  }
  std::vector<std::size_t> callsBefore;

 private:
  const FakeConfigManager& manager_;
};

const std::u16string kId = u"USBSTOR\\DISK&VEN_X\\111";

}  // namespace

// --- the eject thread's choice ------------------------------------------------------

TEST(EjectPlan, PlainExternalDiskGoesToTheSafeRemovalApplet) {
  const auto plan = PlanEject(ExternalDisk, 1, Devices(), nullptr, Running({}));
  EXPECT_EQ(plan.action, EjectAction::SafeRemovalApplet);
  EXPECT_TRUE(plan.instanceId.empty());
}

TEST(EjectPlan, TheSafeRemovalAppletIsTheSystemFoldersOwn) {
  // Started by name, the program would first be looked for beside the host and in the
  // current folder, where anything could stand in for it.
  const ProgramStart applet = SafeRemovalApplet(u"C:\\Windows\\system32");
  EXPECT_EQ(applet.application, u"C:\\Windows\\system32\\rundll32.exe");
  EXPECT_EQ(applet.arguments, u"shell32.dll,Control_RunDLL hotplug.dll");
  EXPECT_EQ(applet.folder, u"C:\\Windows\\system32");
  EXPECT_EQ(SafeRemovalApplet(u"D:\\Sys\\").application, u"D:\\Sys\\rundll32.exe");
  EXPECT_TRUE(SafeRemovalApplet(u"").application.empty()) << "no system folder: nothing is started";
}

TEST(EjectPlan, EjectableKindsRequestTheirRecordsInstance) {
  const auto sat = PlanEject(SatDisk, 2, Devices(), nullptr, Running({}));
  EXPECT_EQ(sat.action, EjectAction::RequestEject);
  EXPECT_EQ(sat.instanceId, u"USBSTOR\\DISK&VEN_VARNKELD\\222");
  EXPECT_EQ(sat.failureMessage, eject_strings::kInUse);

  // Optical kinds look in the optical array, which has its own drive number 2.
  const auto optical = PlanEject(UsbOpticalDrive, 2, Devices(), nullptr, Running({}));
  EXPECT_EQ(optical.action, EjectAction::RequestEject);
  EXPECT_EQ(optical.instanceId, u"USBSTOR\\CDROM&VEN_OTHER\\444");
}

TEST(EjectPlan, KindsOutsideTheMaskEndSilently) {
  for (uint32_t kind : {uint32_t(FixedDisk), uint32_t(RemovableDisk), uint32_t(OpticalDrive),
                        uint32_t(OpticalNoProfile), uint32_t(MakerDiskC), uint32_t(NetworkDrive), 0u}) {
    const auto plan = PlanEject(kind, kind == OpticalDrive ? 7 : 3, Devices(), nullptr, Running({}));
    EXPECT_EQ(plan.action, EjectAction::Nothing) << std::hex << kind;
  }
}

TEST(EjectPlan, VirtualDrivesAreEjectedWhateverTheirKind) {
  const auto plan = PlanEject(OpticalDrive, 6, Devices(), nullptr, Running({}));
  EXPECT_EQ(plan.action, EjectAction::RequestEject);
  EXPECT_EQ(plan.instanceId, u"SCSI\\CDROM&VEN_V\\666");
  // The flag comes from the optical array even for a kind that looks in the disk array.
  const auto asDisk = PlanEject(FixedDisk, 6, Devices(), nullptr, Running({}));
  EXPECT_EQ(asDisk.action, EjectAction::Refuse) << "no disk record 6 to eject";
}

TEST(EjectPlan, WithoutARecordOrIdentifierNothingIsRequested) {
  const auto missing = PlanEject(SatDisk, 9, Devices(), nullptr, Running({}));
  EXPECT_EQ(missing.action, EjectAction::Refuse);
  EXPECT_EQ(missing.failureMessage, eject_strings::kInUse);
  const auto empty = PlanEject(HotplugRemovableDisk, 5, Devices(), nullptr, Running({}));
  EXPECT_EQ(empty.action, EjectAction::Refuse);
  EXPECT_EQ(PlanEject(JmBridgeDisk, kNoDeviceNumber, Devices(), nullptr, Running({})).action, EjectAction::Refuse);
}

TEST(EjectPlan, PlayersDeviceIsRefusedWhileThePlayerRuns) {
  const DeviceInfo phone = PortableRecord(u"Apple Inc.", 0x05AC, 0x12A8, u"abc123");
  std::vector<std::u16string> asked;
  const auto plan = PlanEject(PortableDevice, kNoDeviceNumber, Devices(), &phone, Running({u"iTunes.exe"}, &asked));
  EXPECT_EQ(plan.action, EjectAction::Refuse);
  EXPECT_EQ(plan.failureMessage, eject_strings::kPlayerRuns);
  EXPECT_EQ(asked, (std::vector<std::u16string>{u"iTunes.exe"}));

  const auto idle = PlanEject(PortableDevice, kNoDeviceNumber, Devices(), &phone, Running({u"itunes.exe"}));
  EXPECT_EQ(idle.action, EjectAction::RequestEject) << "names compare case-sensitively";
  EXPECT_EQ(idle.instanceId, u"USB\\VID_05AC&PID_12A8\\abc123");
}

TEST(EjectPlan, OtherPortableDevicesDoNotAskForProcesses) {
  const DeviceInfo player = PortableRecord(u"Someone", 0x1234, 0xA, u"SER");
  std::vector<std::u16string> asked;
  const auto plan = PlanEject(PortableDevice, kNoDeviceNumber, Devices(), &player, Running({u"iTunes.exe"}, &asked));
  EXPECT_EQ(plan.action, EjectAction::RequestEject);
  EXPECT_EQ(plan.instanceId, u"USB\\VID_1234&PID_000A\\SER");
  EXPECT_TRUE(asked.empty());
  EXPECT_EQ(PlanEject(PortableDevice, kNoDeviceNumber, Devices(), nullptr, Running({})).action, EjectAction::Refuse);
}

TEST(EjectPlan, UsbInstanceIdKeepsTheSerialInOneComponent) {
  EXPECT_EQ(UsbInstanceId(0x0411, 0x01F0, u"0123"), u"USB\\VID_0411&PID_01F0\\0123");
  EXPECT_EQ(UsbInstanceId(0x0411, 0x01F0, u"..\\..\\X\n"), u"USB\\VID_0411&PID_01F0\\.._.._X_");
  EXPECT_EQ(UsbInstanceId(0x10000, 0x1, u""), u"USB\\VID_10000&PID_0001\\");
}

// --- EjectDevice --------------------------------------------------------------------

TEST(EjectDevice, LocatedNodeIsEjectedAtOnce) {
  FakeConfigManager manager;
  manager.present[kId] = 42;
  RecordingSleeper sleeper(manager);
  EXPECT_TRUE(EjectDevice(kId, manager, sleeper));
  EXPECT_EQ(manager.log, (std::vector<std::string>{"eject 42"}));
  EXPECT_TRUE(sleeper.PausesTaken().empty());
  EXPECT_TRUE(manager.enumerated.empty());
}

TEST(EjectDevice, SucceedsOnTheThirdTryAfterTwoPauses) {
  FakeConfigManager manager;
  manager.present[kId] = 42;
  manager.ejectFailures = 2;
  RecordingSleeper sleeper(manager);
  EXPECT_TRUE(EjectDevice(kId, manager, sleeper));
  EXPECT_EQ(manager.Count("eject"), 3);
  EXPECT_EQ(sleeper.PausesTaken(), (std::vector<uint32_t>{1000, 1000}));
  EXPECT_EQ(sleeper.callsBefore, (std::vector<std::size_t>{1, 2})) << "a pause follows each failure";
}

TEST(EjectDevice, VetoedThreeTimesGivesUpAfterThreeSeconds) {
  FakeConfigManager manager;
  manager.present[kId] = 42;
  manager.ejectFailures = -1;
  RecordingSleeper sleeper(manager);
  EXPECT_FALSE(EjectDevice(kId, manager, sleeper));
  EXPECT_EQ(manager.Count("eject"), 3);
  EXPECT_EQ(sleeper.Total(), 3000u);
}

TEST(EjectDevice, SuffixedTwinUnderTheEnumeratorKeyIsFound) {
  FakeConfigManager manager;
  const std::u16string id = u"USB\\VID_05AC&PID_12A8\\abc123";
  manager.subkeys = std::vector<std::u16string>{u"zzz999", u"abc123&1", u"abc123&0"};
  manager.present[u"USB\\VID_05AC&PID_12A8\\zzz999"] = 5;
  manager.present[u"USB\\VID_05AC&PID_12A8\\abc123&0"] = 7;
  RecordingSleeper sleeper(manager);
  EXPECT_TRUE(EjectDevice(id, manager, sleeper));
  EXPECT_EQ(manager.enumerated, (std::vector<std::u16string>{u"USB\\VID_05AC&PID_12A8"}));
  // abc123&1 contains the id but is not present; the next one is.
  EXPECT_EQ(manager.located, (std::vector<std::u16string>{id, u"USB\\VID_05AC&PID_12A8\\abc123&1",
                                                          u"USB\\VID_05AC&PID_12A8\\abc123&0"}));
  EXPECT_EQ(manager.log, (std::vector<std::string>{"eject 7"}));
}

TEST(EjectDevice, NoKeyOrNoMatchingTwinFailsWithoutARequest) {
  FakeConfigManager manager;
  RecordingSleeper sleeper(manager);
  EXPECT_FALSE(EjectDevice(kId, manager, sleeper));
  EXPECT_EQ(manager.enumerated, (std::vector<std::u16string>{u"USBSTOR\\DISK&VEN_X"}));

  manager.subkeys = std::vector<std::u16string>{u"999", u"11"};
  manager.present[u"USBSTOR\\DISK&VEN_X\\999"] = 3;
  EXPECT_FALSE(EjectDevice(kId, manager, sleeper));
  EXPECT_TRUE(manager.log.empty());
  EXPECT_TRUE(sleeper.PausesTaken().empty());
}

TEST(EjectDevice, AnIdentifierWithoutAnyComponentOrAnEmptyOneIsNeverLocatedAsTheRoot) {
  FakeConfigManager manager;
  manager.present[u""] = 1;  // the root of the device tree
  manager.subkeys = std::vector<std::u16string>{u"ROOT"};
  RecordingSleeper sleeper(manager);
  EXPECT_FALSE(EjectDevice(u"", manager, sleeper));
  EXPECT_TRUE(manager.located.empty());
  EXPECT_FALSE(EjectDevice(u"NOSLASH", manager, sleeper));
  EXPECT_TRUE(manager.enumerated.empty());
}

TEST(EjectDevice, WithoutTheSetupLibraryNothingIsAsked) {
  FakeConfigManager manager;
  manager.present[kId] = 42;
  manager.calls = ConfigManager::EjectCalls::Unavailable;
  RecordingSleeper sleeper(manager);
  EXPECT_FALSE(EjectDevice(kId, manager, sleeper));
  EXPECT_TRUE(manager.log.empty());
}

TEST(EjectDevice, WithoutTheEjectRequestTheSubtreeIsRemovedStepByStep) {
  FakeConfigManager manager;
  manager.present[kId] = 42;
  manager.calls = ConfigManager::EjectCalls::RemoveSubTree;
  manager.queryRemoveFailures = 1;
  manager.removeFailures = 2;
  RecordingSleeper sleeper(manager);
  EXPECT_TRUE(EjectDevice(kId, manager, sleeper));
  EXPECT_EQ(manager.log, (std::vector<std::string>{"query 42", "query 42", "disable 42", "remove 42", "remove 42",
                                                   "remove 42"}));
  EXPECT_EQ(sleeper.callsBefore, (std::vector<std::size_t>{1, 4, 5}));
  EXPECT_EQ(manager.Count("eject"), 0);
}

TEST(EjectDevice, ARemovalStepThatNeverSucceedsStopsTheRest) {
  FakeConfigManager manager;
  manager.present[kId] = 42;
  manager.calls = ConfigManager::EjectCalls::RemoveSubTree;
  manager.disableFailures = -1;
  RecordingSleeper sleeper(manager);
  EXPECT_FALSE(EjectDevice(kId, manager, sleeper));
  EXPECT_EQ(manager.Count("query"), 1);
  EXPECT_EQ(manager.Count("disable"), 3);
  EXPECT_EQ(manager.Count("remove"), 0);
  EXPECT_EQ(sleeper.PausesTaken().size(), 2u) << "pauses only between the tries of a removal step";

  manager.log.clear();
  manager.disableFailures = 0;
  manager.removeFailures = -1;
  EXPECT_FALSE(EjectDevice(kId, manager, sleeper));
  EXPECT_EQ(manager.Count("remove"), 3);
}
