// The gadget button's own menu for each sort of device, and the drop-copy ticks.
#include <gtest/gtest.h>

#include "control/panels/GadgetMenuPlan.h"
#include "tests/panels/PanelTestSupport.h"
#include "control/device/SystemDrive.h"

using namespace tavolen;
using namespace tavolen::gadget_command;
using tavolen::testing::DriveRecord;

namespace {
using Ids = std::set<uint32_t>;

DeviceSnapshot Disks(std::vector<DeviceInfo> disks) {
  DeviceSnapshot devices;
  devices.disks = std::move(disks);
  return devices;
}

DeviceSnapshot Opticals(std::vector<DeviceInfo> drives) {
  DeviceSnapshot devices;
  devices.opticalDrives = std::move(drives);
  return devices;
}
}  // namespace

TEST(GadgetMenu, InternalDiskOffersPowerSaveButNoEject) {
  const auto devices = Disks({DriveRecord(FixedDisk, 1, u"ATA", u"Plain SSD")});
  EXPECT_EQ(KeptMenuCommands(1, FixedDisk, false, devices), (Ids{kPowerSave}));
}

TEST(GadgetMenu, TheSystemDiskNeverOffersPowerSave) {
  const auto devices = Disks({DriveRecord(FixedDisk, 0, u"ATA", u"Plain SSD")});
  EXPECT_EQ(KeptMenuCommands(0, FixedDisk, true, devices), Ids{});
}

TEST(GadgetMenu, DisksThatKeepTheirOwnPowerOfferNoPowerSave) {
  for (const auto product : {u"TORB-GLA", u"TORB-YENA"}) {
    const auto devices = Disks({DriveRecord(SatDisk, 3, u"VARNKELD", product)});
    EXPECT_EQ(KeptMenuCommands(3, SatDisk, false, devices), (Ids{kEjectDevice}));
  }
  // A longer product text is another product.
  const auto devices = Disks({DriveRecord(SatDisk, 3, u"VARNKELD", u"TORB-GLA2")});
  EXPECT_EQ(KeptMenuCommands(3, SatDisk, false, devices), (Ids{kEjectDevice, kPowerSave}));
}

TEST(GadgetMenu, PowerSaveNeedsAnAtaKindAndADeviceNumber) {
  const auto devices = Disks({DriveRecord(ExternalDisk, 4), DriveRecord(FixedDisk, kButtonNoDriveNumber)});
  EXPECT_EQ(KeptMenuCommands(4, ExternalDisk, false, devices), (Ids{kEjectDevice}));
  EXPECT_EQ(KeptMenuCommands(kButtonNoDriveNumber, FixedDisk, false, devices), Ids{});
  // A record that cannot be found reads as an empty product: power save stays.
  EXPECT_EQ(KeptMenuCommands(9, VarnkeldBridgeDisk, false, Disks({})), (Ids{kEjectDevice, kPowerSave}));
}

TEST(GadgetMenu, EveryEjectableKindOffersEject) {
  for (uint32_t bit = 1; bit != 0; bit <<= 1) {
    const bool ejectable = (bit & 0xFB851) != 0;
    const auto kept = KeptMenuCommands(kNoDeviceNumber, bit, false, DeviceSnapshot{});
    EXPECT_EQ(kept.count(kEjectDevice) == 1, ejectable) << std::hex << bit;
    EXPECT_EQ(kept.count(kEraseFreeSpace), 0u) << "the erase item is never offered here";
  }
}

TEST(GadgetMenu, OtherVendorsUsbOpticalDriveOffersEjectAndTray) {
  const auto devices = Opticals({DriveRecord(UsbOpticalDrive, 2, u"OTHERCO", u"DVD-RW X")});
  EXPECT_EQ(KeptMenuCommands(2, UsbOpticalDrive, false, devices), (Ids{kEjectDevice, kTrayControl}));
  // Without its profile the tray cannot be handled, whoever made the drive.
  const auto noProfile = Opticals({DriveRecord(OpticalNoProfile, 2, u"OTHERCO", u"DVD-RW X")});
  EXPECT_EQ(KeptMenuCommands(2, OpticalNoProfile, false, noProfile), Ids{});
}

TEST(GadgetMenu, MakersTraylessDrivesNeverOfferTrayControl) {
  const auto znxt = Opticals({DriveRecord(UsbOpticalDrive, 2, u"VARNKELD", u"ZNXT-FRV")});
  EXPECT_EQ(KeptMenuCommands(2, UsbOpticalDrive, false, znxt), (Ids{kEjectDevice}));
  const auto internalZnxt = Opticals({DriveRecord(OpticalDrive, 2, u"VARNKELD", u"ZNXT-FRV")});
  EXPECT_EQ(KeptMenuCommands(2, OpticalDrive, false, internalZnxt), Ids{});
  const auto otherModel = Opticals({DriveRecord(OpticalDrive, 2, u"VARNKELD", u"DVR-Q")});
  EXPECT_EQ(KeptMenuCommands(2, OpticalDrive, false, otherModel), (Ids{kTrayControl}));
}

