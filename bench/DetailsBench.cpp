// The cost of one drive-details request (what a click on a row's text sends to an awake
// hard disk: CHECK POWER MODE, IDENTIFY, S.M.A.R.T. READ DATA, RETURN STATUS, each a
// translation CDB and its register read) through the device-management service route
// against the direct route, measured side by side in one run: the median of five rounds,
// rounds taken in turns, and their ratio.
//
//   DetailsBench [requests]   (default 100 per round)
//
// The service is our stand-in in this process on the real pipe name, over a simulated
// SAT disk at \\.\PhysicalDrive1; nothing else may serve the pipe meanwhile.
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <vector>

#include "control/core/PowerSaveFile.h"
#include "control/device/Command.h"
#include "control/device/win/ServiceClient.h"
#include "control/device/win/Win32DeviceOpener.h"
#include "control/panels/DriveDetails.h"
#include "service/SimulatedDevices.h"
#include "service/win/PipeServer.h"
#include "service/win/Win32Sections.h"
#include "sim/SimOpener.h"
#include "tests/fakes/FakeVolumes.h"
#include "tests/fakes/MemorySettingsFile.h"

namespace tavolen::bench {
namespace {

using Clock = std::chrono::steady_clock;
constexpr int kRounds = 5;
constexpr uint32_t kDisk = 1;

class NumberedTexts : public StringTable {
 public:
  std::u16string Text(uint32_t) const override { return u"text"; }
};

// Everything a request reads but the devices.
struct Sources {
  Sources() {
    DeviceInfo disk = ZeroDeviceInfo();
    disk.kind = SatDisk;
    disk.driveNumber = kDisk;
    SetText(disk.drive.vendor, u"VARNKELD");
    SetText(disk.drive.product, u"SIM SAT DISK");
    devices.disks.push_back(disk);
    volumes.Set(u"E:\\", {});
  }
  DetailsSources For(DeviceOpener& opener) { return {&opener, &devices, &volumes, &powerSave, &texts}; }
  DeviceSnapshot devices;
  testing::FakeVolumes volumes;
  testing::MemorySettingsFiles files;
  PowerSaveFile powerSave{files, u"Setting.ini"};
  NumberedTexts texts;
};

const DetailsRequest kRequest{u"E:\\", kDisk, SatDisk, false, kLanguageEnglishUs};

// Seconds per request over `count` requests; negative when a request did not read the
// temperature (the route failed).
double PerRequest(const DetailsSources& sources, int count) {
  const Clock::time_point start = Clock::now();
  for (int i = 0; i < count; ++i) {
    const FlyOutInfo info = BuildFlyOutInfo(kRequest, sources);
    if (std::u16string(info.value1) != u"104 F") return -1;
  }
  return std::chrono::duration<double>(Clock::now() - start).count() / count;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

int Run(int requests) {
  Sources sources;
  sim::SimOpener direct;
  direct.Add(PhysicalDrivePath(kDisk), std::make_shared<sim::SimDevice>(sim::Family::Sat), ChannelRoute::Direct);
  service::SimulatedDevices devices(*service::ParseSimulatedDeviceSet("1=sat"));
  service::Win32Sections sections;
  service::PipeServer server(sections, devices, {});
  if (!server.Start()) {
    std::fprintf(stderr, "the pipe is taken: is a service running?\n");
    return 1;
  }
  DeviceOpenerOptions options;
  options.route = DeviceRoute::ServiceOnly;
  Win32DeviceOpener throughService(options);

  const DetailsSources serviceSources = sources.For(throughService), directSources = sources.For(direct);
  if (PerRequest(serviceSources, 2) < 0 || PerRequest(directSources, 2) < 0) {
    std::fprintf(stderr, "a details request failed\n");
    return 1;
  }
  std::vector<double> viaService, viaDirect;
  for (int round = 0; round < kRounds; ++round) {
    viaService.push_back(PerRequest(serviceSources, requests));
    viaDirect.push_back(PerRequest(directSources, requests));
  }
  const double s = Median(viaService), d = Median(viaDirect);
  std::printf("one details request (awake SAT disk), median of %d rounds of %d:\n", kRounds, requests);
  std::printf("  %-36s %10.1f us\n", "service route (our client, stand-in)", s * 1e6);
  std::printf("  %-36s %10.1f us\n", "direct route (simulated disk)", d * 1e6);
  std::printf("ratio service / direct: %.1f\n", s / d);
  server.Stop();
  return 0;
}

}  // namespace
}  // namespace tavolen::bench

int main(int argc, char** argv) {
  // The stand-in measured runs on this program's threads, as this user.
  tavolen::SetServiceServerTrust(tavolen::ServiceServerTrust::AlsoOwnAccount);
  const int requests = argc > 1 ? std::max(1, std::atoi(argv[1])) : 100;
  return tavolen::bench::Run(requests);
}
