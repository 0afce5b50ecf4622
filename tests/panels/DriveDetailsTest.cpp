// The drive details behind the flyout, against simulated devices of every kind: what each
// row shows, which device commands a click costs, and that a disk in standby is left
// asleep. The texts are the control's own string tables.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "control/core/FlyOutInfo.h"
#include "control/core/GadgetOptions.h"
#include "control/core/StandbyTimers.h"
#include "control/device/Command.h"
#include "control/panels/ArrayStatus.h"
#include "control/panels/DriveDetails.h"
#include "sim/SimDevice.h"
#include "sim/SimOpener.h"
#include "tests/fakes/FakeVolumes.h"
#include "tests/fakes/MemorySettingsFile.h"
#include "tests/panels/RcStringTable.h"

using namespace tavolen;
using tavolen::testing::RcStringTable;
using sim::AtaDisk;
using sim::Family;
using sim::Fault;

namespace {

constexpr uint32_t kNumber = 1;
const std::u16string kRoot = u"E:\\";

uint32_t KindOf(Family family) {
  switch (family) {
    case Family::PlainAta: return FixedDisk;
    case Family::Sat: return SatDisk;
    case Family::Varnkeld: return VarnkeldBridgeDisk;
    case Family::Jm: return JmBridgeDisk;
    case Family::Fjt: return FjtBridgeDisk;
    case Family::Qmxt: return QmxtDisk;
    case Family::Optical: return OpticalDrive;
  }
  return 0;
}

const RcStringTable& English() {
  static const RcStringTable table(RcStringTable::Language::English);
  return table;
}
const RcStringTable& Japanese() {
  static const RcStringTable table(RcStringTable::Language::Japanese);
  return table;
}

// One device behind drive number 1 and the volume E:, its record in the device list.
struct Rig {
  explicit Rig(Family family, uint32_t panelKind = 0, const char16_t* vendor = u"VARNKELD",
               const char16_t* product = u"SIM DISK")
      : device(std::make_shared<sim::SimDevice>(family)), kind(panelKind ? panelKind : KindOf(family)) {
    device->deviceNumber = kNumber;
    opener.Add(family == Family::Optical ? CdromPath(kNumber) : PhysicalDrivePath(kNumber), device);
    opener.Add(PhysicalDrivePath(kNumber), device);
    DeviceInfo record = ZeroDeviceInfo();
    record.kind = this->kind;
    record.driveNumber = kNumber;
    record.busType = BusUsb;
    record.bridgeChip = family == Family::Jm ? 3 : 0;
    SetText(record.drive.vendor, vendor);
    SetText(record.drive.product, product);
    SetText(record.drive.revision, u"1.00");
    SetText(record.usb.usbSerial, u"SER1");
    (family == Family::Optical ? devices.opticalDrives : devices.disks).push_back(record);
    volumes.Set(kRoot, tavolen::testing::FakeVolumes::Drive{family == Family::Optical ? DriveType::CdRom : DriveType::Fixed,
                                                   VolumeInformation{u"DATA", u"NTFS"},
                                                   VolumeSpace{uint64_t(500) << 30, uint64_t(100) << 30}, {}});
    device->ClearLogs();
  }
  DetailsSources Sources(const StringTable& strings = English()) {
    return DetailsSources{&opener, &devices, &volumes, &powerSave, &strings};
  }
  FlyOutInfo Build(bool ctrl = false, uint16_t language = kLanguageEnglishUs, const StringTable& strings = English()) {
    return BuildFlyOutInfo(DetailsRequest{kRoot, kNumber, kind, ctrl, language}, Sources(strings));
  }
  // The ATA commands the drive ran (or aborted), by command register.
  std::vector<uint8_t> AtaCommands() const {
    std::vector<uint8_t> codes;
    for (const AtaTaskFile& tf : device->Executed()) codes.push_back(tf[AtaTaskFile::Command]);
    return codes;
  }
  std::vector<uint8_t> Opcodes() const {
    std::vector<uint8_t> codes;
    for (const sim::CdbRecord& c : device->Cdbs()) codes.push_back(c.cdb[0]);
    return codes;
  }
  void StoreTimer(const char16_t* choice) {
    powerSave.Locked([&](SettingsFile& file) {
      return file.Write(settings::kTimerSettings, DeviceKey(devices.disks.front()), choice);
    });
  }

