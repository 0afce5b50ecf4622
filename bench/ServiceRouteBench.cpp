// Requests per second through the device-management service (pipe, section, service
// thread) against the direct route, on the same simulated disk, in one run.
//   ServiceRouteBench [requests]      default 2000 per route
// The service runs in this process on the real pipe name: nothing else may serve it.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "control/device/CSatCommand.h"
#include "service/win/PipeServer.h"
#include "sim/SimOpener.h"
#include "service/SimulatedDevices.h"
#include "control/device/win/Win32DeviceOpener.h"
#include "service/win/Win32Sections.h"

namespace {

using Clock = std::chrono::steady_clock;

// INQUIRY and ATA CHECK POWER MODE per request pair, a new command object each time as
// the product does. Returns requests per second, or 0 when one failed.
double Rate(tavolen::DeviceOpener& opener, int requests) {
  const Clock::time_point start = Clock::now();
  for (int i = 0; i < requests; i += 2) {
    tavolen::CSatCommand command(opener, 1);
    uint8_t inquiry[56];
    bool awake = false;
    if (!command.Inquiry(inquiry, sizeof inquiry) || !command.CheckPowerMode(awake)) {
      std::fprintf(stderr, "request %d failed: error %u\n", i, command.LastError());
      return 0;
    }
  }
  const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  return requests / seconds;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace tavolen;
  const int requests = argc > 1 ? std::max(2, std::atoi(argv[1])) : 2000;

  auto disk = std::make_shared<sim::SimDevice>(sim::Family::Sat);
  service::SimulatedDevices devices;
  devices.Add("\\\\.\\PhysicalDrive1", disk);
  service::Win32Sections sections;
  service::PipeServer server(sections, devices, {});
  if (!server.Start()) {
    std::fprintf(stderr, "cannot listen on the service pipe (is a service running?)\n");
    return 1;
  }
  sim::SimOpener direct;
  direct.Add(PhysicalDrivePath(1), disk, ChannelRoute::Direct);
  Win32DeviceOpener viaService;  // \\.\PhysicalDrive1 does not open: the service route

  Rate(direct, 20);  // warm-up
  Rate(viaService, 20);
  const double directRate = Rate(direct, requests);
  const double serviceRate = Rate(viaService, requests);
  server.Stop();
  if (directRate == 0 || serviceRate == 0) {
    std::fprintf(stderr, "a request failed (direct %.0f, service %.0f)\n", directRate, serviceRate);
    return 1;
  }
  std::printf("requests per route: %d\n", requests);
  std::printf("direct route:  %10.0f requests/s\n", directRate);
  std::printf("service route: %10.0f requests/s\n", serviceRate);
  std::printf("direct/service ratio: %.1f (the service route is %.1fx slower)\n", directRate / serviceRate,
              directRate / serviceRate);
  return 0;
}
