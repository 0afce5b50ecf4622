#include "control/device/DeviceInfo.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace tavolen {
namespace {

std::u16string Repeat(char16_t c, std::size_t n) { return std::u16string(n, c); }

TEST(DeviceInfoText, ShortTextIsStoredWhole) {
  DeviceInfo info = ZeroDeviceInfo();
  SetText(info.drive.vendor, u"TAVO");
  EXPECT_EQ(GetText(info.drive.vendor), u"TAVO");
}

TEST(DeviceInfoText, EveryFieldCutsOverlongTextAtItsCapacity) {
  DeviceInfo info = ZeroDeviceInfo();
  const std::u16string longText = Repeat(u'x', 500);
  SetText(info.drive.vendor, longText);
  SetText(info.drive.product, longText);
  SetText(info.drive.revision, longText);
  SetText(info.drive.vendorSpecific, longText);
  SetText(info.drive.instanceId, longText);
  EXPECT_EQ(GetText(info.drive.vendor).size(), 8u);
  EXPECT_EQ(GetText(info.drive.product).size(), 16u);
  EXPECT_EQ(GetText(info.drive.revision).size(), 4u);
  EXPECT_EQ(GetText(info.drive.vendorSpecific).size(), 20u);
  EXPECT_EQ(GetText(info.drive.instanceId).size(), 80u);
  EXPECT_EQ(info.drive.instanceId[80], u'\0');

  SetText(info.ide.ideSerial, longText);
  EXPECT_EQ(GetText(info.ide.ideSerial).size(), 20u);
  SetText(info.ieee1394.ieee1394Id, longText);
  EXPECT_EQ(GetText(info.ieee1394.ieee1394Id).size(), 18u);
  SetText(info.usb.usbSerial, longText);
  EXPECT_EQ(GetText(info.usb.usbSerial).size(), 64u);

  SetText(info.portable.manufacturer, longText);
  SetText(info.portable.storageObjectId, longText);
  SetText(info.portable.devicePath, longText);
  EXPECT_EQ(GetText(info.portable.manufacturer).size(), 16u);
  EXPECT_EQ(GetText(info.portable.storageObjectId).size(), 20u);
  EXPECT_EQ(GetText(info.portable.devicePath).size(), 128u);
}

TEST(DeviceInfoText, CuttingNeverTouchesTheNextField) {
  DeviceInfo info = ZeroDeviceInfo();
  SetText(info.drive.product, u"PRODUCT");
  SetText(info.drive.vendor, Repeat(u'V', 40));
  EXPECT_EQ(GetText(info.drive.product), u"PRODUCT");

  info.usb.usbVendorId = 0x1234;
  info.usb.usbProductId = 0x5678;
  SetText(info.drive.instanceId, Repeat(u'I', 300));
  SetText(info.portable.devicePath, Repeat(u'P', 300));  // the last field of the shared space
  EXPECT_EQ(info.usb.usbVendorId, 0x1234u);
  EXPECT_EQ(info.usb.usbProductId, 0x5678u);
}

TEST(DeviceInfoText, RewritingAShorterTextClearsTheRestOfTheField) {
  DeviceInfo info = ZeroDeviceInfo();
  SetText(info.drive.product, u"LONG PRODUCT TXT");
  SetText(info.drive.product, u"AB");
  EXPECT_EQ(GetText(info.drive.product), u"AB");
  for (std::size_t i = 2; i < 17; ++i) EXPECT_EQ(info.drive.product[i], u'\0') << i;
}

TEST(DeviceInfoText, TextStopsAtAnEmbeddedNul) {
  DeviceInfo info = ZeroDeviceInfo();
  SetText(info.drive.vendor, std::u16string(u"AB\0CD", 5));
  EXPECT_EQ(GetText(info.drive.vendor), u"AB");
}

TEST(DeviceInfoText, ReadingAFieldWithoutNulStopsAtItsEnd) {
  DeviceInfo info = ZeroDeviceInfo();
  for (auto& c : info.drive.vendor) c = u'Z';  // no terminator inside the field
  SetText(info.drive.product, u"NEXT");
  EXPECT_EQ(GetText(info.drive.vendor), Repeat(u'Z', 9));
}

TEST(DeviceInfoRecord, StartsZeroAndCopiesWhole) {
  const DeviceInfo zero = ZeroDeviceInfo();
  const unsigned char* bytes = reinterpret_cast<const unsigned char*>(&zero);
  for (std::size_t i = 0; i < sizeof zero; ++i) ASSERT_EQ(bytes[i], 0) << i;

  DeviceInfo a = ZeroDeviceInfo();
  a.kind = FixedDisk;
  a.driveNumber = 3;
  a.lastLba = 0x123456789ull;
  SetText(a.drive.vendor, u"VENDOR");
  SetText(a.usb.usbSerial, u"SERIAL");
  const DeviceInfo b = a;
  EXPECT_EQ(std::memcmp(&a, &b, sizeof a), 0);
}

}  // namespace
}  // namespace tavolen
