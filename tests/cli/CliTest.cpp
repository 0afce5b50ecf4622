// The command-line front end against simulated devices and drives: what it prints,
// what it sends, and its exit codes.
#include <gtest/gtest.h>

#include <map>
#include <sstream>

#include "tools/cli/Cli.h"
#include "control/device/Command.h"
#include "sim/SimDevice.h"
#include "sim/SimOpener.h"

using namespace tavolen;
using sim::AtaDisk;
using sim::Family;

namespace {

// Interfaces of each class in a fixed order; no parent nodes (SCSI paths need none).
class ListedInterfaces : public DeviceSource {
 public:
  std::map<InterfaceClass, std::vector<std::u16string>> paths;

  std::unique_ptr<DeviceInterfaceWalk> Walk(InterfaceClass c) override {
    if (c == InterfaceClass::PortableDevice) return nullptr;
    return std::make_unique<Walker>(paths[c]);
  }

 private:
  struct Walker : DeviceInterfaceWalk {
    explicit Walker(std::vector<std::u16string> list) : list_(std::move(list)) {}
    std::optional<std::u16string> Next() override {
      if (next_ >= list_.size()) return std::nullopt;
      return list_[next_++];
    }
    std::optional<std::u16string> ParentInstanceId() override { return std::nullopt; }
    std::vector<std::u16string> list_;
    std::size_t next_ = 0;
  };
};

class FixedVolumes : public Volumes {
 public:
  struct Drive {
    DriveType type;
    std::optional<VolumeInformation> information;
    std::optional<VolumeSpace> space;
  };
  std::map<std::u16string, Drive> drives;

  std::vector<std::u16string> DriveRoots() override {
    std::vector<std::u16string> roots;
    for (const auto& entry : drives) roots.push_back(entry.first);
    return roots;
  }
  DriveType Type(const std::u16string& root) override { return drives.at(root).type; }
  std::optional<VolumeInformation> Information(const std::u16string& root) override {
    return drives.at(root).information;
  }
  std::optional<VolumeSpace> Space(const std::u16string& root) override { return drives.at(root).space; }
};

struct CliRig {
  CliRig() : disk(std::make_shared<sim::SimDevice>(Family::PlainAta)) {
    disk->vendor = "ACME";
    disk->product = "SIM DISK 1";
    disk->revision = "2.10";
    disk->deviceNumber = 1;
    disk->lastLba = (uint64_t(1) << 31) - 1;  // 1 TiB of 512-byte blocks
    disk->ata.SetModel("ACME SIMULATED DISK");
    disk->ata.SetFirmware("FW42");
    disk->ata.SetTemperature(38);
    const std::u16string path = u"\\\\?\\scsi#disk&ven_acme#4&1&0&000100#{53f56307-b6bf-11d0-94f2-00a0c91efb8b}";
    opener.Add(path, disk);
    opener.Add(PhysicalDrivePath(1), disk);
    source.paths[InterfaceClass::Disk] = {path};
    source.paths[InterfaceClass::Cdrom] = {};
    volumes.drives[u"C:\\"] = {DriveType::Fixed, VolumeInformation{u"System", u"NTFS"},
                               VolumeSpace{uint64_t(100) << 30, uint64_t(25) << 30}};
    volumes.drives[u"E:\\"] = {DriveType::Removable, std::nullopt, std::nullopt};
  }

  int Run(std::vector<std::string> args) {
    out.str("");
    err.str("");
    CliEnvironment environment{opener, source, volumes};
    return RunCli(args, environment, out, err);
  }

  std::shared_ptr<sim::SimDevice> disk;
  sim::SimOpener opener;
  ListedInterfaces source;
  FixedVolumes volumes;
  std::ostringstream out, err;
};

bool Sent(const sim::SimDevice& device, uint8_t command) {
  for (const AtaTaskFile& tf : device.Executed())
    if (tf[AtaTaskFile::Command] == command) return true;
  return false;
}

}  // namespace

TEST(CliList, ShowsDevicesAndDrivesWithTheSizeRule) {
  CliRig rig;
  ASSERT_EQ(rig.Run({"list"}), kCliOk) << rig.err.str();
  const std::string text = rig.out.str();
  EXPECT_NE(text.find("disk 1  FixedDisk  bus SCSI  \"ACME\" \"SIM DISK 1\" \"2.10\"  1.0 TB"), std::string::npos)
      << text;
  EXPECT_NE(text.find("C:\\  fixed  \"System\"  75.0 / 100.0 GB"), std::string::npos) << text;
  EXPECT_NE(text.find("E:\\  removable  (no medium)"), std::string::npos) << text;
  EXPECT_EQ(rig.opener.OpenChannels(), 0) << "nothing keeps a drive open";
}