TEST(GadgetMenu, VirtualDrivesOfferEjectWhateverTheirKindOrVendor) {
  for (const auto product : {u"WMXT-FRV", u"WMXT-BRV"}) {
    const auto devices = Opticals({DriveRecord(OpticalDrive, 5, u"SOMEONE", product)});
    EXPECT_EQ(KeptMenuCommands(5, OpticalDrive, false, devices), (Ids{kEjectDevice, kTrayControl}));
    const auto makers = Opticals({DriveRecord(OpticalDrive, 5, u"VARNKELD", product)});
    EXPECT_EQ(KeptMenuCommands(5, OpticalDrive, false, makers), (Ids{kEjectDevice}));
  }
}

TEST(GadgetMenu, NetworkAndUnknownDrivesKeepNothing) {
  EXPECT_EQ(KeptMenuCommands(kNoDeviceNumber, NetworkDrive, false, DeviceSnapshot{}), Ids{});
  EXPECT_EQ(KeptMenuCommands(kNoDeviceNumber, 0, false, DeviceSnapshot{}), Ids{});
}

TEST(SaveSettings, WithoutEntriesTheRootAndNoFolder) {
  const auto settings = DecideSaveSettings(u"", u"", u"E:\\");
  EXPECT_EQ(settings.method, SaveMethod::NoFolder);
  EXPECT_FALSE(settings.customFolder);
  EXPECT_EQ(settings.saveFolder, u"E:\\");
  EXPECT_TRUE(SaveSettingTicks(settings).empty());
}

TEST(SaveSettings, ACustomFolderIsKeptAndTicked) {
  const auto settings = DecideSaveSettings(u"", u"D:\\Backup", u"E:\\");
  EXPECT_TRUE(settings.customFolder);
  EXPECT_EQ(settings.saveFolder, u"D:\\Backup");
  EXPECT_EQ(SaveSettingTicks(settings), (std::vector<MenuTick>{{kCustom, true}, {kRootDirectory, false}}));
}

TEST(SaveSettings, DayIsTestedBeforeMonth) {
  EXPECT_EQ(DecideSaveSettings(u"1", u"", u"E:\\").method, SaveMethod::DayFolder);
  EXPECT_EQ(DecideSaveSettings(u"2", u"", u"E:\\").method, SaveMethod::MonthFolder);
  EXPECT_EQ(DecideSaveSettings(u"12", u"", u"E:\\").method, SaveMethod::DayFolder);
  EXPECT_EQ(DecideSaveSettings(u"21", u"", u"E:\\").method, SaveMethod::DayFolder);
  EXPECT_EQ(DecideSaveSettings(u"0", u"", u"E:\\").method, SaveMethod::NoFolder);

  const auto month = DecideSaveSettings(u"2", u"F:\\Photos", u"E:\\");
  EXPECT_EQ(SaveSettingTicks(month), (std::vector<MenuTick>{{kMonthFolder, true},
                                                            {kNoFolder, false},
                                                            {kCustom, true},
                                                            {kRootDirectory, false}}));
  EXPECT_EQ(SaveSettingTicks(DecideSaveSettings(u"1", u"", u"E:\\")),
            (std::vector<MenuTick>{{kDayFolder, true}, {kNoFolder, false}}));
}

TEST(SaveSettings, ValuesAreBoundedLikeTheirBuffers) {
  const std::u16string longFolder(3000, u'f');
  EXPECT_EQ(DecideSaveSettings(u"", longFolder, u"E:\\").saveFolder.size(), kSaveSettingCapacity - 1);
  // A "1" beyond the buffer was never read.
  const std::u16string lateDay = std::u16string(kSaveSettingCapacity, u'x') + u"1";
  EXPECT_EQ(DecideSaveSettings(lateDay, u"", u"E:\\").method, SaveMethod::NoFolder);
  // A NUL ends a value.
  EXPECT_EQ(DecideSaveSettings(std::u16string(u"\0" u"1", 2), std::u16string(u"\0X", 2), u"E:\\").method,
            SaveMethod::NoFolder);
  EXPECT_FALSE(DecideSaveSettings(u"", std::u16string(u"\0X", 2), u"E:\\").customFolder);
}
