// The service's handling of each request, against in-memory sections and simulated
// devices: what it creates, refuses, places in the section and replies.
#include <gtest/gtest.h>

#include <cstring>
#include <atomic>
#include <map>
#include <memory>
#include <thread>

#include "control/device/ByteOrder.h"
#include "control/device/AtaTaskFile.h"
#include "control/device/IoctlCodes.h"
#include "control/device/PassThroughBlock.h"
#include "service/RequestPolicy.h"
#include "service/ServiceOptions.h"
#include "service/ServiceSession.h"
#include "service/SimulatedDevices.h"
#include "tests/service/MemorySections.h"

namespace tavolen::service {
namespace {

// Records each control and answers with a fixed pattern.
class RecordingDevices : public DeviceBackend {
 public:
  struct Call {
    std::string path;
    uint32_t code;
    Bytes input;
    uint32_t outLength;
  };
  std::vector<Call> calls;
  bool succeed = true;
  bool Control(const std::string& path, uint32_t code, const uint8_t* in, uint32_t inLength, uint8_t* out,
               uint32_t outLength, uint32_t* bytesReturned, uint32_t* error) override {
    calls.push_back({path, code, Bytes(in, in + inLength), outLength});
    if (!succeed) {
      *error = 1117;
      return false;
    }
    for (uint32_t i = 0; i < outLength; ++i) out[i] = uint8_t(0xA0 + i);
    *bytesReturned = outLength;
    return true;
  }
};

// A section name of the client's form.
std::string Section(uint32_t n) { return TransferAreaName(n, 0); }

constexpr char kDisk[] = "\\\\.\\PhysicalDrive1";
constexpr uint32_t kCode = kIoctlStorageGetDeviceNumber;

class ServiceSessionTest : public ::testing::Test {
 protected:
  MemorySections store;
  uint64_t nowMs = 1000;
  SectionRegistry sections{store, [this] { return nowMs; }};
  RecordingDevices devices;

