#include "control/device/DeviceIdentity.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <string>

#include "control/device/SystemDrive.h"

namespace tavolen {
namespace {

// --- bus and instance identifiers from the interface path --------------------------

TEST(BusRecognition, EachBusByItsKeyword) {
  EXPECT_EQ(RecognizeBus(u"\\\\?\\IDE#DISKST3500_____#5&1&0&0.0.0#{53F56307}"), BusIde);
  EXPECT_EQ(RecognizeBus(u"\\\\?\\USBSTOR#DISK&VEN_X&PROD_Y#0001&0#{53F56307}"), BusUsb);
  EXPECT_EQ(RecognizeBus(u"\\\\?\\USB#VID_1234&PID_5678#0001#{53F56307}"), BusUsb);
  EXPECT_EQ(RecognizeBus(u"\\\\?\\SBP2#VENDOR&PROD&LUN0#1&2#{53F56307}"), Bus1394);
  EXPECT_EQ(RecognizeBus(u"\\\\?\\1394#VENDOR&DEV#0030E0#{53F56307}"), Bus1394);
  EXPECT_EQ(RecognizeBus(u"\\\\?\\SCSI#DISK&VEN_X&PROD_Y#4&0&000#{53F56307}"), BusScsi);
  EXPECT_EQ(RecognizeBus(u"\\\\?\\STORAGE#VOLUME#1&30A96598&0#{53F56307}"), BusNone);
}

TEST(BusRecognition, OnlyTheBusPartBeforeTheFirstHashCounts) {
  const struct {
    std::u16string_view path;
    BusType bus;
  } cases[] = {
      // Bus names inside the product text behind the bus part do not count.
      {u"\\\\?\\USBSTOR#DISK&VEN_X&PROD_WIDEDRIVE#0001#{53F56307}", BusUsb},
      {u"\\\\?\\SCSI#DISK&VEN_GUIDE#4&0&000#{53F56307}", BusScsi},
      {u"\\\\?\\SCSI#DISK&VEN_X&PROD_USB1394#4&0&000#{53F56307}", BusScsi},
      {u"\\\\?\\STORAGE#VOLUME&PROD_IDE_SCSI#1&30A96598&0#{53F56307}", BusNone},
      // Without a '#' the whole path is the bus part; without the leading "\\?\" as well.
      {u"\\\\?\\IDE", BusIde},
      {u"SCSI#DISK&VEN_IDE#1", BusScsi},
      {u"", BusNone},
      {u"\\\\?\\", BusNone},
      {u"\\\\?\\#IDE#USB#SCSI", BusNone},
  };
  for (const auto& c : cases)
    EXPECT_EQ(RecognizeBus(c.path), c.bus) << std::string(c.path.begin(), c.path.end());
}

TEST(BusRecognition, IdeBeforeUsbBeforeIeee1394BeforeScsi) {
  EXPECT_EQ(RecognizeBus(u"\\\\?\\SCSIUSBIDE#X"), BusIde);
  EXPECT_EQ(RecognizeBus(u"\\\\?\\SCSI1394USB#X"), BusUsb);
  EXPECT_EQ(RecognizeBus(u"\\\\?\\SCSISBP2#X"), Bus1394);
}

TEST(BusRecognition, KeywordsAreMatchedInTheUpperCasePath) {
  const std::u16string upper = ToUpperPath(u"\\\\?\\scsi#disk&ven_x#4&0&000#{53f56307}");
  EXPECT_EQ(upper, u"\\\\?\\SCSI#DISK&VEN_X#4&0&000#{53F56307}");
  EXPECT_EQ(RecognizeBus(upper), BusScsi);
}

TEST(InstanceIds, IdePathDropsPrefixAndInterfaceClass) {
  EXPECT_EQ(IdeInstanceId(u"\\\\?\\IDE#DISKST3500418AS_____CC38#5&2D1C3B0E&0&0.0.0#{53F56307-B6BF}"),
            u"IDE\\DISKST3500418AS_____CC38\\5&2D1C3B0E&0&0.0.0");
}

TEST(InstanceIds, ScsiPathDropsPrefixAndInterfaceClass) {
  EXPECT_EQ(ScsiInstanceId(u"\\\\?\\SCSI#DISK&VEN_TAVO&PROD_SIM#4&1A2B&0&000100#{53F56307-B6BF}"),
            u"SCSI\\DISK&VEN_TAVO&PROD_SIM\\4&1A2B&0&000100");
}

TEST(InstanceIds, ShortAndSeparatorlessPathsStayInBounds) {
  EXPECT_EQ(IdeInstanceId(u""), u"");
  EXPECT_EQ(IdeInstanceId(u"\\\\?\\"), u"");
  EXPECT_EQ(IdeInstanceId(u"\\\\?\\IDE"), u"IDE");
  EXPECT_EQ(ScsiInstanceId(u"#"), u"");
  EXPECT_EQ(ScsiInstanceId(u"\\\\?\\SCSI"), u"SCSI");
  EXPECT_EQ(ScsiInstanceId(u"\\\\#SCSI"), u"");
}

// --- USB and IEEE 1394 identifiers from the parent's instance identifier ----------

TEST(UsbInstanceId, VendorProductAndSerial) {
  const UsbIds ids = ParseUsbInstanceId(u"USB\\VID_1234&PID_5678\\ABC");
  EXPECT_EQ(ids.vendorId, 0x1234u);
  EXPECT_EQ(ids.productId, 0x5678u);
  EXPECT_EQ(ids.serial, u"ABC");
}

TEST(UsbInstanceId, HexDigitsOfEitherCase) {
  const UsbIds upper = ParseUsbInstanceId(u"USB\\VID_0BC2&PID_AB3F\\NA0123");
  EXPECT_EQ(upper.vendorId, 0x0BC2u);
  EXPECT_EQ(upper.productId, 0xAB3Fu);
  const UsbIds lower = ParseUsbInstanceId(u"USB\\VID_0bc2&PID_ab3f\\NA0123");
  EXPECT_EQ(lower.vendorId, 0x0BC2u);
  EXPECT_EQ(lower.productId, 0xAB3Fu);
  EXPECT_EQ(lower.serial, u"NA0123");
}

TEST(UsbInstanceId, ProductIdIsSearchedBehindTheVendorId) {
  const UsbIds ids = ParseUsbInstanceId(u"USB\\PID_9999&VID_0411&PID_0147\\S1");
  EXPECT_EQ(ids.vendorId, 0x0411u);
  EXPECT_EQ(ids.productId, 0x0147u);
  EXPECT_EQ(ids.serial, u"S1");
}

TEST(UsbInstanceId, MissingOrMalformedPartsReadAsZeroAndEmpty) {
  const UsbIds none = ParseUsbInstanceId(u"USB\\ROOT_HUB20\\4&1");
  EXPECT_EQ(none.vendorId, 0u);
  EXPECT_EQ(none.productId, 0u);
  EXPECT_EQ(none.serial, u"");

  const UsbIds cut = ParseUsbInstanceId(u"USB\\VID_12");
  EXPECT_EQ(cut.vendorId, 0u);

  const UsbIds noSerial = ParseUsbInstanceId(u"USB\\VID_1234&PID_5678");
  EXPECT_EQ(noSerial.productId, 0x5678u);
  EXPECT_EQ(noSerial.serial, u"");
  const UsbIds onlySeparator = ParseUsbInstanceId(u"USB\\VID_1234&PID_5678\\");
  EXPECT_EQ(onlySeparator.serial, u"");

  const UsbIds notHex = ParseUsbInstanceId(u"USB\\VID_12G4&PID_56&8\\X");
  EXPECT_EQ(notHex.vendorId, 0u);
  EXPECT_EQ(notHex.productId, 0u);
  EXPECT_EQ(notHex.serial, u"X");
}

TEST(Ieee1394InstanceId, TextAfterTheLastBackslash) {
  EXPECT_EQ(Ieee1394IdFromInstanceId(u"1394\\VARNKELD&DISK\\0030E0F4E0123456"), u"0030E0F4E0123456");
  EXPECT_EQ(Ieee1394IdFromInstanceId(u"NOBACKSLASH"), u"NOBACKSLASH");
  EXPECT_EQ(Ieee1394IdFromInstanceId(u"1394\\ENDS\\"), u"");
}

// --- IDENTIFY serial ----------------------------------------------------------------

TEST(IdeSerial, WordsAreByteSwappedAndRightAligned) {
  std::array<uint8_t, 512> identify{};
  const char serial[] = "WD-WCAV12345678     ";  // 20 characters as the drive means them
  for (std::size_t i = 0; i < 20; ++i) identify[20 + (i ^ 1)] = uint8_t(serial[i]);
  EXPECT_EQ(IdeSerialFromIdentify(identify.data()), u"WD-WCAV12345678     ");

  std::array<uint8_t, 512> shortSerial{};
  const char text[] = "AB12";
  for (std::size_t i = 0; i < 4; ++i) shortSerial[20 + (i ^ 1)] = uint8_t(text[i]);
  shortSerial[30] = 'X';  // behind the terminating NUL: not part of the serial
  EXPECT_EQ(IdeSerialFromIdentify(shortSerial.data()), u"                AB12");
}

// --- INQUIRY ----------------------------------------------------------------------

std::array<uint8_t, kInquiryLength> Inquiry(const char* vendor, const char* product, const char* revision,
                                            const char* vendorSpecific) {
  std::array<uint8_t, kInquiryLength> b{};
  auto put = [&b](std::size_t at, std::size_t length, const char* text) {
    std::memcpy(&b[at], text, std::min(std::strlen(text), length));
  };
  put(8, 8, vendor);
  put(16, 16, product);
  put(32, 4, revision);
  put(36, 20, vendorSpecific);
  return b;
}

TEST(InquiryIdentity, FieldsAreTrimmedAtBothEnds) {
  DeviceInfo info = ZeroDeviceInfo();
  const auto answer = Inquiry(" TAVO   ", "  SIM DISK 1    ", "2.1 ", "\tj339 serial 0001   ");
  ApplyInquiry(info, answer.data(), InquiryTarget::Disk);
  EXPECT_EQ(GetText(info.drive.vendor), u"TAVO");
  EXPECT_EQ(GetText(info.drive.product), u"SIM DISK 1");
  EXPECT_EQ(GetText(info.drive.revision), u"2.1");
  EXPECT_EQ(GetText(info.drive.vendorSpecific), u"j339 serial 0001");
}

TEST(InquiryIdentity, FullWidthFieldsDoNotRunIntoTheNextField) {
  DeviceInfo info = ZeroDeviceInfo();
  const auto answer = Inquiry("VARNKELD", "ABCDEFGHIJKLMNOP", "1234", "abcdefghijklmnopqrst");
  ApplyInquiry(info, answer.data(), InquiryTarget::Disk);
  EXPECT_EQ(GetText(info.drive.vendor), u"VARNKELD");
  EXPECT_EQ(GetText(info.drive.product), u"ABCDEFGHIJKLMNOP");
  EXPECT_EQ(GetText(info.drive.revision), u"1234");
  EXPECT_EQ(GetText(info.drive.vendorSpecific), u"abcdefghijklmnopqrst");
}

TEST(InquiryIdentity, TextEndsAtTheFirstNul) {
  DeviceInfo info = ZeroDeviceInfo();
  auto answer = Inquiry("AB", "PRODUCT", "1.0", "");
  answer[11] = 'Z';  // behind the NUL at byte 10
  ApplyInquiry(info, answer.data(), InquiryTarget::Disk);
  EXPECT_EQ(GetText(info.drive.vendor), u"AB");
}

TEST(InquiryIdentity, EmptyRevisionReadsOneDotZeroZeroForDisksOnly) {
  const auto answer = Inquiry("TAVO", "USB DISK", "", "");
  DeviceInfo disk = ZeroDeviceInfo();
  ApplyInquiry(disk, answer.data(), InquiryTarget::Disk);
  EXPECT_EQ(GetText(disk.drive.revision), u"1.00");

  DeviceInfo optical = ZeroDeviceInfo();
  ApplyInquiry(optical, answer.data(), InquiryTarget::Optical);
  EXPECT_EQ(GetText(optical.drive.revision), u"");
}

TEST(InquiryIdentity, ABlankRevisionIsNotEmptyInItsFirstByte) {
  // Only a NUL first byte means "no revision"; spaces trim to an empty text.
  const auto answer = Inquiry("TAVO", "USB DISK", "    ", "");
  DeviceInfo disk = ZeroDeviceInfo();
  ApplyInquiry(disk, answer.data(), InquiryTarget::Disk);
  EXPECT_EQ(GetText(disk.drive.revision), u"");
}

// --- device number, hot-plug state and kinds ---------------------------------------

TEST(DriveNumber, DeviceNumberFirstThenPerformanceThenNone) {
  const StorageDeviceNumber number{7, 2, 0};
  DiskPerformance performance;
  performance.storageDeviceNumber = 5;
  EXPECT_EQ(ChooseDriveNumber(number, performance), 2u);
  EXPECT_EQ(ChooseDriveNumber(std::nullopt, performance), 5u);
  EXPECT_EQ(ChooseDriveNumber(std::nullopt, std::nullopt), kNoDeviceNumber);
  EXPECT_EQ(ChooseDriveNumber(StorageDeviceNumber{7, 0, 0}, std::nullopt), 0u);
}

TEST(Hotplug, TheIoctlAnswerDecides) {
  StorageHotplugInfo answer;
  answer.deviceHotplug = 1;
  answer.mediaRemovable = 0;
  DiskGeometry removable;
  removable.mediaType = kMediaTypeRemovable;
  const HotplugState state = DecideHotplug(answer, u"\\\\?\\SCSI#DISK", removable);
  EXPECT_TRUE(state.deviceHotplug);
  EXPECT_FALSE(state.mediaRemovable);
}

TEST(Hotplug, WithoutTheIoctlPathAndGeometryDecide) {
  DiskGeometry fixed;
  fixed.mediaType = kMediaTypeFixed;
  DiskGeometry removable;
  removable.mediaType = kMediaTypeRemovable;

  const HotplugState usbFixed = DecideHotplug(std::nullopt, u"\\\\?\\USBSTOR#DISK", fixed);
  EXPECT_TRUE(usbFixed.deviceHotplug);
  EXPECT_FALSE(usbFixed.mediaRemovable);
  EXPECT_EQ(DiskKind(usbFixed), ExternalDisk);

  const HotplugState scsiRemovable = DecideHotplug(std::nullopt, u"\\\\?\\SCSI#DISK", removable);
  EXPECT_FALSE(scsiRemovable.deviceHotplug);
  EXPECT_TRUE(scsiRemovable.mediaRemovable);
  EXPECT_EQ(DiskKind(scsiRemovable), RemovableDisk);

  const HotplugState noGeometry = DecideHotplug(std::nullopt, u"\\\\?\\USBSTOR#DISK", std::nullopt);
  EXPECT_FALSE(noGeometry.mediaRemovable);
}

TEST(Kinds, OpticalKindByPathAndProfile) {
  EXPECT_EQ(OpticalKind(u"\\\\?\\IDE#CDROMX#1#{53F56308}", true), OpticalDrive);
  EXPECT_EQ(OpticalKind(u"\\\\?\\USBSTOR#CDROM&VEN_X#1#{53F56308}", true), UsbOpticalDrive);
  EXPECT_EQ(OpticalKind(u"\\\\?\\USBSTOR#CDROM&VEN_X#1#{53F56308}", false), OpticalNoProfile);
  EXPECT_EQ(OpticalKind(u"\\\\?\\SCSI#CDROM#1#{53F56308}", false), OpticalNoProfile);
}

}  // namespace
}  // namespace tavolen