  std::shared_ptr<sim::SimDevice> device;
  uint32_t kind;
  sim::SimOpener opener;
  DeviceSnapshot devices;
  tavolen::testing::FakeVolumes volumes;
  tavolen::testing::MemorySettingsFiles files;
  PowerSaveFile powerSave{files, u"C:\\PowerSave\\Setting.ini"};
};

std::u16string Field(const char16_t* field) { return std::u16string(field); }

struct Rows {
  std::u16string name1, value1, name2, value2, name3 = {}, value3 = {};
  bool operator==(const Rows& o) const {
    return name1 == o.name1 && value1 == o.value1 && name2 == o.name2 && value2 == o.value2 && name3 == o.name3 &&
           value3 == o.value3;
  }
};
Rows RowsOf(const FlyOutInfo& i) {
  return {Field(i.name1), Field(i.value1), Field(i.name2), Field(i.value2), Field(i.name3), Field(i.value3)};
}
std::ostream& operator<<(std::ostream& out, const Rows& r) {
  auto u8 = [](const std::u16string& s) { return std::string(s.begin(), s.end()); };
  return out << u8(r.name1) << "=" << u8(r.value1) << " | " << u8(r.name2) << "=" << u8(r.value2) << " | "
             << u8(r.name3) << "=" << u8(r.value3);
}

const std::vector<Family> kHardDiskFamilies = {Family::PlainAta, Family::Sat, Family::Varnkeld,
                                               Family::Jm,       Family::Fjt, Family::Qmxt};

}  // namespace

TEST(DriveDetails, AnAwakeDiskOfEveryFamilyShowsTemperatureHealthAndNoTimer) {
  for (const Family family : kHardDiskFamilies) {
    Rig rig(family);
    const FlyOutInfo info = rig.Build();
    EXPECT_EQ(RowsOf(info), (Rows{u"HDD Temp", u"104 F", u"S.M.A.R.T.", u"Good", u"SaveState", u"Disable"}))
        << int(family);
    // The power check first; then the temperature (IDENTIFY, READ DATA) and the verdict.
    EXPECT_EQ(rig.AtaCommands(), (std::vector<uint8_t>{0xE5, 0xEC, 0xB0, 0xB0})) << int(family);
    EXPECT_EQ(Field(info.title), u"(E:) Properties");
    EXPECT_EQ(Field(info.vendor), u"VARNKELD");
    EXPECT_EQ(Field(info.product), u"SIM DISK");
  }
}

TEST(DriveDetails, ADiskInStandbyIsLeftAsleepWhateverCarriesItsCommands) {
  for (const Family family : kHardDiskFamilies) {
    Rig rig(family);
    rig.device->ata.powerMode = AtaDisk::kPowerStandby;
    const FlyOutInfo info = rig.Build();
    EXPECT_EQ(RowsOf(info), (Rows{u"HDD Temp", u"Power Save Enabled", u"S.M.A.R.T.", u"Power Save Enabled",
                                  u"SaveState", u"Enable"}))
        << int(family);
    EXPECT_EQ(rig.AtaCommands(), std::vector<uint8_t>{0xE5}) << "CHECK POWER MODE and nothing more";
    EXPECT_EQ(rig.device->ata.powerMode, AtaDisk::kPowerStandby) << int(family);
  }
}