  static SessionAction Send(ServiceSession& session, const ServiceRequestMessage& message) {
    Bytes body;
    for (const Bytes& part : message.bodyParts) body.insert(body.end(), part.begin(), part.end());
    return session.Handle(DecodeRequestHeader(message.header), body.data(), body.size());
  }
  // The client's part between requests 6 and 0: it opens the section itself.
  std::shared_ptr<MemorySections::Held> ClientOpens(const std::string& name) {
    return std::make_shared<MemorySections::Held>(store.sections.at(name));
  }
};

TEST_F(ServiceSessionTest, CreateFinishAndControlMoveDataThroughTheSection) {
  ServiceSession session(sections, devices);
  const std::string name = Section(1);
  EXPECT_EQ(0, Send(session, EncodeCreateSharedMemory({0, 7, name})).Status());
  EXPECT_TRUE(session.HoldsSection());
  auto client = ClientOpens(name);
  EXPECT_EQ(0, Send(session, EncodeFinish()).Status());
  EXPECT_FALSE(session.HoldsSection()) << "finished: the section is the device request's now";
  EXPECT_EQ(2, client->section->holders) << "the service keeps it for the device request";

  Bytes& area = client->section->bytes;
  area[0] = 0x11;
  const SessionAction action =
      Send(session, EncodeServiceIo(*MakeServiceIoRequest(kIoctlStorageGetDeviceNumber, name, kDisk, 0, 4)));
  EXPECT_EQ(SessionAction::Kind::Reply, action.kind);
  EXPECT_EQ(0, action.Status());
  EXPECT_EQ(4u, GetLe32(&action.reply[6])) << "bytes returned travel in the reply";
  ASSERT_EQ(1u, devices.calls.size());
  EXPECT_EQ(kDisk, devices.calls[0].path);
  EXPECT_EQ(Bytes({0xA0, 0xA1, 0xA2, 0xA3, 0, 0, 0}), area) << "the output lands at the output offset";
  EXPECT_EQ(0, store.openViews) << "the view is closed before the reply";
  EXPECT_EQ(1, client->section->holders) << "the service let go of it with the request";
}

TEST_F(ServiceSessionTest, RefusesATakenNameAndFreesNamesAtFinishOrEnd) {
  const std::string name = Section(2);
  {
    ServiceSession first(sections, devices);
    EXPECT_EQ(0, Send(first, EncodeCreateSharedMemory({0, 8, name})).Status());
    ServiceSession second(sections, devices, Misbehaviour::None, SessionClient{1, {}, {}});  // another process
    EXPECT_EQ(kStatusSectionFailed, Send(second, EncodeCreateSharedMemory({0, 8, name})).Status());
  }  // the first connection ended without a finish: its section went with it
  ServiceSession third(sections, devices);
  EXPECT_EQ(0, Send(third, EncodeCreateSharedMemory({0, 8, name})).Status());
  EXPECT_EQ(0, Send(third, EncodeFinish()).Status());
  EXPECT_EQ(kStatusSectionFailed, Send(third, EncodeCreateSharedMemory({0, 8, name})).Status())
      << "kept for its request";
  EXPECT_EQ(0, Send(third, EncodeServiceIo(*MakeServiceIoRequest(kCode, name, kDisk, 0, 0))).Status());
  EXPECT_EQ(0, Send(third, EncodeCreateSharedMemory({0, 8, name})).Status()) << "reusable once its request is done";
}

TEST_F(ServiceSessionTest, ControlOutsideTheSectionIsRefusedWithoutTouchingTheDevice) {
  // The client claims a big section; only the real 16 bytes count.
  ServiceIoRequest tooLong = *MakeServiceIoRequest(kCode, Section(3), kDisk, 0, 17);
  ServiceIoRequest wrapping = *MakeServiceIoRequest(kCode, Section(4), kDisk, 0, 8);
  wrapping.outputOffset = 0xFFFFFFFCu;
  for (const ServiceIoRequest& request : {tooLong, wrapping}) {
    ServiceSession session(sections, devices);
    ASSERT_EQ(0, Send(session, EncodeCreateSharedMemory({0, 16, request.sectionName})).Status());
    auto client = ClientOpens(request.sectionName);
    ASSERT_EQ(0, Send(session, EncodeFinish()).Status());
    EXPECT_EQ(kStatusOutsideSection, Send(session, EncodeServiceIo(request)).Status()) << request.sectionName;
  }
  EXPECT_TRUE(devices.calls.empty());
}

// --- whose sections a request may use ------------------------------------------------

TEST_F(ServiceSessionTest, ARequestUsesOnlyASectionItsOwnProcessMadeAndTheServiceStillHolds) {
  std::vector<std::string> log;
  auto client = [&](uint32_t processId) {
    return SessionClient{processId, [&log](const std::string& line) { log.push_back(line); }, {}};
  };
  // Process 10 makes and finishes a section, as the product does before its request.
  ServiceSession maker(sections, devices, Misbehaviour::None, client(10));
  auto made = [&](uint32_t n) {
    EXPECT_EQ(0, Send(maker, EncodeCreateSharedMemory({0, 8, Section(n)})).Status());
    EXPECT_EQ(0, Send(maker, EncodeFinish()).Status());
    return ClientOpens(Section(n));
  };
  const auto mine = made(20);
  {
    ServiceSession gone(sections, devices, Misbehaviour::None, client(10));
    ASSERT_EQ(0, Send(gone, EncodeCreateSharedMemory({0, 8, Section(22)})).Status());
  }

  struct Case {
    const char* what;
    uint32_t processId;
    std::string name;
  };
  const Case refused[] = {
      {"another process's section", 11, Section(20)},
      {"a name the service never made", 10, Section(21)},
      {"a section whose maker left before the finish", 10, Section(22)},
  };
  for (const Case& c : refused) {
    log.clear();
    ServiceSession session(sections, devices, Misbehaviour::None, client(c.processId));
    const SessionAction action =
        Send(session, EncodeServiceIo(*MakeServiceIoRequest(kCode, c.name, kDisk, 0, 4)));
    EXPECT_EQ(kStatusForbidden, action.Status()) << c.what;
    EXPECT_EQ(SessionAction::Kind::ReplyThenClose, action.kind) << c.what;
    ASSERT_EQ(1u, log.size()) << c.what;
    EXPECT_NE(std::string::npos, log[0].find("process " + std::to_string(c.processId))) << log[0];
    EXPECT_NE(std::string::npos, log[0].find(c.name)) << log[0];
  }
  EXPECT_TRUE(devices.calls.empty()) << "no refused request reached a device";

  // The maker's own request is served once; the section is let go with it.
  ServiceSession request(sections, devices, Misbehaviour::None, client(10));
  EXPECT_EQ(0, Send(request, EncodeServiceIo(*MakeServiceIoRequest(kCode, Section(20), kDisk, 0, 4))).Status());
  EXPECT_EQ(Bytes({0xA0, 0xA1, 0xA2, 0xA3, 0, 0, 0, 0}), mine->section->bytes);
  EXPECT_EQ(kStatusForbidden,
            Send(request, EncodeServiceIo(*MakeServiceIoRequest(kCode, Section(20), kDisk, 0, 4))).Status())
      << "a section serves one request";
  EXPECT_EQ(1u, devices.calls.size());
}

TEST_F(ServiceSessionTest, ASectionNoRequestUsesIsLetGoAfterAWhile) {
  ServiceSession maker(sections, devices, Misbehaviour::None, SessionClient{30, {}, {}});
  auto make = [&](uint32_t n) {
    ASSERT_EQ(0, Send(maker, EncodeCreateSharedMemory({0, 8, Section(n)})).Status()) << n;
    ASSERT_EQ(0, Send(maker, EncodeFinish()).Status()) << n;
  };
  make(30);
  nowMs += kUnusedSectionMs - 1;
  make(31);
  EXPECT_EQ(2u, sections.HeldCount()) << "not yet";
  nowMs += 1;
  make(32);
  EXPECT_EQ(0, store.sections.at(Section(30))->holders) << "left unused too long";
  EXPECT_EQ(1, store.sections.at(Section(31))->holders);
  EXPECT_EQ(16u, sections.HeldBytes());
  EXPECT_EQ(0, Send(maker, EncodeServiceIo(*MakeServiceIoRequest(kCode, Section(31), kDisk, 0, 0))).Status());
  EXPECT_EQ(kStatusForbidden, Send(maker, EncodeServiceIo(*MakeServiceIoRequest(kCode, Section(30), kDisk, 0, 0))).Status())
      << "its request came too late";
}

TEST_F(ServiceSessionTest, SectionsAreMadeForTheClientsUserAndANameHeldIsNotMadeAgain) {
  ServiceSession mine(sections, devices, Misbehaviour::None, SessionClient{40, {}, [] { return std::string("S-1-5-21-7-8-9-1001"); }});
  ASSERT_EQ(0, Send(mine, EncodeCreateSharedMemory({0, 8, Section(40)})).Status());
  EXPECT_EQ("S-1-5-21-7-8-9-1001", store.sections.at(Section(40))->userSid);
  ASSERT_EQ(0, Send(mine, EncodeFinish()).Status());

  ServiceSession theirs(sections, devices, Misbehaviour::None, SessionClient{41, {}, [] { return std::string("S-1-5-21-7-8-9-1002"); }});
  EXPECT_EQ(kStatusSectionFailed, Send(theirs, EncodeCreateSharedMemory({0, 16, Section(40)})).Status())
      << "a name another process holds is not made again for someone else";
  EXPECT_EQ("S-1-5-21-7-8-9-1001", store.sections.at(Section(40))->userSid);
  EXPECT_EQ(kStatusSectionFailed, Send(mine, EncodeCreateSharedMemory({0, 16, Section(40)})).Status())
      << "nor for its own process before its request";
  EXPECT_EQ(8u, store.sections.at(Section(40))->bytes.size());
  EXPECT_EQ(1u, sections.HeldCount());
}

TEST_F(ServiceSessionTest, SectionMemoryIsCappedAndFreedByRequests) {
  static_assert(kMaxHeldSectionBytes == 64ull * kMaxClientSection, "64 of the largest transfers");
  static_assert(kMaxHeldSectionBytesPerProcess == 16ull * kMaxClientSection, "16 for one process");
  std::vector<std::string> log;
  auto logged = [&](const std::string& line) { log.push_back(line); };
  std::vector<std::shared_ptr<MemorySections::Held>> opened;
  // Four processes take their share each; every process is then refused, whatever its share.
  std::vector<std::unique_ptr<ServiceSession>> sessions;
  for (uint32_t process = 0; process < 5; ++process) {
    sessions.push_back(std::make_unique<ServiceSession>(sections, devices, Misbehaviour::None,
                                                        SessionClient{50 + process, logged, {}}));
  }
  for (uint32_t n = 0; n < 64; ++n) {
    ServiceSession& session = *sessions[n / 16];
    ASSERT_EQ(0, Send(session, EncodeCreateSharedMemory({0, kMaxClientSection, Section(100 + n)})).Status()) << n;
    opened.push_back(ClientOpens(Section(100 + n)));
    ASSERT_EQ(0, Send(session, EncodeFinish()).Status());
  }
  EXPECT_EQ(kMaxHeldSectionBytes, sections.HeldBytes());
  const SessionAction over = Send(*sessions[4], EncodeCreateSharedMemory({0, 8, Section(200)}));
  EXPECT_EQ(kStatusSectionFailed, over.Status());
  EXPECT_EQ(SessionAction::Kind::Reply, over.kind) << "the connection stays";
  EXPECT_EQ(0u, store.sections.count(Section(200))) << "nothing was made";
  ASSERT_EQ(1u, log.size());
  EXPECT_NE(std::string::npos, log[0].find("process 54")) << log[0];

  // A request done frees its section's share, for its own process only.
  ASSERT_EQ(0, Send(*sessions[0], EncodeServiceIo(*MakeServiceIoRequest(kCode, Section(100), kDisk, 0, 4))).Status());
  EXPECT_EQ(kStatusSectionFailed, Send(*sessions[1], EncodeCreateSharedMemory({0, 8, Section(200)})).Status())
      << "process 51 still holds its whole share";
  EXPECT_EQ(0, Send(*sessions[0], EncodeCreateSharedMemory({0, kMaxClientSection, Section(200)})).Status());
  ASSERT_EQ(0, Send(*sessions[0], EncodeFinish()).Status());
  EXPECT_EQ(kStatusSectionFailed, Send(*sessions[4], EncodeCreateSharedMemory({0, 8, Section(201)})).Status());
}

TEST_F(ServiceSessionTest, OneProcessCannotTakeTheMemoryOfOthers) {
  ServiceSession greedy(sections, devices, Misbehaviour::None, SessionClient{70, {}, {}});
  uint32_t made = 0;
  while (Send(greedy, EncodeCreateSharedMemory({0, kMaxClientSection, Section(300 + made)})).Status() == 0) {
    ASSERT_EQ(0, Send(greedy, EncodeFinish()).Status());
    ASSERT_LT(++made, 64u);
  }
  EXPECT_EQ(16u, made);
  EXPECT_EQ(kMaxHeldSectionBytesPerProcess, sections.HeldBytes());
  ServiceSession other(sections, devices, Misbehaviour::None, SessionClient{71, {}, {}});
  EXPECT_EQ(0, Send(other, EncodeCreateSharedMemory({0, kMaxClientSection, Section(400)})).Status());
  // Once its sections are let go unused, the greedy process is served again.
  nowMs += kUnusedSectionMs;
  EXPECT_EQ(0, Send(greedy, EncodeCreateSharedMemory({0, kMaxClientSection, Section(500)})).Status());
}

TEST_F(ServiceSessionTest, SessionsOfManyThreadsShareTheRegistry) {
  // Devices that only count, from every thread at once.
  struct CountingDevices : DeviceBackend {
    std::atomic<int> calls{0};
    bool Control(const std::string&, uint32_t, const uint8_t*, uint32_t, uint8_t*, uint32_t, uint32_t* returned,
                 uint32_t*) override {
      ++calls;
      *returned = 0;
      return true;
    }
  } counting;
  constexpr int kThreads = 4, kRequests = 200;
  std::vector<std::thread> threads;
  std::atomic<int> failures{0};
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      const SessionClient client{uint32_t(60 + t), {}, {}};
      for (int i = 0; i < kRequests; ++i) {
        ServiceSession request(sections, counting, Misbehaviour::None, client);
        ServiceSession maker(sections, counting, Misbehaviour::None, client);
        const std::string name = Section(uint32_t(1000 * t + i));
        if (Send(maker, EncodeCreateSharedMemory({0, 8, name})).Status() != 0) ++failures;
        if (Send(maker, EncodeFinish()).Status() != 0) ++failures;
        if (Send(request, EncodeServiceIo(*MakeServiceIoRequest(kCode, name, kDisk, 0, 0))).Status() != 0) ++failures;
      }
    });
  }
  for (auto& thread : threads) thread.join();
  EXPECT_EQ(0, failures.load());
  EXPECT_EQ(kThreads * kRequests, counting.calls.load());
  EXPECT_EQ(0u, sections.HeldCount());
  EXPECT_EQ(0u, sections.HeldBytes());
}

