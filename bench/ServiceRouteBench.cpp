// The cost of one device request through the device-management service route: our
// client and our stand-in against a minimal client and a minimal service of the same
// protocol (the yardstick), beside a bare pipe round trip on one connection (the floor)
// and the direct route. Every figure is the median of five rounds, measured in one run.
//
//   ServiceRouteBench [requests]                 both services in this process, one after
//                                                the other on the real pipe name
//   ServiceRouteBench --running [requests]       against the service already running (a
//                                                process of its own): our client and the
//                                                minimal client
//   ServiceRouteBench --serve-minimal [seconds]  runs the minimal service for that long
//                                                (default 120), for --running
//
// The request is an INQUIRY in the 32-bit pass-through block, on "\\.\PhysicalDrive1":
// start a running service with a disk there (SembridServiceDemo --console --simulate 1=sat).
// Nothing else may serve the pipe while the services run in this process.
#include <windows.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "bench/MinimalClient.h"
#include "bench/MinimalService.h"
#include "control/device/CScsiCommand.h"
#include "control/device/IoctlCodes.h"
#include "control/device/PassThroughBlock.h"
#include "control/device/ServiceProtocol.h"
#include "control/device/win/ServiceClient.h"
#include "framework/UniqueHandle.h"
#include "service/SimulatedDevices.h"
#include "service/win/PipeServer.h"
#include "service/win/Win32Sections.h"
#include "sim/SimOpener.h"
#include "tests/sim/SimTestBlocks.h"