TEST(DriveDetails, AStoredTimerShowsItsSettingWithoutTemperatureOrHealth) {
  const std::vector<std::pair<const char16_t*, const char16_t*>> cases = {
      {u"0", u"Setting(10m)"}, {u"1", u"Setting(20m)"}, {u"2", u"Setting(30m)"},
      {u"3", u"Setting(1h)"},  {u"x", u"Setting(1h)"}};
  for (const auto& [stored, shown] : cases) {
    Rig rig(Family::Varnkeld);
    rig.StoreTimer(stored);
    const FlyOutInfo info = rig.Build();
    EXPECT_EQ(RowsOf(info), (Rows{u"HDD Temp", u"Power Saving", u"S.M.A.R.T.", u"Power Saving", u"SaveState", shown}));
    EXPECT_EQ(rig.AtaCommands(), std::vector<uint8_t>{0xE5});
  }
}

TEST(DriveDetails, TheMakersTimerDiskShowsTheTimerItKeepsItself) {
  const std::vector<std::pair<int, const char16_t*>> cases = {{0xB4, u"PLKA's Setting(15m) "},
                                                              {0xF1, u"PLKA's Setting(30m) "},
                                                              {0xF2, u"PLKA's Setting(1h) "},
                                                              {0x77, u"Unknown"},
                                                              {0x00, u"Disable"}};
  for (const auto& [timer, shown] : cases) {
    Rig rig(Family::Varnkeld, 0, u"VARNKELD", u"PLKA-G");
    std::vector<uint8_t> page(512, 0);
    page[1] = uint8_t(timer);
    rig.device->readBuffers[0x30] = page;
    EXPECT_EQ(Field(rig.Build().value3), shown) << timer;
  }
  // Another product of the same bridge is not asked.
  Rig other(Family::Varnkeld, 0, u"VARNKELD", u"PLKA-GX");
  other.Build();
  for (const sim::CdbRecord& cdb : other.device->Cdbs()) EXPECT_NE(cdb.cdb[0], 0x3C);
}

TEST(DriveDetails, TheTwoPortableModelsAreReadWithoutAPowerCheck) {
  for (const char16_t* product : {u"TORB-GLA", u"TORB-YENA"}) {
    Rig rig(Family::Jm, JmBridgeDisk, u"VARNKELD", product);
    const FlyOutInfo info = rig.Build();
    EXPECT_EQ(RowsOf(info), (Rows{u"HDD Temp", u"104 F", u"S.M.A.R.T.", u"Good", u"", u""}));
    EXPECT_EQ(rig.AtaCommands(), (std::vector<uint8_t>{0xEC, 0xB0, 0xB0}));
  }
  // Behind a bridge whose chip stays unknown the verdict cannot be read back.
  Rig unknownChip(Family::Jm, JmBridgeDisk, u"VARNKELD", u"TORB-GLA");
  unknownChip.devices.disks.front().bridgeChip = 0;
  unknownChip.device->vendorSpecific = "unknown";
  EXPECT_EQ(Field(unknownChip.Build().value2), u"Get Failed");
}

TEST(DriveDetails, TemperatureFollowsTheInterfaceLanguageAndFailuresKeepTheirPresets) {
  Rig rig(Family::Sat);
  EXPECT_EQ(Field(rig.Build(false, kLanguageJapanese, Japanese()).value1), u"40 \u2103");
  EXPECT_EQ(Field(rig.Build(false, kLanguageJapanese, Japanese()).name1), u"HDD温度");
  rig.device->ata.SetTemperature(25);
  EXPECT_EQ(Field(rig.Build().value1), u"77 F");
  rig.device->ata.RemoveTemperature();
  rig.device->ata.smartThresholdExceeded = true;
  EXPECT_EQ(RowsOf(rig.Build()), (Rows{u"HDD Temp", u"Get Failed", u"S.M.A.R.T.", u"Bad", u"SaveState", u"Disable"}));
  // The power check itself fails: every value stays "Get Failed".
  rig.device->FailCdb(0xA1, Fault::TransportError());
  rig.device->FailCdb(0x85, Fault::TransportError());
  EXPECT_EQ(RowsOf(rig.Build()),
            (Rows{u"HDD Temp", u"Get Failed", u"S.M.A.R.T.", u"Get Failed", u"SaveState", u"Get Failed"}));
}

