#include "control/device/DeviceList.h"

#include <gtest/gtest.h>

#include <atomic>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "control/device/Command.h"
#include "control/device/DeviceIdentity.h"
#include "control/device/IoctlCodes.h"
#include "sim/SimOpener.h"
#include "tests/enumeration/FakeSource.h"
#include "tests/fakes/FakePortableDevices.h"
#include "control/device/SystemDrive.h"

namespace tavolen {
namespace {

using sim::Family;
using sim::Fault;
using sim::SimDevice;
using sim::SimOpener;
using test::FakeSource;

constexpr char16_t kDiskClass[] = u"#{53f56307-b6bf-11d0-94f2-00a0c91efb8b}";
constexpr char16_t kCdromClass[] = u"#{53f56308-b6bf-11d0-94f2-00a0c91efb8b}";

std::u16string DiskPath(std::u16string_view middle) {
  return u"\\\\?\\" + std::u16string(middle) + kDiskClass;
}
std::u16string CdromPath(std::u16string_view middle) {
  return u"\\\\?\\" + std::u16string(middle) + kCdromClass;
}

class DeviceListTest : public ::testing::Test {
 protected:
  // A simulated device behind an interface path (and, for disks, its numbered path).
  std::shared_ptr<SimDevice> AddDisk(Family family, std::u16string path, uint32_t number,
                                     std::optional<std::u16string> parent = std::nullopt) {
    auto device = std::make_shared<SimDevice>(family);
    device->deviceNumber = number;
    device->performanceNumber = number;
    opener.Add(path, device);
    opener.Add(PhysicalDrivePath(number), device);
    source.Add(InterfaceClass::Disk, std::move(path), std::move(parent));
    return device;
  }
  std::shared_ptr<SimDevice> AddOptical(std::u16string path, uint32_t number,
                                        std::optional<std::u16string> parent = std::nullopt) {
    auto device = std::make_shared<SimDevice>(Family::Optical);
    device->deviceNumber = number;
    opener.Add(path, device);
    source.Add(InterfaceClass::Cdrom, std::move(path), std::move(parent));
    return device;
  }
  std::unique_ptr<DeviceList> Refreshed(uint32_t mask, PortableDevices* portable = nullptr) {
    source.Provide(InterfaceClass::Disk);
    source.Provide(InterfaceClass::Cdrom);
    return std::make_unique<DeviceList>(opener, source, mask, portable);
  }