namespace tavolen::bench {
namespace {

using Clock = std::chrono::steady_clock;
constexpr int kRounds = 5;
constexpr uint32_t kInquiryLength = 56;
constexpr char kDisk[] = "\\\\.\\PhysicalDrive1";
constexpr char kFloorPipe[] = "\\\\.\\pipe\\TavolenBenchFloor";

// INQUIRY as the product hands it to the service: the 32-bit block, data in.
std::vector<uint8_t> InquiryBlock() {
  return sim::testing::ScsiBlock(BlockLayout::Bits32, {0x12, 0, 0, 0, kInquiryLength, 0}, kScsiDataIn, kInquiryLength)
      .bytes;
}

using Client = bool (*)(const std::string& path, uint32_t code, const void* in, uint32_t inLength, void* out,
                        uint32_t outLength);

bool OurClient(const std::string& path, uint32_t code, const void* in, uint32_t inLength, void* out,
               uint32_t outLength) {
  return ServiceDeviceControl(nullptr, path, code, in, inLength, out, outLength) != 0;
}

// Seconds for `count` calls of `step` after a few unmeasured ones; negative when a
// call failed.
double Timed(int count, const std::function<bool()>& step) {
  for (int i = 0; i < 10; ++i) {
    if (!step()) return -1;
  }
  const Clock::time_point start = Clock::now();
  for (int i = 0; i < count; ++i) {
    if (!step()) return -1;
  }
  return std::chrono::duration<double>(Clock::now() - start).count();
}

double Requests(Client client, int requests) {
  std::vector<uint8_t> block = InquiryBlock();
  const uint32_t length = uint32_t(block.size());
  return Timed(requests, [&] {
    return client(kDisk, kIoctlScsiPassThrough, block.data(), length, block.data(), length);
  });
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

// --- the floor: request-sized writes and 14-byte replies on one connection ------------

class EchoServer {
 public:
  EchoServer() {
    pipe_.reset(::CreateNamedPipeA(kFloorPipe, PIPE_ACCESS_DUPLEX | FILE_FLAG_FIRST_PIPE_INSTANCE,
                                   PIPE_TYPE_BYTE | PIPE_READMODE_BYTE | PIPE_WAIT, 1, 4096, 4096, 0, nullptr));
    if (pipe_) thread_ = std::thread([this] { Serve(); });
  }
  ~EchoServer() {
    if (thread_.joinable()) thread_.join();
  }
  explicit operator bool() const { return bool(pipe_); }

 private:
  // Reads whatever a request brings and answers each with 14 bytes, until the client leaves.
  void Serve() {
    if (!::ConnectNamedPipe(pipe_.get(), nullptr) && ::GetLastError() != ERROR_PIPE_CONNECTED) return;
    std::array<uint8_t, 4096> buffer{};
    const ReplyBytes reply{};
    DWORD moved = 0;
    while (::ReadFile(pipe_.get(), buffer.data(), DWORD(buffer.size()), &moved, nullptr) && moved > 0) {
      if (!::WriteFile(pipe_.get(), reply.data(), DWORD(reply.size()), &moved, nullptr)) break;
    }
    ::DisconnectNamedPipe(pipe_.get());
  }

  UniqueHandle pipe_;
  std::thread thread_;
};

double RoundTrips(int roundTrips) {
  EchoServer server;
  if (!server) return -1;
  const UniqueHandle pipe(
      ::CreateFileA(kFloorPipe, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr));
  if (!pipe) return -1;
  // As large as the device-control request of the measured INQUIRY.
  const std::vector<uint8_t> request(kServiceRequestHeaderSize + kServiceIoRequestFixedSize + 40 + sizeof kDisk, 0x5A);
  auto one = [&] {
    DWORD moved = 0;
    ReplyBytes reply{};
    return ::WriteFile(pipe.get(), request.data(), DWORD(request.size()), &moved, nullptr) &&
           ::ReadFile(pipe.get(), reply.data(), DWORD(reply.size()), &moved, nullptr) && moved == reply.size();
  };
  return Timed(roundTrips, one);
}

// --- the direct route, for scale -------------------------------------------------------

double DirectRequests(int requests) {
  sim::SimOpener opener;
  opener.Add(PhysicalDrivePath(1), std::make_shared<sim::SimDevice>(sim::Family::Sat), ChannelRoute::Direct);
  CScsiCommand command(opener, 1u);
  uint8_t inquiry[kInquiryLength];
  return Timed(requests, [&] { return command.Inquiry(inquiry, kInquiryLength); });
}

// --- services in this process ----------------------------------------------------------

enum class ServiceKind { Ours, Minimal };

// Runs one service of the kind over a simulated SAT disk at \\.\PhysicalDrive1 while
// `client` makes `requests` requests. Seconds, negative on failure (-2: no pipe).
double ServiceRequests(ServiceKind kind, Client client, int requests) {
  service::SimulatedDevices devices(*service::ParseSimulatedDeviceSet("1=sat"));
  if (kind == ServiceKind::Ours) {
    service::Win32Sections sections;
    service::PipeServer server(sections, devices, {});
    if (!server.Start()) return -2;
    return Requests(client, requests);
  }
  MinimalService server(devices);
  if (!server.Start()) return -2;
  return Requests(client, requests);
}

// One figure: how to time a number of requests, and the per-request time of each round.
struct Row {
  const char* name;
  std::function<double(int requests)> timed;
  std::vector<double> rounds;  // seconds per request
  double Median() const { return bench::Median(rounds); }
};

// The machine is shared: each round cuts its requests into slices and takes the rows in
// turn slice by slice, so that a busy moment weighs on every row alike.
bool Measure(std::vector<Row>& rows, int requests) {
  constexpr int kSlices = 10;
  const int perSlice = std::max(1, requests / kSlices);
  for (int round = 0; round < kRounds; ++round) {
    std::vector<double> seconds(rows.size(), 0.0);
    for (int slice = 0; slice < kSlices; ++slice) {
      for (std::size_t r = 0; r < rows.size(); ++r) {
        const double t = rows[r].timed(perSlice);
        if (t < 0) {
          std::fprintf(stderr, "%s: %s\n", rows[r].name,
                       t < -1.5 ? "the pipe is taken: is a service running?" : "a request failed");
          return false;
        }
        seconds[r] += t;
      }
    }
    for (std::size_t r = 0; r < rows.size(); ++r) rows[r].rounds.push_back(seconds[r] / (perSlice * kSlices));
  }
  return true;
}

void Print(const Row& row) { std::printf("  %-44s %8.1f us\n", row.name, row.Median() * 1e6); }

// Measures the rows and prints them with the ratio of the first to the second and of
// both to the row `floor` (the bare round trip).
int Report(std::vector<Row> rows, int requests, const char* where, std::size_t floor) {
  if (!Measure(rows, requests)) return 1;
  std::printf("per request, median of %d rounds of %d requests, %s:\n", kRounds, requests, where);
  for (const Row& row : rows) Print(row);
  const double first = rows[0].Median(), second = rows[1].Median(), bare = rows[floor].Median();
  std::printf("ratio %s / %s: %.3f\n", rows[0].name, rows[1].name, first / second);
  std::printf("to the bare round trip: %.1f and %.1f\n", first / bare, second / bare);
  return 0;
}

int InProcess(int requests) {
  return Report(
      {
          {"our client, our stand-in", [](int n) { return ServiceRequests(ServiceKind::Ours, &OurClient, n); }, {}},
          {"minimal client, minimal service",
           [](int n) { return ServiceRequests(ServiceKind::Minimal, &MinimalServiceDeviceControl, n); }, {}},
          {"our client, minimal service",
           [](int n) { return ServiceRequests(ServiceKind::Minimal, &OurClient, n); }, {}},
          {"minimal client, our stand-in",
           [](int n) { return ServiceRequests(ServiceKind::Ours, &MinimalServiceDeviceControl, n); }, {}},
          {"bare pipe round trip, one connection", &RoundTrips, {}},
          {"direct route (simulated disk, no transport)", &DirectRequests, {}},
      },
      requests, "services in this process", 4);
}

int Running(int requests) {
  return Report(
      {
          {"our client, running service", [](int n) { return Requests(&OurClient, n); }, {}},
          {"minimal client, running service", [](int n) { return Requests(&MinimalServiceDeviceControl, n); }, {}},
          {"bare pipe round trip, one connection", &RoundTrips, {}},
      },
      requests, "against the running service", 2);
}

int ServeMinimal(int seconds) {
  service::SimulatedDevices devices(*service::ParseSimulatedDeviceSet("1=sat"));
  MinimalService server(devices);
  if (!server.Start()) {
    std::fprintf(stderr, "the pipe is taken: is a service running?\n");
    return 1;
  }
  std::printf("minimal service listening on %s for %d s\n", kServicePipeName, seconds);
  std::fflush(stdout);
  ::Sleep(DWORD(seconds) * 1000);
  return 0;
}

int Count(const char* text, int fallback) { return text ? std::max(1, std::atoi(text)) : fallback; }

}  // namespace
}  // namespace tavolen::bench

int main(int argc, char** argv) {
  // The stand-ins measured run as this user, not as the service control manager runs
  // the installed service.
  tavolen::SetServiceServerTrust(tavolen::ServiceServerTrust::AlsoOwnAccount);
  using namespace tavolen::bench;
  const std::string mode = argc > 1 ? argv[1] : "";
  if (mode == "--running") return Running(Count(argc > 2 ? argv[2] : nullptr, 500));
  if (mode == "--serve-minimal") return ServeMinimal(Count(argc > 2 ? argv[2] : nullptr, 120));
  if (!mode.empty() && mode[0] == '-') {
    std::fprintf(stderr, "usage: ServiceRouteBench [--running] [requests] | --serve-minimal [seconds]\n");
    return 2;
  }
  return InProcess(Count(argc > 1 ? argv[1] : nullptr, 500));
}