TEST_F(ServiceSessionTest, ForeignSectionNamesAndOversizedSectionsAreRefused) {
  std::vector<std::string> log;
  const SessionClient client{77, [&](const std::string& line) { log.push_back(line); }, {}};
  struct Case {
    std::string name;
    uint32_t sizeHigh, sizeLow;
  };
  const Case refused[] = {
      {"Global\\SomeoneElsesSection", 0, 64},
      {"Local\\00000001000000AA-LIBSEMBRID_SHARE", 0, 64},
      {"Global\\00000001000000aa-LIBSEMBRID_SHARE", 0, 64},
      {"Global\\00000001000000AA-LIBSEMBRID_SHAREX", 0, 64},
      {"Global\\0000000100000AA-LIBSEMBRID_SHARE", 0, 64},
      {Section(11), 0, kMaxClientSection + 1},
      {Section(11), 0, 64u * 1024 * 1024},
  };
  for (const Case& c : refused) {
    log.clear();
    ServiceSession session(sections, devices, Misbehaviour::None, client);
    const SessionAction action = Send(session, EncodeCreateSharedMemory({c.sizeHigh, c.sizeLow, c.name}));
    EXPECT_EQ(kStatusForbidden, action.Status()) << c.name << " " << c.sizeLow;
    EXPECT_EQ(SessionAction::Kind::ReplyThenClose, action.kind);
    EXPECT_FALSE(session.HoldsSection());
    ASSERT_EQ(1u, log.size());
    EXPECT_NE(std::string::npos, log[0].find("process 77")) << log[0];
  }
  EXPECT_TRUE(store.sections.empty()) << "nothing was made";
  ServiceSession session(sections, devices, Misbehaviour::None, client);
  EXPECT_EQ(0, Send(session, EncodeCreateSharedMemory({0, kMaxClientSection, Section(11)})).Status())
      << "the largest transfer fits";
}