TEST(DriveDetails, AJmBridgeWhoseChipStaysUnknownShowsItsPowerStateAsUnknown) {
  Rig rig(Family::Jm);
  rig.devices.disks.front().bridgeChip = 0;
  rig.device->vendorSpecific = "no chip text";
  rig.device->ata.powerMode = AtaDisk::kPowerActive;
  const FlyOutInfo info = rig.Build();
  EXPECT_EQ(RowsOf(info),
            (Rows{u"HDD Temp", u"Get Failed", u"S.M.A.R.T.", u"Get Failed", u"SaveState", u"Get Failed"}))
      << "never \"Power Save Enabled\" for registers that did not come back";
}

TEST(DriveDetails, CtrlAtTheClickAsksABridgeDiskForItsOwnIdentity) {
  for (const Family family : {Family::Varnkeld, Family::Jm, Family::Fjt, Family::Sat}) {
    Rig rig(family);
    rig.device->ata.SetModel("MAKERCO HD-2000 LARGE MODEL");
    rig.device->ata.SetFirmware("FW\x01.2");
    rig.device->ata.powerMode = AtaDisk::kPowerStandby;
    const FlyOutInfo info = rig.Build(true);
    if (family == Family::Sat) {
      EXPECT_EQ(Field(info.vendor), u"VARNKELD") << "only the bridge families are asked";
      continue;
    }
    EXPECT_EQ(Field(info.vendor), u"MAKERCO ");
    EXPECT_EQ(Field(info.product), u"HD-2000 LARGE MO");
    EXPECT_EQ(Field(info.revision), u"FW?.2   ") << "a control character shows as ?";
    EXPECT_EQ(rig.AtaCommands(), (std::vector<uint8_t>{0xE5, 0xEC})) << "the user asked for it";
  }
}

TEST(DriveDetails, OpticalDrivesShowTheirMediumAndDiscState) {
  struct Case {
    uint16_t profile;
    bool loaded;
    uint8_t discStatus;
    const char16_t* fileSystem;
    const char16_t* medium;
    const char16_t* state;
  };
  const std::vector<Case> cases = {
      {0x0010, true, 2, u"CDFS", u"DVD-ROM", u"Closed Media"},
      {0x0011, true, 1, u"CDFS", u"DVD-R", u"Not Closed Media"},
      {0x0043, true, 0, u"CDFS", u"BD-RE", u"Unknown"},
      {0x0041, true, 2, u"UDF", u"BD-R SRM", u"UDF"},
      {0x0002, true, 2, u"CDFS", u"Not Insert", u"Closed Media"},
      {0x0030, true, 2, u"CDFS", u"Unknown", u"Closed Media"},
      {0x0010, false, 2, u"CDFS", u"Not Insert", u"Unknown"},
  };
  for (const Case& c : cases) {
    Rig rig(Family::Optical, 0, u"TAVOSIM", u"SIM OPTICAL");
    rig.device->currentProfile = c.profile;
    rig.device->mediumPresent = c.loaded;
    rig.device->discStatus = c.discStatus;
    rig.volumes.Set(kRoot, tavolen::testing::FakeVolumes::Drive{DriveType::CdRom, VolumeInformation{u"DISC", c.fileSystem},
                                                       VolumeSpace{uint64_t(4) << 30, 0}, {}});
    const FlyOutInfo info = rig.Build();
    EXPECT_EQ(RowsOf(info), (Rows{u"Media", c.medium, u"State", c.state, u"", u""})) << c.profile;
    EXPECT_EQ(Field(info.size), u"4.0 GB");
    EXPECT_LE(rig.Opcodes().size(), 2u) << "GET CONFIGURATION and READ DISC INFORMATION at most";
  }
}

