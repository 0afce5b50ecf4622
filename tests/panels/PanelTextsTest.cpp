// What a drive panel shows and learns: label and fallback texts, the size line and bar,
// the tooltip, the drive-letter overlay, its kind, the system-disk flag and its medium watch.
#include <gtest/gtest.h>

#include "control/panels/PanelDevice.h"
#include "tests/panels/PanelTestSupport.h"
#include "control/panels/PanelTexts.h"
#include "control/device/SystemDrive.h"

using namespace tavolen;
using tavolen::testing::DriveRecord;
using tavolen::testing::OrderedVolumes;

namespace {
LabelText Label(std::u16string label) { return LabelText{std::move(label), 0}; }
LabelText Fallback(uint32_t id) { return LabelText{u"", id}; }
}  // namespace

TEST(LabelText, AVolumeLabelIsShownAsIs) {
  EXPECT_EQ(DriveLabelText(std::u16string(u"BACKUP"), DriveType::Fixed), Label(u"BACKUP"));
  EXPECT_EQ(DriveLabelText(std::u16string(u"DVD_VIDEO"), DriveType::CdRom), Label(u"DVD_VIDEO"));
  EXPECT_EQ(DriveLabelText(std::u16string(u"share"), DriveType::Remote), Label(u"share"));
}

TEST(LabelText, AnEmptyLabelFallsBackByDriveType) {
  const std::optional<std::u16string> empty = std::u16string();
  EXPECT_EQ(DriveLabelText(empty, DriveType::Fixed), Fallback(397));
  EXPECT_EQ(DriveLabelText(empty, DriveType::Removable), Fallback(399));
  EXPECT_EQ(DriveLabelText(empty, DriveType::NoRootDir), Fallback(400));
  EXPECT_EQ(DriveLabelText(empty, DriveType::CdRom), LabelText{});
  EXPECT_EQ(DriveLabelText(empty, DriveType::Remote), LabelText{});
}

TEST(LabelText, AnUnreadableVolumeFallsBackByDriveType) {
  EXPECT_EQ(DriveLabelText(std::nullopt, DriveType::CdRom), Fallback(398));
  EXPECT_EQ(DriveLabelText(std::nullopt, DriveType::Removable), Fallback(400));
  EXPECT_EQ(DriveLabelText(std::nullopt, DriveType::Fixed), LabelText{});
  EXPECT_EQ(DriveLabelText(std::nullopt, DriveType::NoRootDir), LabelText{});
}

TEST(LabelText, ALabelIsCutToItsBuffer) {
  const std::u16string longLabel(200, u'L');
  EXPECT_EQ(DriveLabelText(longLabel, DriveType::Fixed).label.size(), kLabelCapacity - 1);
  EXPECT_EQ(DriveLabelText(std::u16string(u"AB\0CD", 5), DriveType::Fixed), Label(u"AB"));
  // A label that is nothing but a NUL is an empty label.
  EXPECT_EQ(DriveLabelText(std::u16string(1, u'\0'), DriveType::Fixed), Fallback(397));
}

TEST(CapacityLine, FollowsTheSizeRule) {
  constexpr uint64_t kGiB = uint64_t(1) << 30;
  const auto exactlyOne = DriveCapacityLine(VolumeSpace{kGiB, 0});
  EXPECT_EQ(exactlyOne.text, "1.0 / 1.0 GB");
  EXPECT_EQ(exactlyOne.barPosition, 99u) << "full shows 99";
  EXPECT_EQ(DriveCapacityLine(VolumeSpace{kGiB - 1, kGiB - 1}).text, "0.0 / 1024.0 MB");
  const auto quarter = DriveCapacityLine(VolumeSpace{400 * kGiB, 300 * kGiB});
  EXPECT_EQ(quarter.text, "100.0 / 400.0 GB");
  EXPECT_EQ(quarter.barPosition, 25u);
  EXPECT_EQ(DriveCapacityLine(VolumeSpace{0, 0}).barPosition, 99u);
}

TEST(CapacityLine, UnknownSpaceGivesAnEmptyLineAndBar) {
  const auto unknown = DriveCapacityLine(std::nullopt);
  EXPECT_TRUE(unknown.text.empty());
  EXPECT_EQ(unknown.barPosition, 0u);
  EXPECT_EQ(kCapacityBarColour, 0x1ED20Au);
}

TEST(Tooltip, NamesTheSaveFolder) {
  EXPECT_EQ(SaveFolderTooltip(u"Save Folder", u"D:\\Backup"), u"Save Folder : D:\\Backup");
  EXPECT_EQ(SaveFolderTooltip(u"Save Folder", u""), u"Save Folder : ");
  const std::u16string huge(5000, u'x');
  EXPECT_EQ(SaveFolderTooltip(u"S", huge).size(), 4 + kSaveFolderCapacity);
}