TEST_F(ServiceSessionTest, MalformedRequestsAreAnsweredWithFailureOrClosed) {
  ServiceSession session(sections, devices);
  // Wrong flags, unknown type.
  ServiceRequestMessage create = EncodeCreateSharedMemory({0, 8, Section(5)});
  create.header[1] = 0;
  EXPECT_EQ(kStatusBadRequest, Send(session, create).Status());
  ServiceRequestMessage control = EncodeServiceIo(*MakeServiceIoRequest(kCode, Section(5), kDisk, 0, 0));
  control.header[1] = 1;
  EXPECT_EQ(kStatusBadRequest, Send(session, control).Status());
  ServiceRequestMessage unknown = EncodeFinish();
  unknown.header[0] = 9;
  EXPECT_EQ(kStatusBadRequest, Send(session, unknown).Status());
  ServiceRequestMessage finishWithBody = EncodeFinish();
  finishWithBody.bodyParts.push_back({1, 2});
  finishWithBody.header = EncodeRequestHeader({0, 1, 2});
  EXPECT_EQ(kStatusBadRequest, Send(session, finishWithBody).Status());
  // A body that disagrees with its header, or is too long to be read, ends the connection.
  const Bytes body(10, 0);
  EXPECT_EQ(SessionAction::Kind::Close, session.Handle({2, 0, 11}, body.data(), body.size()).kind);
  EXPECT_FALSE(ServiceSession::AcceptBodyLength(kMaxRequestBodyLength + 1));
  EXPECT_TRUE(ServiceSession::AcceptBodyLength(kMaxRequestBodyLength));
  EXPECT_TRUE(devices.calls.empty());
}