TEST(DriveDetails, TheMakersVirtualDrivesAreNamedWithoutAskingForAProfile) {
  Rig dvd(Family::Optical, 0, u"VARNKELD", u"ZNXT-FRV");
  EXPECT_EQ(RowsOf(dvd.Build()), (Rows{u"Media", u"仮想DVD-RW", u"State", u"Closed Media", u"", u""}));
  EXPECT_EQ(dvd.Opcodes(), std::vector<uint8_t>{0x51});
  for (const char16_t* product : {u"WMXT-FRV", u"WMXT-BRV"}) {
    Rig cd(Family::Optical, 0, u"VARNKELD", product);
    EXPECT_EQ(RowsOf(cd.Build()), (Rows{u"Media", u"仮想CD-ROM", u"State", u"UDF", u"", u""}));
    EXPECT_TRUE(cd.Opcodes().empty());
  }
  Rig lowerCase(Family::Optical, 0, u"Varnkeld", u"ZNXT-FRV");
  EXPECT_EQ(Field(lowerCase.Build().value1), u"DVD-ROM") << "vendor and product compare whole and case-sensitively";
}

TEST(DriveDetails, TitleLabelAndSizeFollowTheVolume) {
  struct Case {
    Family family;
    std::optional<VolumeInformation> volume;
    std::optional<VolumeSpace> space;
    bool disc;
    const char16_t* label;
    const char16_t* size;
  };
  const std::vector<Case> cases = {
      {Family::PlainAta, VolumeInformation{u"", u"NTFS"}, VolumeSpace{uint64_t(3) << 40, 0}, false, u"Local Disk",
       u"3.0 TB"},
      {Family::PlainAta, VolumeInformation{u"ABCDEFGHIJKLMNOPQRSTUV", u"NTFS"}, VolumeSpace{uint64_t(5) << 20, 0},
       false, u"ABCDEFGHIJKLMNOPQR...", u"5.0 MB"},
      {Family::PlainAta, VolumeInformation{u"ABCDEFGHIJKLMNOPQRSTU", u"NTFS"}, std::nullopt, false,
       u"ABCDEFGHIJKLMNOPQRSTU", u"Size Unknown"},
      {Family::Optical, std::nullopt, std::nullopt, true, u"Optical Drive", u"Empty Disk"},
      {Family::Optical, std::nullopt, std::nullopt, false, u"Optical Drive", u"Not Insert"},
      {Family::PlainAta, std::nullopt, std::nullopt, false, u"", u"Not Insert"},
  };
  for (const Case& c : cases) {
    Rig rig(c.family);
    rig.device->mediumPresent = c.disc;
    rig.volumes.Set(kRoot, tavolen::testing::FakeVolumes::Drive{c.family == Family::Optical ? DriveType::CdRom
                                                                                   : DriveType::Fixed,
                                                       c.volume, c.space, {}});
    const FlyOutInfo info = rig.Build();
    EXPECT_EQ(Field(info.label), c.label);
    EXPECT_EQ(Field(info.size), c.size);
  }
}