TEST(Overlay, BitmapNumberFollowsTheDriveLetter) {
  EXPECT_EQ(DriveLetterBitmap(u"A:\\"), 307u);
  EXPECT_EQ(DriveLetterBitmap(u"C:\\"), 309u);
  EXPECT_EQ(DriveLetterBitmap(u"Z:\\"), 332u);
  EXPECT_EQ(kOverlayMaskBitmap, 306u);
}

TEST(Overlay, AnythingButACapitalLetterHasNoOverlay) {
  EXPECT_FALSE(DriveLetterBitmap(u""));
  EXPECT_FALSE(DriveLetterBitmap(u"c:\\"));
  EXPECT_FALSE(DriveLetterBitmap(u"::{645FF040-5081-101B-9F08-00AA002F954E}"));
  EXPECT_FALSE(DriveLetterBitmap(u"@:\\"));
  EXPECT_FALSE(DriveLetterBitmap(u"[:\\"));
  EXPECT_FALSE(DriveLetterBitmap(u"\u00C4:\\"));
}

TEST(PanelKind, LooksTheRecordUpInTheArrayOfItsDriveType) {
  DeviceSnapshot devices;
  devices.disks = {DriveRecord(FixedDisk, 0), DriveRecord(SatDisk, 2)};
  devices.opticalDrives = {DriveRecord(UsbOpticalDrive, 2)};
  EXPECT_EQ(PanelKind(DriveType::Fixed, 2, devices), uint32_t(SatDisk));
  EXPECT_EQ(PanelKind(DriveType::Removable, 0, devices), uint32_t(FixedDisk));
  EXPECT_EQ(PanelKind(DriveType::CdRom, 2, devices), uint32_t(UsbOpticalDrive));
  EXPECT_EQ(PanelKind(DriveType::CdRom, 0, devices), 0u);
  EXPECT_EQ(PanelKind(DriveType::Unknown, 2, devices), uint32_t(SatDisk));
  EXPECT_EQ(PanelKind(DriveType::Remote, 2, devices), uint32_t(NetworkDrive));
  EXPECT_EQ(PanelKind(DriveType::Fixed, 7, devices), 0u);
}

TEST(PanelKind, AnUnreadNumberMatchesNothing) {
  DeviceSnapshot devices;
  devices.disks = {DriveRecord(FixedDisk, kNoDeviceNumber)};
  EXPECT_EQ(PanelKind(DriveType::Fixed, kNoDeviceNumber, devices), 0u);
  EXPECT_EQ(PanelRecord(DriveType::Fixed, kNoDeviceNumber, devices), nullptr);
}

TEST(SystemDisk, TheWindowsDiskOrAProtectedDriveWhenFixed) {
  const DeviceInfo plain = DriveRecord(FixedDisk, 1, u"ATA", u"Plain SSD");
  const DeviceInfo vault = DriveRecord(FixedDisk, 1, u"ATA", u"X Hushed Vault 2");
  EXPECT_TRUE(IsSystemDisk(DriveType::Fixed, 0, 0, &plain));
  EXPECT_FALSE(IsSystemDisk(DriveType::Fixed, 1, 0, &plain));
  EXPECT_TRUE(IsSystemDisk(DriveType::Fixed, 1, 0, &vault));
  EXPECT_FALSE(IsSystemDisk(DriveType::Fixed, 1, 0, nullptr));
  EXPECT_FALSE(IsSystemDisk(DriveType::Removable, 0, 0, &vault)) << "only fixed drives";
  EXPECT_FALSE(IsSystemDisk(DriveType::Fixed, kNoDeviceNumber, kNoDeviceNumber, &plain))
      << "two unread numbers name no disk";
  EXPECT_TRUE(IsProtectedDrive(&vault));
  EXPECT_FALSE(IsProtectedDrive(&plain));
}

TEST(ArrayState, OnlyTheMakersRaidProductsShowIt) {
  EXPECT_TRUE(ShowsArrayState(MakerDiskB));
  EXPECT_TRUE(ShowsArrayState(MakerDiskC));
  EXPECT_FALSE(ShowsArrayState(MakerDiskA));
  EXPECT_FALSE(ShowsArrayState(MakerDiskB | MakerDiskC));
  EXPECT_FALSE(ShowsArrayState(0));
}

TEST(MediumWatch, OnlyRemovableKindsWhileWatching) {
  EXPECT_TRUE(WatchesMedium(1, RemovableDisk));
  EXPECT_TRUE(WatchesMedium(u'1', HotplugRemovableDisk));
  EXPECT_FALSE(WatchesMedium(0, RemovableDisk));
  EXPECT_FALSE(WatchesMedium(1, FixedDisk));
  EXPECT_FALSE(WatchesMedium(1, UsbOpticalDrive));
  EXPECT_TRUE(MediumTakenOut(DriveType::Removable, false));
  EXPECT_FALSE(MediumTakenOut(DriveType::Removable, true));
  EXPECT_FALSE(MediumTakenOut(DriveType::Fixed, false));
}
