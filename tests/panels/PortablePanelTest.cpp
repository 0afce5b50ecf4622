// What a portable-device row shows: its record, its label, its size line and bar, and
// the shell path of the device.
#include "control/panels/PortablePanel.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace tavolen {
namespace {

TEST(PortablePanel, TheSizeLineShowsTheFreeSpaceInTheUnitOfTheCapacity) {
  struct Case {
    std::optional<StorageSpace> space;
    std::u16string text;
    uint32_t bar;
  };
  const Case cases[] = {
      {StorageSpace{16ull << 30, 500ull << 20}, u"Free 0.5 GB", 97},  // a phone: the unit follows the capacity
      {StorageSpace{512ull << 20, 128ull << 20}, u"Free 128.0 MB", 75},
      {StorageSpace{1ull << 30, 1ull << 30}, u"Free 1.0 GB", 0},  // exactly 1 GiB is GB
      {StorageSpace{(1ull << 30) - 1, 0}, u"Free 0.0 MB", 99},   // full: 99, not 100
      {StorageSpace{0, 0}, u"Free 0.0 MB", 99},                   // no capacity
      {StorageSpace{1ull << 30, 5ull << 30}, u"Free 1.0 GB", 0},  // more free than capacity: as much as the capacity
      {StorageSpace{1ull << 63, 1ull << 61}, u"Free 2147483648.0 GB", 75},  // free times 100 would overflow
      {std::nullopt, u"", 0},                                               // unread
  };
  for (const Case& c : cases) {
    const PortableCapacityLine line = PortableCapacity(c.space, u"Free");
    EXPECT_EQ(line.text, c.text);
    EXPECT_EQ(line.barPosition, c.bar) << std::string(c.text.begin(), c.text.end());
  }
}

TEST(PortablePanel, TheLabelIsTheFriendlyNameAsItsBufferHoldsIt) {
  EXPECT_EQ(PortableLabelText(std::nullopt), u"");
  EXPECT_EQ(PortableLabelText(u"Phone"), u"Phone");
  EXPECT_EQ(PortableLabelText(std::u16string(u"Pho\0ne", 6)), u"Pho");
  EXPECT_EQ(PortableLabelText(std::u16string(300, u'n')).size(), 259u);
}

TEST(PortablePanel, ARowCopiesItsRecordOnlyFromWithinTheList) {
  DeviceSnapshot devices;
  DeviceInfo phone = ZeroDeviceInfo();
  phone.kind = PortableDevice;
  devices.portableDevices.push_back(PortableDeviceEntry{phone, u"\\\\?\\SWD#WPDBUSENUM#PHONE", u"s1"});

  EXPECT_EQ(PortableEntryAt(devices, 0).devicePath, u"\\\\?\\SWD#WPDBUSENUM#PHONE");
  const PortableDeviceEntry past = PortableEntryAt(devices, 1);
  EXPECT_EQ(past.record.kind, 0u);
  EXPECT_EQ(past.devicePath, u"");
  EXPECT_EQ(PortableShellPath(past.devicePath), u"") << "nothing to name";
  EXPECT_EQ(PortableShellPath(u"\\\\?\\SWD#WPDBUSENUM#PHONE"),
            u"::{20D04FE0-3AEA-1069-A2D8-08002B30309D}\\\\\\?\\SWD#WPDBUSENUM#PHONE");
}

}  // namespace
}  // namespace tavolen