TEST(DriveDetails, ArrayProductsShowLevelStateAndFailedMembers) {
  struct Case {
    uint32_t kind;
    const char16_t* product;
    std::vector<uint8_t> status;
    Rows rows;
  };
  const std::vector<Case> cases = {
      {MakerDiskB, u"VEX5-G", {1, 0, 0x10, 0, 0x10, 0x10}, {u"Mode", u"RAID 1", u"State", u"Operating Normally"}},
      {MakerDiskB, u"VEX5-G", {3, 0, 0x42, 37, 0x10, 0x10}, {u"Mode", u"RAID 5", u"State", u"Rebuilding( 37.0％ )"}},
      {MakerDiskB, u"VEX5-G", {2, 0, 0x32, 0x80, 0x00}, {u"Mode", u"RAID 1+0", u"State", u"Rebuilding( 50.0％ )"}},
      {MakerDiskB, u"VEX5-G", {2, 0, 0x11, 0, 0, 0x10, 0x00, 0x10, 0x00},
       {u"Mode", u"RAID 1", u"State", u"Degrade", u"Ejectting", u"HDD 2,4"}},
      {MakerDiskB, u"VEX5-G", {1, 0, 0x21, 0, 0x00, 0x10}, {u"Mode", u"Multiple Disk", u"State", u"Degrade",
                                                            u"Ejectting", u"HDD 1"}},
      {MakerDiskB, u"NIR5-G", {1, 0, 0x01, 0, 0x10, 0x90}, {u"Mode", u"RAID 0", u"State", u"Degrade", u"Ejectting",
                                                            u"HDD 1"}},
      {MakerDiskB, u"NIR5-G", {1, 0, 0x01, 0, 0x00, 0x10}, {u"Mode", u"RAID 0", u"State", u"Degrade", u"Ejectting",
                                                            u"HDD 2"}},
      {MakerDiskC, u"VEX7-KLS_B", {1, 0, 0x13}, {u"Mode", u"RAID 1", u"State", u"Rebuild Pausing"}},
      {MakerDiskC, u"VEX7-KLS_B", {1, 0, 0x14}, {u"Mode", u"RAID 1", u"State", u"System Pausing"}},
      {MakerDiskC, u"VEX7-KLS_B", {1, 0, 0x15}, {u"Mode", u"RAID 1", u"State", u"System Hunging"}},
      {MakerDiskC, u"VEX7-KLS_B", {1, 0, 0x76}, {u"Mode", u"Unknown", u"State", u"Unknown"}},
      {MakerDiskC, u"VEX7-KLS_B", {4, 0, 0x76}, {u"Mode", u"RAID 0", u"State", u"Operating Normally"}},
      {MakerDiskC, u"VEX7-KLS_B", {0, 0, 0x11}, {u"Mode", u"Get Failed", u"State", u"Get Failed"}},
  };
  for (const Case& c : cases) {
    Rig rig(c.kind == MakerDiskB ? Family::Varnkeld : Family::PlainAta, c.kind, u"VARNKELD", c.product);
    rig.device->ata.arrayStatus = c.status;
    const FlyOutInfo info = rig.Build();
    EXPECT_EQ(RowsOf(info), c.rows) << int(c.status[0]) << "/" << int(c.status[2]);
    EXPECT_EQ(Field(info.product), c.product);
    EXPECT_EQ(rig.device->Executed().size() + rig.Opcodes().size(), 1u) << "one read";
  }
}

TEST(DriveDetails, AnArrayBehindTheBridgeFallsBackToTheAtaReadOnce) {
  Rig rig(Family::Varnkeld, MakerDiskB, u"VARNKELD", u"VEX5-G");
  rig.device->ata.arrayStatus = {1, 0, 0x10};
  rig.device->FailCdb(0x3C, Fault::Check(5, 0x24, 0));
  EXPECT_EQ(Field(rig.Build().value2), u"Operating Normally");
  EXPECT_EQ(rig.Opcodes(), (std::vector<uint8_t>{0x3C, 0xE3, 0xE0})) << "READ BUFFER, then the ATA read";
  rig.device->FailCdb(0xE3, Fault::TransportError());
  EXPECT_EQ(RowsOf(rig.Build()), (Rows{u"Mode", u"Get Failed", u"State", u"Get Failed"}));
}

TEST(DriveDetails, AnyOtherDriveShowsItsIdentityOnlyAndIsNotAsked) {
  Rig rig(Family::PlainAta, ExternalDisk, u"OTHER", u"USB DISK");
  const FlyOutInfo info = rig.Build(true);
  EXPECT_EQ(Field(info.vendor), u"OTHER");
  EXPECT_EQ(RowsOf(info), Rows{});
  EXPECT_TRUE(rig.Opcodes().empty());
  EXPECT_TRUE(rig.AtaCommands().empty());
}