TEST_F(ServiceSessionTest, DeviceFailureCarriesTheSystemError) {
  ServiceSession session(sections, devices);
  ASSERT_EQ(0, Send(session, EncodeCreateSharedMemory({0, 8, Section(6)})).Status());
  auto client = ClientOpens(Section(6));
  ASSERT_EQ(0, Send(session, EncodeFinish()).Status());
  devices.succeed = false;
  const SessionAction action = Send(session, EncodeServiceIo(*MakeServiceIoRequest(kCode, Section(6), kDisk, 0, 0)));
  EXPECT_EQ(kStatusDeviceFailed, action.Status());
  EXPECT_EQ(1117u, GetLe32(&action.reply[2]));
}

TEST_F(ServiceSessionTest, MisbehavioursDoWhatTheySay) {
  {
    ServiceSession session(sections, devices, Misbehaviour::RefuseFinish);
    ASSERT_EQ(0, Send(session, EncodeCreateSharedMemory({0, 8, Section(7)})).Status());
    EXPECT_EQ(kStatusRefused, Send(session, EncodeFinish()).Status());
    EXPECT_EQ(0u, sections.HeldCount()) << "the refused finish ended the request";
  }
  {
    ServiceSession session(sections, devices, Misbehaviour::FailDeviceControl);
    ASSERT_EQ(0, Send(session, EncodeCreateSharedMemory({0, 4, Section(8)})).Status());
    auto client = ClientOpens(Section(8));
    ASSERT_EQ(0, Send(session, EncodeFinish()).Status());
    EXPECT_EQ(kStatusRefused, Send(session, EncodeServiceIo(*MakeServiceIoRequest(kCode, Section(8), kDisk, 0, 4))).Status());
    EXPECT_EQ(Bytes({0xA0, 0xA1, 0xA2, 0xA3}), client->section->bytes) << "the output is there, the status says no";
  }
  {
    ServiceSession session(sections, devices, Misbehaviour::CloseBeforeReply);
    EXPECT_EQ(SessionAction::Kind::Close,
              Send(session, EncodeServiceIo(*MakeServiceIoRequest(kCode, Section(8), kDisk, 0, 0))).kind);
  }
  {
    ServiceSession session(sections, devices, Misbehaviour::NeverAnswer);
    EXPECT_EQ(SessionAction::Kind::Stall,
              Send(session, EncodeServiceIo(*MakeServiceIoRequest(kCode, Section(8), kDisk, 0, 0))).kind);
  }
  {
    ServiceSession session(sections, devices, Misbehaviour::DropWaitingConnections);
    const SessionAction action = Send(session, EncodeCreateSharedMemory({0, 8, Section(9)}));
    EXPECT_EQ(SessionAction::Kind::DropOthersThenReply, action.kind);
    EXPECT_EQ(0, action.Status());
  }
  {
    ServiceSession session(sections, devices, Misbehaviour::UndersizeSection);
    ASSERT_EQ(0, Send(session, EncodeCreateSharedMemory({0, 3 * kUndersizedSection, Section(10)})).Status());
    EXPECT_EQ(kUndersizedSection, store.sections.at(Section(10))->bytes.size());
  }
}