TEST(CliList, DeviceAndVolumeTextIsPrintedAsPlainText) {
  CliRig rig;
  rig.volumes.drives[u"C:\\"].information->label = u"Bad\x1b[2Jlabel\u00e9";
  ASSERT_EQ(rig.Run({"list"}), kCliOk);
  const std::string text = rig.out.str();
  EXPECT_EQ(text.find('\x1b'), std::string::npos);
  EXPECT_NE(text.find("\"Bad?[2Jlabel\xc3\xa9\""), std::string::npos) << text;
}

TEST(CliList, NothingFoundIsAFailure) {
  CliRig rig;
  rig.source.paths.clear();
  rig.volumes.drives.clear();
  EXPECT_EQ(rig.Run({"list"}), kCliFailed);
  EXPECT_NE(rig.err.str().find("no devices"), std::string::npos);
}

TEST(CliInfo, AwakeDiskTellsModelFirmwareHealthAndTemperature) {
  CliRig rig;
  ASSERT_EQ(rig.Run({"info", "1"}), kCliOk) << rig.err.str();
  const std::string text = rig.out.str();
  EXPECT_NE(text.find("model: ACME SIMULATED DISK\n"), std::string::npos) << text;
  EXPECT_NE(text.find("firmware: FW42\n"), std::string::npos) << text;
  EXPECT_NE(text.find("S.M.A.R.T.: no threshold exceeded"), std::string::npos) << text;
  EXPECT_NE(text.find("temperature: 38 C"), std::string::npos) << text;
  EXPECT_EQ(rig.disk->Executed().front()[AtaTaskFile::Command], 0xE5) << "the power mode is asked first";
}

TEST(CliInfo, DiskInStandbyIsNotWoken) {
  CliRig rig;
  rig.disk->ata.powerMode = AtaDisk::kPowerStandby;
  ASSERT_EQ(rig.Run({"info", "1"}), kCliOk);
  EXPECT_NE(rig.out.str().find("standby"), std::string::npos);
  EXPECT_FALSE(Sent(*rig.disk, 0xEC)) << "no IDENTIFY";
  EXPECT_FALSE(Sent(*rig.disk, 0xB0)) << "no S.M.A.R.T.";
  EXPECT_EQ(rig.disk->ata.powerMode, AtaDisk::kPowerStandby);
}

TEST(CliInfo, ThresholdExceededIsReported) {
  CliRig rig;
  rig.disk->ata.smartThresholdExceeded = true;
  ASSERT_EQ(rig.Run({"info", "1"}), kCliOk);
  EXPECT_NE(rig.out.str().find("S.M.A.R.T.: threshold exceeded"), std::string::npos);
}

TEST(CliInfo, UnreachableDiskFailsWithTheReason) {
  CliRig rig;
  rig.disk->FailIoctl(0x0004D02C, sim::Fault::TransportError(5));
  EXPECT_EQ(rig.Run({"info", "1"}), kCliFailed);
  EXPECT_NE(rig.out.str().find("power mode: failed (system error 5)"), std::string::npos) << rig.out.str();
}

TEST(CliInfo, KindsWithoutAtaCommandsSayNothingMore) {
  CliRig rig;
  rig.disk->hotplug.deviceHotplug = 1;  // an external disk of another maker
  ASSERT_EQ(rig.Run({"info", "1"}), kCliOk);
  EXPECT_NE(rig.out.str().find("no ATA commands for a disk of kind ExternalDisk"), std::string::npos)
      << rig.out.str();
  EXPECT_TRUE(rig.disk->Executed().empty());
}

TEST(CliArguments, UsageAndExitCodes) {
  CliRig rig;
  EXPECT_EQ(rig.Run({}), kCliUsage);
  EXPECT_NE(rig.err.str().find("usage:"), std::string::npos);
  EXPECT_EQ(rig.Run({"--help"}), kCliOk);
  EXPECT_NE(rig.out.str().find("info <drive number>"), std::string::npos);
  EXPECT_EQ(rig.Run({"frobnicate"}), kCliUsage);
  EXPECT_EQ(rig.Run({"list", "extra"}), kCliUsage);
  for (const char* bad : {"", "x", "-1", "1x", "4294967295", "99999999999999999999"}) {
    EXPECT_EQ(rig.Run({"info", bad}), kCliUsage) << bad;
  }
  EXPECT_EQ(rig.Run({"info", "7"}), kCliFailed);
  EXPECT_NE(rig.err.str().find("no disk or optical drive with number 7"), std::string::npos);
}
