// Device icons: the lookup order and fallbacks on a table of the test's own, and the
// shipped rows matching no device until they are filled in.
#include <gtest/gtest.h>

#include "control/panels/DeviceIconTable.h"
#include "tests/panels/PanelTestSupport.h"

using namespace tavolen;
using tavolen::testing::DriveRecord;
using tavolen::testing::Ieee1394Record;
using tavolen::testing::UsbRecord;

namespace {

const DeviceIconTable& TestTable() {
  static const DeviceIconTable table{
      u"HDD\\Array.ico",
      {{u"0030E0", u"HDD\\Firewire-A.ico"},
       {u"", u"HDD\\NeverMatches.ico"},
       {u"00D0", u"HDD\\Firewire-B.ico"},
       {u"0030E0FF", u"HDD\\NeverReached.ico"},
       {u"BEEF", u"MO\\Firewire-MO.ico"}},
      0x0A11,
      {{0x0101, u"HDD\\Portable-101.ico"}, {0x0250, u"CD,DVD\\Slim-250.ico"}, {0x0300, u""}},
      u"HDD\\Generic.ico",
  };
  return table;
}

std::optional<std::u16string> Icon(const DeviceInfo& record) { return DeviceIconPath(record, TestTable()); }

}  // namespace

TEST(DeviceIcon, ArrayProductTakesTheArrayIconWhateverItsBus) {
  EXPECT_EQ(Icon(UsbRecord(MakerDiskC, 0x9999, 0x9999)), u"HDD\\Array.ico");
  EXPECT_EQ(Icon(Ieee1394Record(MakerDiskC, u"FFFF")), u"HDD\\Array.ico");
  EXPECT_EQ(Icon(DriveRecord(MakerDiskC, 1)), u"HDD\\Array.ico");
}

TEST(DeviceIcon, Ieee1394PrefixesAreTriedInOrder) {
  EXPECT_EQ(Icon(Ieee1394Record(VarnkeldBridgeDisk, u"0030E0FF00112233")), u"HDD\\Firewire-A.ico");
  EXPECT_EQ(Icon(Ieee1394Record(ExternalDisk, u"1100D0AA")), u"HDD\\Firewire-B.ico") << "contained anywhere";
  EXPECT_EQ(Icon(Ieee1394Record(ExternalDisk, u"12BEEF")), u"MO\\Firewire-MO.ico");
  EXPECT_FALSE(Icon(Ieee1394Record(ExternalDisk, u"123456"))) << "an empty prefix matches nothing";
  EXPECT_FALSE(Icon(Ieee1394Record(ExternalDisk, u"")));
}

TEST(DeviceIcon, Ieee1394DevicesNeverFallThroughToTheUsbTable) {
  // The bus areas share their bytes: a 1394 record can hold what reads as the maker's ids.
  DeviceInfo record = UsbRecord(ExternalDisk, 0x0A11, 0x0101);
  record.busType = Bus1394;
  EXPECT_FALSE(Icon(record));
}

TEST(DeviceIcon, MakersUsbProductsByProductId) {
  EXPECT_EQ(Icon(UsbRecord(VarnkeldBridgeDisk, 0x0A11, 0x0101)), u"HDD\\Portable-101.ico");
  EXPECT_EQ(Icon(UsbRecord(UsbOpticalDrive, 0x0A11, 0x0250)), u"CD,DVD\\Slim-250.ico");
  EXPECT_EQ(IconFilePath(u"C:\\Tavolen", u"CD,DVD\\Slim-250.ico"), u"C:\\Tavolen\\icon\\CD,DVD\\Slim-250.ico");
}

TEST(DeviceIcon, UnlistedMakerDisksFallBackOnlyInThe01Range) {
  EXPECT_EQ(Icon(UsbRecord(ExternalDisk, 0x0A11, 0x01AB)), u"HDD\\Generic.ico");
  EXPECT_EQ(Icon(UsbRecord(ExternalDisk, 0x0A11, 0x0100)), u"HDD\\Generic.ico");
  EXPECT_EQ(Icon(UsbRecord(ExternalDisk, 0x0A11, 0x01FF)), u"HDD\\Generic.ico");
  EXPECT_FALSE(Icon(UsbRecord(ExternalDisk, 0x0A11, 0x02AB)));
  EXPECT_FALSE(Icon(UsbRecord(ExternalDisk, 0x0A11, 0x00FF)));
  EXPECT_FALSE(Icon(UsbRecord(ExternalDisk, 0x0A11, 0x101AB))) << "ids above 16 bits are not in range";
  EXPECT_FALSE(Icon(UsbRecord(ExternalDisk, 0x0A11, 0x0300))) << "a row without a file gives no icon";
}

TEST(DeviceIcon, OtherMakersAndOtherBusesGetNone) {
  EXPECT_FALSE(Icon(UsbRecord(ExternalDisk, 0x1234, 0x0101)));
  DeviceInfo ide = DriveRecord(FixedDisk, 0);
  ide.busType = BusIde;
  EXPECT_FALSE(Icon(ide));
  DeviceInfo scsi = DriveRecord(FixedDisk, 0);
  scsi.busType = BusScsi;
  EXPECT_FALSE(Icon(scsi));
}

TEST(DeviceIcon, VendorZeroIsNeverTheMakers) {
  DeviceIconTable table = TestTable();
  table.makerUsbVendorId = 0;
  EXPECT_FALSE(DeviceIconPath(UsbRecord(ExternalDisk, 0, 0x0101), table));
  EXPECT_FALSE(DeviceIconPath(UsbRecord(ExternalDisk, 0, 0x01AB), table));
}

TEST(DeviceIcon, ShippedPlaceholderRowsMatchNoDevice) {
  const DeviceIconTable& shipped = MakerIconTable();
  EXPECT_EQ(shipped.ieee1394.size(), 5u);
  EXPECT_GE(shipped.usb.size(), 45u);
  for (const auto& row : shipped.usb) {
    EXPECT_FALSE(DeviceIconPath(UsbRecord(ExternalDisk, 0, row.productId), shipped));
    const auto folder = row.icon.substr(0, row.icon.find(u'\\') + 1);
    EXPECT_TRUE(folder == u"HDD\\" || folder == u"CD,DVD\\" || folder == u"MO\\");
  }
  EXPECT_FALSE(DeviceIconPath(Ieee1394Record(ExternalDisk, u"0123456789ABCDEF"), shipped));
  // The array product needs no vendor id.
  EXPECT_TRUE(DeviceIconPath(DriveRecord(MakerDiskC, 0), shipped));
}