// --- command line and device sets --------------------------------------------------

TEST(ServiceOptionsTest, ParsesEveryOptionAndRejectsBadOnes) {
  std::string error;
  const auto options = ParseServiceOptions({"--console", "--simulate", "1=sat", "--misbehave", "refuse-finish",
                                            "--max-instances", "2", "--ready-event", "R", "--stop-event", "S",
                                            "--device-log", "L", "--idle-ms", "250"},
                                           ServiceBuild::Demonstration, &error);
  ASSERT_TRUE(options) << error;
  EXPECT_TRUE(options->console);
  EXPECT_EQ("1=sat", options->simulate);
  EXPECT_EQ(Misbehaviour::RefuseFinish, options->misbehaviour);
  EXPECT_EQ(2u, options->maxInstances);
  EXPECT_EQ("R", options->readyEvent);
  EXPECT_EQ("S", options->stopEvent);
  EXPECT_EQ("L", options->deviceLog);
  EXPECT_EQ(250u, options->idleMs);

  for (ServiceBuild build : {ServiceBuild::Product, ServiceBuild::Demonstration}) {
    const auto service = ParseServiceOptions({}, build, &error);
    ASSERT_TRUE(service);
    EXPECT_FALSE(service->console);
    EXPECT_TRUE(service->simulate.empty());
    EXPECT_EQ(Misbehaviour::None, service->misbehaviour);
  }

  for (const std::vector<std::string>& bad :
       {std::vector<std::string>{"--simulate"}, {"--misbehave", "sulk"}, {"--max-instances", "0"},
        {"--max-instances", "12x"}, {"--max-instances", "255"}, {"--max-instances", "-1"}, {"--idle-ms", "0"},
        {"--idle-ms", "600001"}, {"--verbose"}}) {
    error.clear();
    EXPECT_FALSE(ParseServiceOptions(bad, ServiceBuild::Demonstration, &error)) << bad[0];
    EXPECT_FALSE(error.empty());
  }
}

