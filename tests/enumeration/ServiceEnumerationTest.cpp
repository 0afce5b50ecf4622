// Enumeration through the service route end to end: the product's opener with every
// direct open refused, so that each request of the device list goes to the stand-in
// running as a process of its own (the 32-bit build, whatever this test's word size),
// which answers from simulated devices named by their interface paths.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "control/device/DeviceIdentity.h"
#include "control/device/DeviceInfo.h"
#include "control/device/DeviceList.h"
#include "control/device/win/Win32DeviceOpener.h"
#include "tests/enumeration/FakeSource.h"
#include "tests/service/ServiceProcess.h"
#include "control/device/win/ServiceClient.h"

namespace tavolen {
namespace {

// The stand-in runs in a console as this test's user, not as the service control manager
// runs the installed service: accepted as a server of the caller's own account.
const ServiceServerTrust kProductRule = SetServiceServerTrust(ServiceServerTrust::AlsoOwnAccount);

using test::FakeSource;
using test::ServiceProcess;

// Interface paths in lower case, as the system gives them; enumeration opens them in
// upper case, which is how the stand-in's set names them.
const std::u16string kFixedDisk =
    u"\\\\?\\scsi#disk&ven_tavosim&prod_sim_fixed_disk#4&1a2b&0&000000#{53f56307-b6bf-11d0-94f2-00a0c91efb8b}";
const std::u16string kUsbDisk =
    u"\\\\?\\usbstor#disk&ven_varnkeld&prod_sim_sat_disk&rev_1.00#0123456789ab&0#{53f56307-b6bf-11d0-94f2-00a0c91efb8b}";
const std::u16string kUsbParent = u"USB\\VID_0411&PID_01F0\\0123456789AB";
const std::u16string kOptical =
    u"\\\\?\\scsi#cdrom&ven_tavosim&prod_sim_optical#4&1a2b&0&000100#{53f56308-b6bf-11d0-94f2-00a0c91efb8b}";

std::string Ansi(const std::u16string& path) { return std::string(path.begin(), path.end()); }

// Every open refused as an open without administrator rights is; the paths are noted.
class RefusingOpens {
 public:
  DirectOpen Seam() {
    return [this](const std::u16string& path) {
      refused.push_back(path);
      ::SetLastError(ERROR_ACCESS_DENIED);
      return UniqueHandle();
    };
  }
  std::vector<std::u16string> refused;
};

// The service route, counting the requests it carries and those answered with success.
class CountingRoute {
 public:
  ServiceRoute Route() {
    return [this](const std::string& path, uint32_t code, const void* in, uint32_t inLength, void* out,
                  uint32_t outLength) {
      ++carried;
      paths.push_back(path);
      const bool ok = ServiceDeviceRoute(path, code, in, inLength, out, outLength);
      if (ok) ++succeeded;
      return ok;
    };
  }
  uint32_t carried = 0;
  uint32_t succeeded = 0;
  std::vector<std::string> paths;
};

// What a listed record says, beside what each device adds of its own.
struct Expected {
  uint32_t kind;
  uint32_t driveNumber;
  uint32_t busType;
  std::u16string vendor, product;
};

void ExpectRecord(const Expected& expected, const DeviceInfo& info) {
  EXPECT_EQ(expected.kind, info.kind);
  EXPECT_EQ(expected.driveNumber, info.driveNumber);
  EXPECT_EQ(expected.busType, info.busType);
  EXPECT_EQ(expected.vendor, GetText(info.drive.vendor));
  EXPECT_EQ(expected.product, GetText(info.drive.product));
  EXPECT_EQ(u"1.00", GetText(info.drive.revision));
}

// Each distinct path once, in order.
std::vector<std::string> Distinct(std::vector<std::string> paths) {
  std::sort(paths.begin(), paths.end());
  paths.erase(std::unique(paths.begin(), paths.end()), paths.end());
  return paths;
}

TEST(ServiceEnumeration, DisksAndOpticalDrivesAreListedFromTheStandInProcess) {
  std::printf("service program: %s\n", ServiceProcess::Program().c_str());
  ServiceProcess service = ServiceProcess::Simulating("0+" + Ansi(ToUpperPath(kFixedDisk)) + "=plain-ata,3+" +
                                                      Ansi(ToUpperPath(kUsbDisk)) + "=sat,cdrom1+" +
                                                      Ansi(ToUpperPath(kOptical)) + "=optical");
  ASSERT_TRUE(service.Listening());

  RefusingOpens opens;
  CountingRoute route;
  DeviceOpenerOptions options;
  options.directOpen = opens.Seam();
  options.serviceRoute = route.Route();
  Win32DeviceOpener opener(options);
  FakeSource source;
  source.Add(InterfaceClass::Disk, kFixedDisk);
  source.Add(InterfaceClass::Disk, kUsbDisk, kUsbParent);
  source.Add(InterfaceClass::Cdrom, kOptical);

  DeviceList list(opener, source, DeviceList::kDisks | DeviceList::kOpticalDrives);
  const auto snapshot = list.Snapshot();

  ASSERT_EQ(2u, snapshot->disks.size());
  const DeviceInfo& fixed = snapshot->disks[0];
  ExpectRecord({FixedDisk, 0, BusScsi, u"TAVOSIM", u"SIM FIXED DISK"}, fixed);
  EXPECT_EQ(u"SCSI\\DISK&VEN_TAVOSIM&PROD_SIM_FIXED_DISK\\4&1A2B&0&000000", GetText(fixed.drive.instanceId));
  EXPECT_EQ(976773167u, fixed.lastLba);
  EXPECT_EQ(512u, fixed.bytesPerSector);

  // A USB disk of the maker with a product id from 0x148: recognised as translating ATA
  // by an IDENTIFY sent to it by its number, which reached the same simulated disk.
  const DeviceInfo& usb = snapshot->disks[1];
  ExpectRecord({SatDisk, 3, BusUsb, u"VARNKELD", u"SIM SAT DISK"}, usb);
  EXPECT_EQ(kUsbParent, GetText(usb.drive.instanceId));
  EXPECT_EQ(0x0411u, usb.usb.usbVendorId);
  EXPECT_EQ(0x01F0u, usb.usb.usbProductId);
  EXPECT_EQ(976773167u, usb.lastLba);

  ASSERT_EQ(1u, snapshot->opticalDrives.size());
  const DeviceInfo& optical = snapshot->opticalDrives[0];
  ExpectRecord({OpticalDrive, 1, BusScsi, u"TAVOSIM", u"SIM OPTICAL"}, optical);  // its profile was read
  EXPECT_EQ(0u, optical.lastLba) << "an optical drive's capacity is not read";

  // Nothing was opened directly; every path went to the service as enumeration named it.
  ASSERT_FALSE(opens.refused.empty());
  std::vector<std::string> opened;
  for (const std::u16string& path : opens.refused) opened.push_back(Ansi(path));
  const std::vector<std::string> routed = Distinct(route.paths);
  EXPECT_EQ(Distinct(opened), routed);
  for (const std::u16string& path : {kFixedDisk, kUsbDisk, kOptical}) {
    EXPECT_NE(routed.end(), std::find(routed.begin(), routed.end(), Ansi(ToUpperPath(path)))) << Ansi(path);
  }
  EXPECT_NE(routed.end(), std::find(routed.begin(), routed.end(), "\\\\.\\PhysicalDrive3"))
      << "the USB disk's classification asks it by number";

  // The stand-in served exactly the requests the route carried, each over its two
  // connections with one section.
  EXPECT_GT(route.succeeded, 10u);
  ASSERT_TRUE(service.Stop());
  const auto served = service.Served();
  ASSERT_TRUE(served) << service.Output();
  EXPECT_EQ(route.carried, served->deviceControls);
  EXPECT_EQ(route.carried, served->sections);
  EXPECT_EQ(2 * route.carried, served->connections);
}

}  // namespace
}  // namespace tavolen