TEST(DriveDetails, EveryWriteIsCutAtItsFieldWithItsTerminatorKept) {
  Rig rig(Family::Optical, 0, u"TAVOSIM", u"SIM OPTICAL");
  const std::u16string longName = u"UDF" + std::u16string(40, u'x');
  rig.volumes.Set(kRoot, tavolen::testing::FakeVolumes::Drive{DriveType::CdRom, VolumeInformation{u"DISC", longName},
                                                     VolumeSpace{uint64_t(4) << 30, 0}, {}});
  const FlyOutInfo info = rig.Build();
  EXPECT_EQ(Field(info.value2), longName.substr(0, 20));
  EXPECT_EQ(info.value2[20], u'\0');
}

TEST(DriveDetails, TheDetailsTextsFitTheirFieldsInBothLanguages) {
  // Names go into 11-character fields, values into 21, the size into 13 (terminators
  // included); the title holds the drive and string 415 in 21.
  namespace s = details_strings;
  namespace a = array_strings;
  const std::vector<uint32_t> names = {s::kMedia, s::kState, s::kHddTemp, s::kSaveState, s::kMode, s::kEjecting};
  const std::vector<uint32_t> sizes = {s::kSizeUnknown, s::kEmptyDisk, s::kNotInsert};
  std::vector<uint32_t> values = {s::kGetFailed, s::kPowerSaveEnabled, s::kEnable, s::kDisable, s::kPowerSaving,
                                  s::kGood,      s::kBad,              s::kUnknown, s::kNotClosedMedia,
                                  s::kClosedMedia, s::kDriveTimer15m,  s::kDriveTimer30m, s::kDriveTimer1h,
                                  a::kRebuildPausing, a::kSystemPausing, a::kDegrade, a::kSystemHunging,
                                  a::kMultipleDisk, a::kOperatingNormally};
  for (uint32_t id = s::kSetting10m; id < s::kSetting10m + 4; ++id) values.push_back(id);
  for (const RcStringTable* table : {&English(), &Japanese()}) {
    for (uint32_t id : names) EXPECT_LE(table->Text(id).size(), 10u) << id;
    for (uint32_t id : sizes) EXPECT_LE(table->Text(id).size(), 12u) << id;
    for (uint32_t id : values) EXPECT_LE(table->Text(id).size(), 20u) << id;
    // "Rebuilding( 99.9％ )": the state with its progress.
    EXPECT_LE(table->Text(a::kRebuilding).size() + 9, 20u);
    for (uint32_t id : names) EXPECT_FALSE(table->Text(id).empty()) << id;
    for (uint32_t id : values) EXPECT_FALSE(table->Text(id).empty()) << id;
    EXPECT_LE(DetailsTitle(u"E:\\", *table).size(), 20u);
  }
}

TEST(DriveDetails, ASecondRequestForTheShownDriveClosesItWithoutAskingTheDevice) {
  Rig rig(Family::Sat);
  SharedFlyOutInfo shared;
  const DetailsRequest request{kRoot, kNumber, rig.kind, false, kLanguageEnglishUs};
  EXPECT_EQ(RunDetailsRequest(request, rig.Sources(), shared), DetailsOutcome::Show);
  EXPECT_EQ(Field(shared.Get().value1), u"104 F");
  rig.device->ClearLogs();
  EXPECT_EQ(RunDetailsRequest(request, rig.Sources(), shared), DetailsOutcome::Close);
  EXPECT_TRUE(rig.device->Cdbs().empty()) << "nothing reaches the device";
  // Another drive's request replaces the record.
  rig.volumes.Set(u"F:\\", tavolen::testing::FakeVolumes::Drive{});
  EXPECT_EQ(RunDetailsRequest(DetailsRequest{u"F:\\", kNumber, rig.kind, false, 0}, rig.Sources(), shared),
            DetailsOutcome::Show);
  EXPECT_EQ(FlyOutDriveRoot(shared.Get()), u"F:\\");
}