TEST(ServiceOptionsTest, TheInstalledBuildKnowsNoSimulationOrMisbehaviour) {
  std::string error;
  const auto product = ParseServiceOptions({"--console", "--max-instances", "4", "--ready-event", "R", "--stop-event",
                                            "S"},
                                           ServiceBuild::Product, &error);
  ASSERT_TRUE(product) << error;
  EXPECT_EQ(4u, product->maxInstances);
  for (const std::vector<std::string>& demonstrationOnly :
       {std::vector<std::string>{"--simulate", "1=sat"}, {"--misbehave", "none"}, {"--console", "--simulate", "1=sat"},
        {"--device-log", "devices.log"}, {"--idle-ms", "200"}}) {
    error.clear();
    EXPECT_FALSE(ParseServiceOptions(demonstrationOnly, ServiceBuild::Product, &error)) << demonstrationOnly.back();
    EXPECT_NE(std::string::npos, error.find("unknown option")) << error;
  }
}

TEST(SimulatedDeviceSetTest, ParsesNumbersCdromsAndPaths) {
  const auto specs = ParseSimulatedDeviceSet("1=sat,3=PLAIN-ATA,cdrom0=optical,12=jm");
  ASSERT_TRUE(specs);
  ASSERT_EQ(4u, specs->size());
  EXPECT_EQ(std::vector<std::string>{"\\\\.\\PhysicalDrive1"}, (*specs)[0].paths);
  EXPECT_EQ(sim::Family::Sat, (*specs)[0].family);
  EXPECT_EQ(sim::Family::PlainAta, (*specs)[1].family);
  EXPECT_EQ(std::vector<std::string>{"\\\\.\\Cdrom0"}, (*specs)[2].paths);
  EXPECT_EQ(sim::Family::Optical, (*specs)[2].family);
  EXPECT_EQ(12u, (*specs)[3].number);

  const std::string disk = "\\\\?\\SCSI#DISK&VEN_VARNKELD&PROD_X#4&1A2B&0&000100#{53F56307-B6BF-11D0-94F2-00A0C91EFB8B}";
  const std::string cdrom = "\\\\?\\SCSI#CDROM&VEN_TAVOSIM#4&1A2B&0&000200#{53F56308-B6BF-11D0-94F2-00A0C91EFB8B}";
  const auto named = ParseSimulatedDeviceSet(disk + "+2+\\\\.\\N:=varnkeld,cdrom1+" + cdrom + "=optical," + disk + "X=sat");
  ASSERT_TRUE(named);
  ASSERT_EQ(3u, named->size());
  EXPECT_EQ((std::vector<std::string>{disk, "\\\\.\\PhysicalDrive2", "\\\\.\\N:"}), (*named)[0].paths);
  EXPECT_EQ(2u, (*named)[0].number);
  EXPECT_EQ((std::vector<std::string>{"\\\\.\\Cdrom1", cdrom}), (*named)[1].paths);
  EXPECT_EQ(1u, (*named)[1].number);
  EXPECT_EQ(0u, (*named)[2].number) << "a device named by its path alone is number 0";

  for (const std::string& bad :
       {std::string(""), std::string("1"), std::string("1=floppy"), std::string("x=sat"), std::string("1=sat,1=jm"),
        std::string("cdrom=optical"), std::string("1=sat,"), std::string("1234=sat"), std::string("1+2=sat"),
        std::string("1+cdrom1=sat"), std::string("+1=sat"), std::string("1+=sat"), std::string("\\\\=sat"),
        std::string("\\\\a b=sat"), "1+" + disk + "=sat,2+" + disk + "=jm",
        "\\\\" + std::string(kMaxDevicePathLength, 'A') + "=sat"}) {
    EXPECT_FALSE(ParseSimulatedDeviceSet(bad)) << bad;
  }
}