  SimOpener opener;
  FakeSource source{opener};
};

// --- what one disk record holds ----------------------------------------------------

TEST_F(DeviceListTest, ScsiDiskIsListedWithIdentityCapacityNumberAndKind) {
  auto disk = AddDisk(Family::PlainAta, DiskPath(u"scsi#disk&ven_tavo&prod_sim#4&1a2b&0&000100"), 3);
  disk->product = "SIM FIXED DISK";
  disk->revision = "2.05";
  disk->lastLba = 1953525167;
  disk->blockLength = 512;

  const auto list = Refreshed(DeviceList::kDisks);
  const auto snapshot = list->Snapshot();
  ASSERT_EQ(snapshot->disks.size(), 1u);
  const DeviceInfo& info = snapshot->disks[0];
  EXPECT_EQ(info.kind, FixedDisk);
  EXPECT_EQ(info.busType, BusScsi);
  EXPECT_EQ(info.driveNumber, 3u);
  EXPECT_EQ(info.lastLba, 1953525167u);
  EXPECT_EQ(info.bytesPerSector, 512u);
  EXPECT_EQ(GetText(info.drive.vendor), u"TAVOSIM");
  EXPECT_EQ(GetText(info.drive.product), u"SIM FIXED DISK");
  EXPECT_EQ(GetText(info.drive.revision), u"2.05");
  EXPECT_EQ(GetText(info.drive.instanceId), u"SCSI\\DISK&VEN_TAVO&PROD_SIM\\4&1A2B&0&000100");
  EXPECT_TRUE(snapshot->opticalDrives.empty());
}

TEST_F(DeviceListTest, CommandObjectsOpenTheUpperCasePath) {
  AddDisk(Family::PlainAta, DiskPath(u"scsi#disk&ven_tavo#1"), 0);
  Refreshed(DeviceList::kDisks);
  ASSERT_FALSE(opener.Opened().empty());
  for (const auto& path : opener.Opened()) EXPECT_EQ(path, ToUpperPath(path));
}

TEST_F(DeviceListTest, UsbDiskTakesItsIdsFromTheParentNode) {
  auto disk = AddDisk(Family::PlainAta, DiskPath(u"usbstor#disk&ven_tavo&prod_stick#0001&0"), 2,
                      u"USB\\VID_0bc2&PID_AB3f\\NA0123456789");
  disk->revision = std::string(4, '\0');
  disk->hotplug.deviceHotplug = 1;

  const auto list = Refreshed(DeviceList::kDisks);
  ASSERT_EQ(list->Snapshot()->disks.size(), 1u);
  const DeviceInfo info = list->Snapshot()->disks[0];
  EXPECT_EQ(info.busType, BusUsb);
  EXPECT_EQ(info.kind, ExternalDisk);
  EXPECT_EQ(GetText(info.drive.instanceId), u"USB\\VID_0bc2&PID_AB3f\\NA0123456789");
  EXPECT_EQ(info.usb.usbVendorId, 0x0BC2u);
  EXPECT_EQ(info.usb.usbProductId, 0xAB3Fu);
  EXPECT_EQ(GetText(info.usb.usbSerial), u"NA0123456789");
  EXPECT_EQ(GetText(info.drive.revision), u"1.00");
}

TEST_F(DeviceListTest, OverlongParentIdentifierIsCutAtEveryField) {
  const std::u16string parent = u"USB\\VID_1234&PID_5678\\" + std::u16string(300, u'S');
  AddDisk(Family::PlainAta, DiskPath(u"usbstor#disk#1"), 1, parent);
  const auto list = Refreshed(DeviceList::kDisks);
  ASSERT_EQ(list->Snapshot()->disks.size(), 1u);
  const DeviceInfo& info = list->Snapshot()->disks[0];
  EXPECT_EQ(GetText(info.drive.instanceId), std::u16string_view(parent).substr(0, 80));
  EXPECT_EQ(GetText(info.usb.usbSerial), std::u16string(64, u'S'));
  EXPECT_EQ(info.usb.usbProductId, 0x5678u);
}

TEST_F(DeviceListTest, Ieee1394DiskTakesItsIdFromTheParentNode) {
  AddDisk(Family::Varnkeld, DiskPath(u"sbp2#varnkeld&disk&lun0#1&2"), 4, u"1394\\VARNKELD&DISK\\0030E0F4E0123456789ABC");
  const auto list = Refreshed(DeviceList::kDisks);
  ASSERT_EQ(list->Snapshot()->disks.size(), 1u);
  const DeviceInfo& info = list->Snapshot()->disks[0];
  EXPECT_EQ(info.busType, Bus1394);
  EXPECT_EQ(GetText(info.ieee1394.ieee1394Id), u"0030E0F4E012345678");
  EXPECT_EQ(GetText(info.drive.instanceId), u"1394\\VARNKELD&DISK\\0030E0F4E0123456789ABC");
  // A maker disk on IEEE 1394 has no USB product id: the maker's own bridge.
  EXPECT_EQ(info.kind, VarnkeldBridgeDisk);
}

TEST_F(DeviceListTest, IdeDiskGetsItsSerialFromIdentify) {
  auto disk = AddDisk(Family::PlainAta, DiskPath(u"ide#disksim_fixed_disk#5&2d1c&0&0.0.0"), 0);
  disk->ata.SetSerial("SIMSERIAL01");
  const auto list = Refreshed(DeviceList::kDisks);
  ASSERT_EQ(list->Snapshot()->disks.size(), 1u);
  const DeviceInfo& info = list->Snapshot()->disks[0];
  EXPECT_EQ(info.busType, BusIde);
  EXPECT_EQ(GetText(info.ide.ideSerial), u"SIMSERIAL01         ");
  EXPECT_EQ(GetText(info.drive.instanceId), u"IDE\\DISKSIM_FIXED_DISK\\5&2D1C&0&0.0.0");
}

TEST_F(DeviceListTest, IdeDiskWithoutIdentifyKeepsItsInstanceIdButNoBus) {
  auto disk = AddDisk(Family::PlainAta, DiskPath(u"ide#disk#5&2d1c&0&0.0.0"), 0);
  disk->FailIoctl(kIoctlAtaPassThrough, Fault::TransportError());
  const auto list = Refreshed(DeviceList::kDisks);
  ASSERT_EQ(list->Snapshot()->disks.size(), 1u);
  const DeviceInfo& info = list->Snapshot()->disks[0];
  EXPECT_EQ(info.busType, BusNone);
  EXPECT_EQ(GetText(info.ide.ideSerial), u"");
  EXPECT_EQ(GetText(info.drive.instanceId), u"IDE\\DISK\\5&2D1C&0&0.0.0");
}

// IDENTIFY goes only to disks on the IDE bus, however their product texts read; the
// other buses keep their own identification (and so their power-save key).
TEST_F(DeviceListTest, IdeInsideAProductNameDoesNotTakeTheIdeBranch) {
  auto wide = AddDisk(Family::PlainAta, DiskPath(u"usbstor#disk&ven_x&prod_widedrive#0001&0"), 1,
                      u"USB\\VID_1234&PID_5678\\ABC");
  wide->product = "WIDEDRIVE";
  auto guide = AddDisk(Family::PlainAta, DiskPath(u"scsi#disk&ven_guide&prod_sim#4&1a2b&0&000100"), 2);
  guide->vendor = "GUIDE";
  auto ide = AddDisk(Family::PlainAta, DiskPath(u"ide#disksim_fixed_disk#5&2d1c&0&0.0.0"), 3);
  for (auto& disk : {wide, guide, ide}) disk->ata.SetSerial("SIMSERIAL01");

  const auto disks = Refreshed(DeviceList::kDisks)->Snapshot()->disks;
  ASSERT_EQ(disks.size(), 3u);
  const auto identifySent = [](const SimDevice& device) {
    for (const auto& registers : device.Executed())
      if (registers[AtaTaskFile::Command] == 0xEC) return true;
    return false;
  };

  EXPECT_EQ(disks[0].busType, BusUsb);
  EXPECT_EQ(GetText(disks[0].drive.instanceId), u"USB\\VID_1234&PID_5678\\ABC");
  EXPECT_EQ(GetText(disks[0].usb.usbSerial), u"ABC");
  EXPECT_EQ(source.parentQueries, 1);
  EXPECT_FALSE(identifySent(*wide));

  EXPECT_EQ(disks[1].busType, BusScsi);
  EXPECT_EQ(GetText(disks[1].drive.instanceId), u"SCSI\\DISK&VEN_GUIDE&PROD_SIM\\4&1A2B&0&000100");
  EXPECT_FALSE(identifySent(*guide));

  EXPECT_EQ(disks[2].busType, BusIde);
  EXPECT_EQ(GetText(disks[2].ide.ideSerial), u"SIMSERIAL01         ");
  EXPECT_TRUE(identifySent(*ide));
  for (const auto& disk : {wide, guide}) {
    for (const auto& request : disk->Ioctls()) EXPECT_NE(request.code, kIoctlAtaPassThrough);
  }
}

// --- fallbacks ---------------------------------------------------------------------

TEST_F(DeviceListTest, DeviceNumberIoctlWinsOverDiskPerformance) {
  auto disk = AddDisk(Family::PlainAta, DiskPath(u"scsi#disk#1"), 2);
  disk->performanceNumber = 9;
  const auto list = Refreshed(DeviceList::kDisks);
  EXPECT_EQ(list->Snapshot()->disks.at(0).driveNumber, 2u);
  for (const auto& r : disk->Ioctls()) EXPECT_NE(r.code, kIoctlDiskPerformance);
}

TEST_F(DeviceListTest, DiskPerformanceNumbersWhenTheDeviceNumberFails) {
  auto disk = AddDisk(Family::PlainAta, DiskPath(u"scsi#disk#1"), 2);
  disk->performanceNumber = 9;
  disk->FailIoctl(kIoctlStorageGetDeviceNumber, Fault::TransportError());
  EXPECT_EQ(Refreshed(DeviceList::kDisks)->Snapshot()->disks.at(0).driveNumber, 9u);

  disk->FailIoctl(kIoctlDiskPerformance, Fault::TransportError());
  EXPECT_EQ(Refreshed(DeviceList::kDisks)->Snapshot()->disks.at(0).driveNumber, kNoDeviceNumber);
}

TEST_F(DeviceListTest, HotplugFallbackFromPathAndGeometry) {
  auto usbFixed = AddDisk(Family::PlainAta, DiskPath(u"usbstor#disk#1"), 1, u"USB\\VID_1234&PID_5678\\A");
  usbFixed->mediaType = kMediaTypeFixed;
  auto usbRemovable = AddDisk(Family::PlainAta, DiskPath(u"usbstor#disk#2"), 2, u"USB\\VID_1234&PID_5678\\B");
  usbRemovable->mediaType = kMediaTypeRemovable;
  auto scsiRemovable = AddDisk(Family::PlainAta, DiskPath(u"scsi#disk#3"), 3);
  scsiRemovable->mediaType = kMediaTypeRemovable;
  auto scsiNoGeometry = AddDisk(Family::PlainAta, DiskPath(u"scsi#disk#4"), 4);
  scsiNoGeometry->mediaType = kMediaTypeRemovable;
  scsiNoGeometry->FailIoctl(kIoctlDiskGetDriveGeometry, Fault::TransportError());
  for (auto& d : {usbFixed, usbRemovable, scsiRemovable, scsiNoGeometry}) {
    d->hotplug.deviceHotplug = 1;  // would say otherwise, but the IOCTL fails
    d->hotplug.mediaRemovable = 1;
    d->FailIoctl(kIoctlStorageGetHotplugInfo, Fault::TransportError());
  }

  const auto disks = Refreshed(DeviceList::kDisks)->Snapshot()->disks;
  ASSERT_EQ(disks.size(), 4u);
  EXPECT_EQ(disks[0].kind, ExternalDisk);
  EXPECT_EQ(disks[1].kind, HotplugRemovableDisk);
  EXPECT_EQ(disks[2].kind, RemovableDisk);
  EXPECT_EQ(disks[3].kind, FixedDisk);
}

TEST_F(DeviceListTest, GeometryIsAskedOnlyWhenTheHotplugIoctlFails) {
  auto disk = AddDisk(Family::PlainAta, DiskPath(u"scsi#disk#1"), 1);
  disk->mediaType = kMediaTypeRemovable;
  const auto disks = Refreshed(DeviceList::kDisks)->Snapshot()->disks;
  EXPECT_EQ(disks.at(0).kind, FixedDisk);
  for (const auto& r : disk->Ioctls()) EXPECT_NE(r.code, kIoctlDiskGetDriveGeometry);
}

TEST_F(DeviceListTest, FailedReadCapacityLeavesCapacityZero) {
  auto disk = AddDisk(Family::PlainAta, DiskPath(u"scsi#disk#1"), 1);
  disk->FailCdb(0x25, Fault::Check(5, 0x20, 0));
  disk->FailCdb(0x9E, Fault::Check(5, 0x20, 0));
  const auto disks = Refreshed(DeviceList::kDisks)->Snapshot()->disks;
  ASSERT_EQ(disks.size(), 1u);
  EXPECT_EQ(disks[0].lastLba, 0u);
  EXPECT_EQ(disks[0].bytesPerSector, 0u);
}

// --- devices that are skipped and walks that end ----------------------------------

TEST_F(DeviceListTest, DiskWithoutInquiryIsSkippedAndTheNextListed) {
  auto silent = AddDisk(Family::PlainAta, DiskPath(u"scsi#disk#1"), 1);
  silent->FailCdb(0x12, Fault::TransportError());
  AddDisk(Family::PlainAta, DiskPath(u"scsi#disk#2"), 2);
  const auto disks = Refreshed(DeviceList::kDisks)->Snapshot()->disks;
  ASSERT_EQ(disks.size(), 1u);
  EXPECT_EQ(disks[0].driveNumber, 2u);
}

TEST_F(DeviceListTest, UsbDeviceWithoutParentEndsItsClassOnly) {
  AddDisk(Family::PlainAta, DiskPath(u"scsi#disk#1"), 1);
  AddDisk(Family::PlainAta, DiskPath(u"usbstor#disk#2"), 2);  // no parent
  AddDisk(Family::PlainAta, DiskPath(u"scsi#disk#3"), 3);
  AddOptical(CdromPath(u"scsi#cdrom#1"), 0);
  const auto list = Refreshed(DeviceList::kDisks | DeviceList::kOpticalDrives);
  EXPECT_EQ(list->Refresh(), 1);
  const auto snapshot = list->Snapshot();
  ASSERT_EQ(snapshot->disks.size(), 1u);
  EXPECT_EQ(snapshot->disks[0].driveNumber, 1u);
  EXPECT_EQ(snapshot->opticalDrives.size(), 1u);
}

// --- optical drives ----------------------------------------------------------------

TEST_F(DeviceListTest, OpticalDrivesByPathAndProfile) {
  AddOptical(CdromPath(u"ide#cdromsim_dvd#5&1&0&1.0.0"), 0);
  AddOptical(CdromPath(u"usbstor#cdrom&ven_tavo#0001&0"), 1, u"USB\\VID_1234&PID_5678\\CD1");
  auto noProfile = AddOptical(CdromPath(u"scsi#cdrom&ven_tavo#4&1&0"), 2);
  noProfile->FailCdb(0x46, Fault::Check(5, 0x20, 0));
  source.Add(InterfaceClass::Cdrom, CdromPath(u"scsi#cdrom&ven_gone#4&1&1"));  // answers nothing

  const auto list = Refreshed(DeviceList::kOpticalDrives);
  const auto drives = list->Snapshot()->opticalDrives;
  ASSERT_EQ(drives.size(), 3u);
  EXPECT_EQ(drives[0].kind, OpticalDrive);
  EXPECT_EQ(drives[1].kind, UsbOpticalDrive);
  EXPECT_EQ(drives[2].kind, OpticalNoProfile);
  EXPECT_EQ(drives[2].driveNumber, 2u);
  EXPECT_TRUE(list->Snapshot()->disks.empty());
}

TEST_F(DeviceListTest, OpticalDriveKeepsAnEmptyRevisionAndHasNoSecondNumberSource) {
  auto drive = AddOptical(CdromPath(u"scsi#cdrom#1"), 1);
  drive->revision = std::string(4, '\0');
  drive->performanceNumber = 7;
  drive->FailIoctl(kIoctlStorageGetDeviceNumber, Fault::TransportError());
  const auto drives = Refreshed(DeviceList::kOpticalDrives)->Snapshot()->opticalDrives;
  ASSERT_EQ(drives.size(), 1u);
  EXPECT_EQ(GetText(drives[0].drive.revision), u"");
  EXPECT_EQ(drives[0].driveNumber, kNoDeviceNumber);
  EXPECT_EQ(drives[0].lastLba, 0u);  // capacity is not read
}

// --- maker disks through the list --------------------------------------------------

TEST_F(DeviceListTest, MakerDisksAreClassifiedDuringEnumeration) {
  auto jm = AddDisk(Family::Jm, DiskPath(u"usbstor#disk&ven_varnkeld&prod_any#1"), 1,
                    u"USB\\VID_0411&PID_0200\\JM1");
  jm->SetJmChip(2);
  auto sat = AddDisk(Family::Sat, DiskPath(u"usbstor#disk&ven_varnkeld&prod_plain#2"), 2,
                     u"USB\\VID_0411&PID_0200\\SAT1");
  sat->product = "PLAIN";
  auto silent = AddDisk(Family::Varnkeld, DiskPath(u"usbstor#disk&ven_varnkeld&prod_plain#3"), 3,
                        u"USB\\VID_0411&PID_0200\\VK1");
  silent->product = "PLAIN";
  auto fixed = AddDisk(Family::PlainAta, DiskPath(u"scsi#disk&ven_varnkeld#4"), 4);
  fixed->vendor = "VARNKELD";
  fixed->product = "VEX7-KLS_B";

  const auto disks = Refreshed(DeviceList::kDisks)->Snapshot()->disks;
  ASSERT_EQ(disks.size(), 4u);
  EXPECT_EQ(disks[0].kind, JmBridgeDisk);
  EXPECT_EQ(disks[0].bridgeChip, 2u);
  EXPECT_EQ(disks[1].kind, SatDisk);       // answered IDENTIFY by translation
  EXPECT_EQ(disks[2].kind, ExternalDisk);  // did not
  EXPECT_EQ(disks[3].kind, MakerDiskC);
  EXPECT_EQ(opener.OpenChannels(), 0);
}

TEST_F(DeviceListTest, MakerDiskWithoutNumberIsNotProbed) {
  auto sat = AddDisk(Family::Sat, DiskPath(u"usbstor#disk&ven_varnkeld#1"), 1, u"USB\\VID_0411&PID_0200\\S");
  sat->product = "PLAIN";
  sat->FailIoctl(kIoctlStorageGetDeviceNumber, Fault::TransportError());
  sat->FailIoctl(kIoctlDiskPerformance, Fault::TransportError());
  const auto disks = Refreshed(DeviceList::kDisks)->Snapshot()->disks;
  ASSERT_EQ(disks.size(), 1u);
  EXPECT_EQ(disks[0].kind, ExternalDisk);
  for (const auto& path : opener.Opened()) EXPECT_EQ(path.find(u"PhysicalDrive"), std::u16string::npos);
}

// --- refresh, masks and lookups ----------------------------------------------------

TEST_F(DeviceListTest, RefreshWithStoredMaskZeroEmptiesEverything) {
  AddDisk(Family::PlainAta, DiskPath(u"scsi#disk#1"), 1);
  AddOptical(CdromPath(u"scsi#cdrom#1"), 0);
  const auto list = Refreshed(0);
  EXPECT_EQ(list->Snapshot()->disks.size(), 0u);

  EXPECT_EQ(list->Refresh(DeviceList::kDisks | DeviceList::kOpticalDrives), 1);
  EXPECT_EQ(list->Snapshot()->disks.size(), 1u);
  EXPECT_EQ(list->Snapshot()->opticalDrives.size(), 1u);
  EXPECT_EQ(list->Mask(), 0u);  // a given mask is not stored

  EXPECT_EQ(list->Refresh(0), 1);
  EXPECT_TRUE(list->Snapshot()->disks.empty());
  EXPECT_TRUE(list->Snapshot()->opticalDrives.empty());
  EXPECT_TRUE(list->Snapshot()->portableDevices.empty());
}

TEST_F(DeviceListTest, RefreshOfOneClassEmptiesTheOthers) {
  AddDisk(Family::PlainAta, DiskPath(u"scsi#disk#1"), 1);
  AddOptical(CdromPath(u"scsi#cdrom#1"), 0);
  const auto list = Refreshed(DeviceList::kDisks | DeviceList::kOpticalDrives);
  EXPECT_EQ(list->Snapshot()->opticalDrives.size(), 1u);
  EXPECT_EQ(list->Refresh(DeviceList::kDisks), 1);
  EXPECT_EQ(list->Snapshot()->disks.size(), 1u);
  EXPECT_TRUE(list->Snapshot()->opticalDrives.empty());
}

TEST_F(DeviceListTest, MissingClassEndsTheRefreshWithWhatWasGathered) {
  AddDisk(Family::PlainAta, DiskPath(u"scsi#disk#1"), 1);
  // The optical class of this source cannot be obtained.
  FakeSource disksOnly(opener);
  disksOnly.Add(InterfaceClass::Disk, DiskPath(u"scsi#disk#1"));
  DeviceList list(opener, disksOnly, DeviceList::kDisks | DeviceList::kOpticalDrives);
  EXPECT_EQ(list.Refresh(), 0);
  EXPECT_EQ(list.Snapshot()->disks.size(), 1u);

  FakeSource opticalOnly(opener);
  opticalOnly.Add(InterfaceClass::Cdrom, CdromPath(u"scsi#cdrom#1"));
  AddOptical(CdromPath(u"scsi#cdrom#1"), 0);
  DeviceList noDisks(opener, opticalOnly, DeviceList::kDisks | DeviceList::kOpticalDrives);
  EXPECT_EQ(noDisks.Refresh(), 0);
  EXPECT_TRUE(noDisks.Snapshot()->opticalDrives.empty());  // not walked after the failure
}

TEST_F(DeviceListTest, PortableDevicesWithoutTheirManagerEndTheRefresh) {
  AddDisk(Family::PlainAta, DiskPath(u"scsi#disk#1"), 1);
  AddOptical(CdromPath(u"scsi#cdrom#1"), 0);
  source.Add(InterfaceClass::PortableDevice, u"\\\\?\\swd#wpdbusenum#phone");
  testing::FakePortableDevices missing;  // as under Wine: the system has no manager
  missing.SetManagerMissing(true);
  for (PortableDevices* portable : {static_cast<PortableDevices*>(nullptr), static_cast<PortableDevices*>(&missing)}) {
    const auto list =
        Refreshed(DeviceList::kDisks | DeviceList::kOpticalDrives | DeviceList::kPortableDevices, portable);
    EXPECT_EQ(list->Refresh(), 0);
    EXPECT_EQ(list->Snapshot()->disks.size(), 1u);
    EXPECT_EQ(list->Snapshot()->opticalDrives.size(), 1u);
    EXPECT_TRUE(list->Snapshot()->portableDevices.empty());
    EXPECT_EQ(list->CountPortableDevices(), 0u);
  }
}

// --- portable devices ----------------------------------------------------------------

class PortableDeviceListTest : public DeviceListTest {
 protected:
  // Interfaces in this order, each described to the fake by its upper-case path.
  void Add(std::u16string path, testing::FakePortableDevices::Device device,
           std::optional<std::u16string> parent = std::nullopt) {
    portable.Set(ToUpperPath(path), std::move(device));
    source.Add(InterfaceClass::PortableDevice, std::move(path), std::move(parent));
  }
  testing::FakePortableDevices portable;
};

TEST_F(PortableDeviceListTest, DevicesAreListedInOrderWithTheirStorageAndWholeIdentifiers) {
  const std::u16string phonePath = u"\\\\?\\usb#vid_04e8&pid_6860&ms_comp_mtp#phone" + std::u16string(200, u'x');
  const std::u16string longObject = u"STORAGE-" + std::u16string(40, u'7');
  Add(phonePath, {u"Phone", u"A Maker of Many Phones", u"s10001", StorageSpace{32ull << 30, 1ull << 30}},
      u"USB\\VID_04E8&PID_6860\\R58M");
  Add(u"\\\\?\\swd#wpdbusenum#refuses", {u"", u"", u"s1", std::nullopt, /*openFails=*/true});
  Add(u"\\\\?\\swd#wpdbusenum#card", {u"", u"", u"E:\\", StorageSpace{1, 1}});  // a mass-storage volume
  Add(u"\\\\?\\swd#wpdbusenum#short", {u"", u"", u"E:", StorageSpace{1ull << 20, 0}});
  Add(u"\\\\?\\swd#wpdbusenum#player", {u"", u"", longObject, StorageSpace{1ull << 30, 0}});
  Add(u"\\\\?\\swd#wpdbusenum#bare", {});  // no storage at all
  Add(u"\\\\?\\swd#wpdbusenum#end", {u"", u"", u"", std::nullopt, false, /*noDeviceObject=*/true});
  Add(u"\\\\?\\swd#wpdbusenum#never", {});

  const auto list = Refreshed(0, &portable);
  EXPECT_EQ(list->Refresh(DeviceList::kPortableDevices), 1);
  const auto devices = list->Snapshot()->portableDevices;
  ASSERT_EQ(devices.size(), 4u);
  const DeviceInfo& phone = devices[0].record;
  EXPECT_EQ(phone.kind, PortableDevice);
  EXPECT_EQ(phone.busType, BusUsb);
  EXPECT_EQ(phone.usb.usbProductId, 0x6860u);
  EXPECT_EQ(GetText(phone.usb.usbSerial), u"R58M");
  EXPECT_EQ(GetText(phone.portable.manufacturer), u"A Maker of Many ") << "cut at its field";
  EXPECT_EQ(GetText(phone.portable.storageObjectId), u"s10001");
  EXPECT_EQ(GetText(phone.portable.devicePath), ToUpperPath(phonePath).substr(0, 128));
  EXPECT_EQ(devices[0].devicePath, ToUpperPath(phonePath)) << "the whole path opens the device";
  EXPECT_EQ(phone.lastLba, (32ull << 30) / 512);
  EXPECT_EQ(phone.bytesPerSector, 512u);

  EXPECT_EQ(GetText(devices[1].record.portable.storageObjectId), u"E:") << "too short for a drive letter";
  EXPECT_EQ(GetText(devices[2].record.portable.storageObjectId), longObject.substr(0, 20));
  EXPECT_EQ(devices[2].storageObjectId, longObject);
  EXPECT_EQ(devices[2].record.lastLba, (1ull << 30) / 512) << "the capacity of the whole identifier";
  EXPECT_EQ(GetText(devices[3].record.portable.devicePath), u"\\\\?\\SWD#WPDBUSENUM#BARE");
  EXPECT_EQ(devices[3].storageObjectId, u"");
  EXPECT_EQ(devices[3].record.lastLba, 0u);
  EXPECT_EQ(devices[3].record.bytesPerSector, 0u);

  const auto asked = portable.Asked();
  EXPECT_EQ(asked.sessions, 1);
  EXPECT_EQ(asked.opens, 5) << "the refused and the last two were never open";
  EXPECT_EQ(asked.openDevices, 0) << "each closed before the next";
  EXPECT_EQ(asked.capacityReads, 3) << "none for the volume, none without storage";
}

TEST_F(PortableDeviceListTest, TheCountSkipsTheCapacityButKeepsTheFilterAndLeavesTheList) {
  Add(u"\\\\?\\swd#wpdbusenum#phone", {u"", u"", u"s1", StorageSpace{1ull << 30, 0}});
  Add(u"\\\\?\\swd#wpdbusenum#card", {u"", u"", u"F:\\DCIM", StorageSpace{1, 1}});
  Add(u"\\\\?\\swd#wpdbusenum#refuses", {u"", u"", u"", std::nullopt, true});
  const auto list = Refreshed(DeviceList::kPortableDevices, &portable);
  const auto before = list->Snapshot();
  ASSERT_EQ(before->portableDevices.size(), 1u);
  const auto listing = portable.Asked();

  Add(u"\\\\?\\swd#wpdbusenum#player", {});
  EXPECT_EQ(list->CountPortableDevices(), 2u);
  const auto asked = portable.Asked();
  EXPECT_EQ(asked.capacityReads, listing.capacityReads);
  EXPECT_EQ(asked.manufacturerReads, listing.manufacturerReads);
  EXPECT_EQ(asked.openDevices, 0);
  EXPECT_EQ(list->Snapshot(), before) << "the list is left as it was";
}

TEST_F(DeviceListTest, LookupsByDriveNumber) {
  AddDisk(Family::PlainAta, DiskPath(u"scsi#disk#1"), 1)->product = "FIRST";
  AddDisk(Family::PlainAta, DiskPath(u"scsi#disk#2"), 1)->product = "SECOND";  // same number
  auto unnumbered = AddDisk(Family::PlainAta, DiskPath(u"scsi#disk#3"), 3);
  unnumbered->FailIoctl(kIoctlStorageGetDeviceNumber, Fault::TransportError());
  unnumbered->FailIoctl(kIoctlDiskPerformance, Fault::TransportError());
  AddOptical(CdromPath(u"scsi#cdrom#1"), 5);

  const auto list = Refreshed(DeviceList::kDisks | DeviceList::kOpticalDrives);
  ASSERT_EQ(list->Snapshot()->disks.size(), 3u);
  ASSERT_EQ(list->Snapshot()->disks[2].driveNumber, kNoDeviceNumber);

  const auto first = list->FindDisk(1);
  ASSERT_TRUE(first);
  EXPECT_EQ(GetText(first->drive.product), u"FIRST");
  EXPECT_FALSE(list->FindDisk(kNoDeviceNumber));
  EXPECT_FALSE(list->FindDisk(5));
  EXPECT_TRUE(list->FindOpticalDrive(5));
  EXPECT_FALSE(list->FindOpticalDrive(1));
  EXPECT_FALSE(list->FindOpticalDrive(kNoDeviceNumber));
}

// --- handles and threads -----------------------------------------------------------

TEST_F(DeviceListTest, NoDeviceIsHeldOpenBetweenDevicesOrAfterTheRefresh) {
  AddDisk(Family::PlainAta, DiskPath(u"ide#disk#1"), 0);
  AddDisk(Family::Sat, DiskPath(u"usbstor#disk&ven_varnkeld#2"), 1, u"USB\\VID_0411&PID_0300\\S")->product = "P";
  AddDisk(Family::Jm, DiskPath(u"usbstor#disk&ven_varnkeld#3"), 2, u"USB\\VID_0411&PID_0300\\J");
  AddOptical(CdromPath(u"scsi#cdrom#1"), 0);
  const auto list = Refreshed(DeviceList::kDisks | DeviceList::kOpticalDrives);
  EXPECT_EQ(list->Snapshot()->disks.size(), 3u);
  ASSERT_GE(source.openAtNext.size(), 6u);  // four devices and two ends of class
  for (int open : source.openAtNext) EXPECT_EQ(open, 0);
  EXPECT_EQ(opener.OpenChannels(), 0);
}

TEST_F(DeviceListTest, OneDiskCostsAFixedSetOfRequests) {
  auto disk = AddDisk(Family::PlainAta, DiskPath(u"scsi#disk#1"), 1);
  Refreshed(DeviceList::kDisks);
  std::vector<uint32_t> codes;
  for (const auto& r : disk->Ioctls()) codes.push_back(r.code);
  EXPECT_EQ(codes, (std::vector<uint32_t>{kIoctlScsiPassThrough, kIoctlScsiPassThrough,
                                          kIoctlStorageGetDeviceNumber, kIoctlStorageGetHotplugInfo}));
  ASSERT_EQ(disk->Cdbs().size(), 2u);
  EXPECT_EQ(disk->Cdbs()[0].cdb[0], 0x12);  // INQUIRY
  EXPECT_EQ(disk->Cdbs()[0].length, 56u);
  EXPECT_EQ(disk->Cdbs()[1].cdb[0], 0x25);  // READ CAPACITY(10)
}

TEST_F(DeviceListTest, ReadersKeepAWholeSnapshotWhileRefreshesRun) {
  for (uint32_t n = 0; n < 4; ++n) AddDisk(Family::PlainAta, DiskPath(u"scsi#disk#" + std::u16string(1, u'0' + n)), n);
  const auto list = Refreshed(DeviceList::kDisks);
  const auto before = list->Snapshot();

  std::atomic<bool> done{false};
  std::atomic<int> torn{0};
  std::thread reader([&] {
    while (!done) {
      const auto snapshot = list->Snapshot();
      if (snapshot->disks.size() != 4) ++torn;
      for (uint32_t n = 0; n < snapshot->disks.size(); ++n)
        if (snapshot->disks[n].driveNumber != n) ++torn;
    }
  });
  for (int i = 0; i < 20; ++i) EXPECT_EQ(list->Refresh(), 1);
  done = true;
  reader.join();

  EXPECT_EQ(torn, 0);
  EXPECT_EQ(before->disks.size(), 4u);  // an old snapshot stays whole
  EXPECT_NE(before, list->Snapshot());
}

}  // namespace
}  // namespace tavolen