TEST(SimulatedDeviceSetTest, OneDeviceAnswersUnderEachOfItsNames) {
  const std::string disk = "\\\\?\\SCSI#DISK&VEN_VARNKELD#1#{53F56307-B6BF-11D0-94F2-00A0C91EFB8B}";
  SimulatedDevices devices(*ParseSimulatedDeviceSet("4+" + disk + "=sat"));
  const auto byNumber = devices.Find("\\\\.\\PhysicalDrive4");
  ASSERT_TRUE(byNumber);
  EXPECT_EQ(byNumber, devices.Find(disk));
  EXPECT_EQ(byNumber, devices.Find("\\\\?\\scsi#disk&ven_varnkeld#1#{53f56307-b6bf-11d0-94f2-00a0c91efb8b}"));

  // State changed under one name is seen under the other: it is one device.
  for (const std::string& path : {disk, std::string("\\\\.\\PhysicalDrive4")}) {
    uint8_t record[12] = {};
    uint32_t returned = 0, error = 0;
    ASSERT_TRUE(devices.Control(path, kIoctlStorageGetDeviceNumber, nullptr, 0, record, 12, &returned, &error));
    EXPECT_EQ(4u, GetLe32(record + 4)) << path;
  }
  byNumber->ata.powerMode = sim::AtaDisk::kPowerStandby;
  EXPECT_EQ(sim::AtaDisk::kPowerStandby, devices.Find(disk)->ata.powerMode);
}

TEST(SimulatedDeviceSetTest, LogsEveryRequestThatReachesTheDevices) {
  SimulatedDevices devices(*ParseSimulatedDeviceSet("2=sat"));
  std::vector<std::string> lines;
  devices.SetRequestLog([&](const std::string& line) { lines.push_back(line); });
  uint8_t record[12] = {};
  uint32_t returned = 0, error = 0;
  devices.Control("\\\\.\\PhysicalDrive2", kIoctlStorageGetDeviceNumber, nullptr, 0, record, 12, &returned, &error);
  devices.Control("\\\\.\\PhysicalDrive9", kIoctlStorageGetDeviceNumber, nullptr, 0, record, 12, &returned, &error);

  Bytes scsi(96 + 56, 0);
  ScsiPassThroughHeader header;
  header.length = 44;
  header.cdbLength = 6;
  header.dataIn = kScsiDataIn;
  header.dataTransferLength = 56;
  header.dataBufferOffset = 80;
  header.senseInfoOffset = 48;
  header.cdb = {0x12, 0, 0, 0, 0x38, 0};
  WriteScsiHeader(header, BlockLayout::Bits32, scsi.data());
  devices.Control("\\\\.\\PhysicalDrive2", kIoctlScsiPassThrough, scsi.data(), uint32_t(scsi.size()), scsi.data(),
                  uint32_t(scsi.size()), &returned, &error);
  Bytes ata(56 + 512, 0);
  AtaPassThroughHeader ataHeader;
  ataHeader.length = 40;
  ataHeader.ataFlags = kAtaFlagsDataIn;
  ataHeader.dataTransferLength = 512;
  ataHeader.dataBufferOffset = 40;
  ataHeader.currentTaskFile = {0, 1, 0, 0, 0, 0xA0, 0xEC, 0};
  WriteAtaHeader(ataHeader, BlockLayout::Bits32, ata.data());
  devices.Control("\\\\.\\PhysicalDrive2", kIoctlAtaPassThrough, ata.data(), uint32_t(ata.size()), ata.data(),
                  uint32_t(ata.size()), &returned, &error);

  EXPECT_EQ((std::vector<std::string>{"\\\\.\\PhysicalDrive2 0x002D1080", "\\\\.\\PhysicalDrive9 0x002D1080",
                                      "\\\\.\\PhysicalDrive2 0x0004D004 12 00 00 00 38 00",
                                      "\\\\.\\PhysicalDrive2 0x0004D02C 00 01 00 00 00 A0 EC 00"}),
            lines)
      << "a line for each request, also one no device answers";
}

TEST(SimulatedDeviceSetTest, RoutesByPathWithoutCase) {
  SimulatedDevices devices(*ParseSimulatedDeviceSet("2=sat"));
  ASSERT_TRUE(devices.Find("\\\\.\\physicaldrive2"));
  EXPECT_EQ(2u, devices.Find("\\\\.\\PhysicalDrive2")->deviceNumber);

  uint8_t record[12] = {};
  uint32_t returned = 0, error = 0;
  ASSERT_TRUE(devices.Control("\\\\.\\PHYSICALDRIVE2", kIoctlStorageGetDeviceNumber, nullptr, 0, record, 12, &returned,
                              &error));
  EXPECT_EQ(12u, returned);
  EXPECT_EQ(2u, GetLe32(record + 4));
  EXPECT_FALSE(devices.Control("\\\\.\\PhysicalDrive3", kIoctlStorageGetDeviceNumber, nullptr, 0, record, 12,
                               &returned, &error));
  EXPECT_EQ(2u, error);
}

}  // namespace
}  // namespace tavolen::service
