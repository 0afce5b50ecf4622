// The service client against the service over the real pipe and real sections, the
// service running on threads of this process.
#include <gtest/gtest.h>

#include <windows.h>
#include <aclapi.h>
#include <sddl.h>

#include <atomic>
#include <cstring>
#include <map>
#include <memory>
#include <optional>
#include <thread>
#include <vector>

#include "control/device/ByteOrder.h"
#include "framework/UniqueLocal.h"
#include "control/device/CAtaCommand.h"
#include "control/device/CIoctl.h"
#include "control/device/COptCommand.h"
#include "control/device/CSatCommand.h"
#include "control/device/IoctlCodes.h"
#include "control/device/win/ServiceClient.h"
#include "tests/service/ServiceSupport.h"
#include "sim/SimOpener.h"
#include "control/device/win/Win32DeviceOpener.h"

namespace tavolen {
namespace {

using service::Misbehaviour;
using service::PipeServerOptions;
using service::testing::InProcessService;
using service::testing::RawConnection;
using service::testing::ReceivedRequest;

const char kDrive1[] = "\\\\.\\PhysicalDrive1";

// The stand-in runs on this test's threads, as this test's user: not as the service
// control manager runs the installed service. Tests of the product's rule set it back.
const ServiceServerTrust kProductRule = SetServiceServerTrust(ServiceServerTrust::AlsoOwnAccount);

// The product's rule for as long as it lives.
class ProductRule {
 public:
  ProductRule() : before_(SetServiceServerTrust(kProductRule)) {}
  ~ProductRule() { SetServiceServerTrust(before_); }

 private:
  ServiceServerTrust before_;
};

PipeServerOptions Misbehaving(Misbehaviour misbehaviour) {
  PipeServerOptions options;
  options.misbehaviour = misbehaviour;
  return options;
}

std::vector<ReceivedRequest> OfType(const std::vector<ReceivedRequest>& requests, ServiceRequestType type) {
  std::vector<ReceivedRequest> found;
  for (const ReceivedRequest& r : requests) {
    if (r.header.type == uint8_t(type)) found.push_back(r);
  }
  return found;
}

// Fails the test when a section of that name is still alive.
bool SectionExists(const std::string& name) {
  return bool(UniqueHandle(::OpenFileMappingA(FILE_MAP_READ, FALSE, name.c_str())));
}

// --- the exchange ------------------------------------------------------------------

TEST(ServiceClient, RequestWithoutDataUsesAnEightByteSection) {
  InProcessService service;
  ASSERT_TRUE(service.started);
  // The simulated disk refuses a geometry request without room for the answer: the
  // request went all the way and the device's refusal came back as the status.
  ServiceTrace trace;
  EXPECT_EQ(0, ServiceDeviceControl(nullptr, kDrive1, kIoctlDiskGetDriveGeometry, nullptr, 0, nullptr, 0, &trace));
  EXPECT_EQ(ServiceStep::DeviceControl, trace.step);
  EXPECT_EQ(service::kStatusDeviceFailed, trace.status);
  EXPECT_EQ(8u, trace.sectionSize);

  const auto creates = OfType(service.Requests(), ServiceRequestType::CreateSharedMemory);
  const auto controls = OfType(service.Requests(), ServiceRequestType::DeviceControl);
  ASSERT_EQ(1u, creates.size());
  ASSERT_EQ(1u, controls.size());
  EXPECT_EQ(8u, GetLe32(&creates[0].body[4]));
  EXPECT_EQ(8u, GetLe32(&controls[0].body[8]));
  EXPECT_EQ(0u, GetLe32(&controls[0].body[24]));
  EXPECT_EQ(0u, GetLe32(&controls[0].body[32]));
  const auto calls = service.devices.Calls();
  ASSERT_EQ(1u, calls.size());
  EXPECT_EQ(0u, calls[0].outLength);
}

TEST(ServiceClient, SectionNameTravelsWithNulToCreateAndWithoutToControl) {
  InProcessService service;
  ASSERT_TRUE(service.started);
  ServiceTrace trace;
  uint8_t record[12] = {};
  ASSERT_EQ(1, ServiceDeviceControl(nullptr, kDrive1, kIoctlStorageGetDeviceNumber, nullptr, 0, record, 12, &trace));
  EXPECT_EQ(1u, StorageDeviceNumber::Decode(record).deviceNumber);
  EXPECT_EQ(2u, trace.pipeOpens) << "the request's connection and the section's";
  EXPECT_EQ(0u, trace.pipeWaits) << "a listening instance is opened without a wait";

  const std::string& name = trace.sectionName;
  ASSERT_EQ(40u, name.size());
  EXPECT_EQ(0u, name.rfind("Global\\", 0));
  char expectedThread[9];
  std::snprintf(expectedThread, sizeof expectedThread, "%.8lX", ::GetCurrentThreadId());
  EXPECT_EQ(expectedThread, name.substr(7, 8));

  const auto create = OfType(service.Requests(), ServiceRequestType::CreateSharedMemory).at(0);
  EXPECT_EQ(1, create.header.flag);
  EXPECT_EQ(name.size() + 1, GetLe32(&create.body[8]));
  EXPECT_EQ(name + '\0', std::string(create.body.begin() + 12, create.body.end()));

  const auto control = OfType(service.Requests(), ServiceRequestType::DeviceControl).at(0);
  EXPECT_EQ(0, control.header.flag);
  EXPECT_EQ(name.size(), GetLe32(&control.body[12]));
  EXPECT_EQ(name, std::string(control.body.begin() + 36, control.body.begin() + 36 + name.size()));

  const auto finishes = OfType(service.Requests(), ServiceRequestType::Finish);
  ASSERT_EQ(1u, finishes.size());
  EXPECT_EQ(1, finishes[0].header.flag);
  EXPECT_FALSE(SectionExists(name)) << "both sides let go of the section at the end";
}

TEST(ServiceClient, PhysicalDriveThreeTravelsAsNineteenBytes) {
  InProcessService service(PipeServerOptions{}, "3=sat");
  ASSERT_TRUE(service.started);
  // \\.\PhysicalDrive3 does not open here, so the command goes to the service.
  Win32DeviceOpener opener;
  CScsiCommand command(opener, 3);
  ASSERT_EQ(ChannelRoute::Service, command.Route());
  uint8_t inquiry[56];
  ASSERT_TRUE(command.Inquiry(inquiry, sizeof inquiry));
  EXPECT_EQ(0, std::memcmp(inquiry + 8, "VARNKELD", 8));

  const auto control = OfType(service.Requests(), ServiceRequestType::DeviceControl).at(0);
  const char path[] = "\\\\.\\PhysicalDrive3";
  EXPECT_EQ(19u, GetLe32(&control.body[16]));
  EXPECT_EQ(std::string(path, sizeof path), std::string(control.body.end() - 19, control.body.end()));
  EXPECT_EQ(path, service.devices.Calls().at(0).path);
}

TEST(ServiceClient, RepeatedRequestsReuseTheSectionNameAndThePipeInstancesAtOnce) {
  InProcessService service;
  ASSERT_TRUE(service.started);
  for (int i = 0; i < 30; ++i) {
    ServiceTrace trace;
    uint8_t record[12] = {};
    ASSERT_EQ(1, ServiceDeviceControl(nullptr, kDrive1, kIoctlStorageGetDeviceNumber, nullptr, 0, record, 12, &trace))
        << "request " << i << " ended at step " << int(trace.step) << " status " << trace.status;
    EXPECT_EQ(0u, trace.pipeWaits) << "request " << i;
  }
  EXPECT_EQ(30u, service.Stats().deviceControlRequests.load());
  EXPECT_EQ(60u, service.Stats().connections.load());
  // One client at a time needs two connections at once while two more listen, and a
  // few more while its last connections are still being closed: a handful of instances
  // (each with its thread) serve all sixty connections.
  EXPECT_LE(service.Stats().instances.load(), 8u);
}

// --- refusals and broken connections --------------------------------------------------

TEST(ServiceClientFailures, RefusedFinishClosesTheMappingAndSendsNoRequest) {
  InProcessService service(Misbehaving(Misbehaviour::RefuseFinish));
  ASSERT_TRUE(service.started);
  ServiceTrace trace;
  uint8_t out[12];
  EXPECT_EQ(0, ServiceDeviceControl(nullptr, kDrive1, kIoctlStorageGetDeviceNumber, nullptr, 0, out, 12, &trace));
  EXPECT_EQ(ServiceStep::Finish, trace.step);
  EXPECT_EQ(service::kStatusRefused, trace.status);
  EXPECT_FALSE(trace.ioRequestSent);
  EXPECT_EQ(0u, service.Stats().deviceControlRequests.load());
  EXPECT_FALSE(SectionExists(trace.sectionName)) << "the client closed the mapping it had opened";
}

TEST(ServiceClientFailures, FailureStatusCopiesNoOutput) {
  InProcessService service(Misbehaving(Misbehaviour::FailDeviceControl));
  ASSERT_TRUE(service.started);
  ServiceTrace trace;
  uint8_t out[12];
  std::memset(out, 0xCC, sizeof out);
  EXPECT_EQ(0, ServiceDeviceControl(nullptr, kDrive1, kIoctlStorageGetDeviceNumber, nullptr, 0, out, 12, &trace));
  EXPECT_EQ(ServiceStep::DeviceControl, trace.step);
  EXPECT_EQ(service::kStatusRefused, trace.status);
  EXPECT_EQ(1u, service.devices.Calls().size()) << "the device answered; only the status said no";
  for (uint8_t b : out) EXPECT_EQ(0xCC, b);
}

TEST(ServiceClientFailures, ConnectionClosedBeforeTheReplyIsAShortRead) {
  InProcessService service(Misbehaving(Misbehaviour::CloseBeforeReply));
  ASSERT_TRUE(service.started);
  ServiceTrace trace;
  uint8_t out[12];
  EXPECT_EQ(0, ServiceDeviceControl(nullptr, kDrive1, kIoctlStorageGetDeviceNumber, nullptr, 0, out, 12, &trace));
  EXPECT_EQ(ServiceStep::DeviceControl, trace.step);
  EXPECT_EQ(kServiceStatusReadShort, trace.status);
  EXPECT_TRUE(trace.ioRequestSent);
}

TEST(ServiceClientFailures, AServiceThatNeverAnswersFailsTheRequestAtItsDeadline) {
  ServiceDeadlines deadlines;
  deadlines.transferMs = 200;
  uint8_t out[12];
  {
  InProcessService service(Misbehaving(Misbehaviour::NeverAnswer));
  ASSERT_TRUE(service.started);
  ServiceTrace trace;
  ::SetLastError(0);
  EXPECT_EQ(0, ServiceDeviceControl(nullptr, kDrive1, kIoctlStorageGetDeviceNumber, nullptr, 0, out, 12, &trace,
                                    deadlines));
  EXPECT_EQ(DWORD(ERROR_SEM_TIMEOUT), ::GetLastError());
  EXPECT_EQ(ServiceStep::DeviceControl, trace.step);
  EXPECT_EQ(kServiceStatusReadShort, trace.status);
  EXPECT_TRUE(trace.ioRequestSent);

  }
  // Every instance taken by a client that says nothing: the wait for one ends too.
  PipeServerOptions one;
  one.maxInstances = 1;
  InProcessService service(one);
  ASSERT_TRUE(service.started);
  RawConnection squatter;
  ASSERT_TRUE(squatter);
  deadlines.connectMs = 200;
  ServiceTrace busy;
  EXPECT_EQ(0, ServiceDeviceControl(nullptr, kDrive1, kIoctlStorageGetDeviceNumber, nullptr, 0, out, 12, &busy,
                                    deadlines));
  EXPECT_EQ(ServiceStep::Connect, busy.step);
  EXPECT_EQ(uint32_t(ERROR_SEM_TIMEOUT), busy.systemError);
  EXPECT_GE(busy.pipeBusy, 1u);
}

TEST(ServiceClientFailures, ConnectionClosedBeforeTheRequestIsAShortWrite) {
  // The service closes the waiting request connection while it creates the section.
  InProcessService service(Misbehaving(Misbehaviour::DropWaitingConnections));
  ASSERT_TRUE(service.started);
  ServiceTrace trace;
  // The section's connection opens only once the service has taken the request
  // connection as waiting, so that the drop finds it.
  trace.beforePipeOpen = [&](uint32_t attempt) {
    for (int i = 0; attempt == 2 && i < 10000 && service.Stats().connections.load() < 1; ++i) ::Sleep(1);
  };
  uint8_t out[12];
  EXPECT_EQ(0, ServiceDeviceControl(nullptr, kDrive1, kIoctlStorageGetDeviceNumber, nullptr, 0, out, 12, &trace));
  EXPECT_EQ(ServiceStep::DeviceControl, trace.step);
  EXPECT_EQ(kServiceStatusWriteShort, trace.status);
  EXPECT_EQ(1u, service.Stats().droppedConnections.load());
  EXPECT_EQ(0u, service.Stats().deviceControlRequests.load());
}

TEST(ServiceClientFailures, UndersizedSectionIsNeverWritten) {
  InProcessService service(Misbehaving(Misbehaviour::UndersizeSection));
  ASSERT_TRUE(service.started);
  std::vector<uint8_t> in(3 * 4096, 0x5A);
  std::vector<uint8_t> out(4096);
  ServiceTrace trace;
  EXPECT_EQ(0, ServiceDeviceControl(nullptr, kDrive1, kIoctlScsiPassThrough, in.data(), uint32_t(in.size()), out.data(),
                                    uint32_t(out.size()), &trace));
  EXPECT_EQ(ServiceStep::ViewTooSmall, trace.step);
  EXPECT_EQ(4u * 4096, trace.sectionSize);
  EXPECT_FALSE(trace.ioRequestSent);
  EXPECT_EQ(0u, service.Stats().deviceControlRequests.load());
}

TEST(ServiceClientFailures, NoServiceFailsAtOnceWithoutRetrying) {
  // Nothing listens: the open finds no pipe, the one wait reports at once that the pipe
  // does not exist (a timed-out wait would report ERROR_SEM_TIMEOUT), and nothing is
  // retried.
  ServiceTrace trace;
  uint8_t out[12];
  EXPECT_EQ(0, ServiceDeviceControl(nullptr, kDrive1, kIoctlStorageGetDeviceNumber, nullptr, 0, out, 12, &trace));
  EXPECT_EQ(ServiceStep::Connect, trace.step);
  EXPECT_EQ(1u, trace.pipeOpens);
  EXPECT_EQ(1u, trace.pipeWaits);
  EXPECT_EQ(0u, trace.pipeBusy);
  EXPECT_EQ(DWORD(ERROR_FILE_NOT_FOUND), trace.systemError);
  EXPECT_EQ(DWORD(ERROR_FILE_NOT_FOUND), ::GetLastError());

  Win32DeviceOpener opener;
  CScsiCommand command(opener, 1);
  uint8_t inquiry[56];
  EXPECT_FALSE(command.Inquiry(inquiry, sizeof inquiry));
}

TEST(ServiceClientFailures, BusyPipeIsWaitedForUntilAnInstanceFrees) {
  PipeServerOptions options;
  options.maxInstances = 2;
  InProcessService service(options);
  ASSERT_TRUE(service.started);

  // The request takes the first instance. Right before the client opens the section's
  // connection, someone else takes the last free instance: the open finds the pipe
  // busy; that someone leaves again, the client's wait succeeds and so does its next
  // open. The opens that found an instance free waited for nothing.
  std::optional<RawConnection> other;
  ServiceTrace trace;
  trace.beforePipeOpen = [&](uint32_t attempt) {
    if (attempt == 2) {
      ASSERT_TRUE(::WaitNamedPipeA(kServicePipeName, 10000));
      other.emplace();
      ASSERT_TRUE(*other);
    }
  };
  trace.onPipeBusy = [&] { other.reset(); };
  uint8_t record[12] = {};
  ASSERT_EQ(1, ServiceDeviceControl(nullptr, kDrive1, kIoctlStorageGetDeviceNumber, nullptr, 0, record, 12, &trace))
      << "ended at step " << int(trace.step) << " error " << trace.systemError << " waits " << trace.pipeWaits;
  EXPECT_EQ(1u, trace.pipeBusy);
  EXPECT_EQ(1u, trace.pipeWaits);
  EXPECT_EQ(3u, trace.pipeOpens);
  EXPECT_EQ(1u, StorageDeviceNumber::Decode(record).deviceNumber);
}

// --- what the service accepts from anyone -------------------------------------------

TEST(ServiceHostileClients, RequestsOutsideTheSectionOrOversizedAreRefused) {
  InProcessService service;
  ASSERT_TRUE(service.started);
  {
    RawConnection raw;
    ASSERT_TRUE(raw);
    // Each section as the product makes it, over a connection of its own.
    auto made = [](const std::string& name) {
      RawConnection area;
      EXPECT_EQ(0, SendServiceRequest(area, EncodeCreateSharedMemory({0, 64, name})));
      UniqueHandle mine(::OpenFileMappingA(FILE_MAP_ALL_ACCESS, FALSE, name.c_str()));
      EXPECT_EQ(0, SendServiceRequest(area, EncodeFinish()));
      return mine;
    };
    const std::string name = TransferAreaName(0x7E57, 0x1), other = TransferAreaName(0x7E57, 0x2);
    const UniqueHandle mine = made(name);
    ASSERT_TRUE(mine);

    // A name still in use is refused.
    RawConnection second;
    EXPECT_EQ(service::kStatusSectionFailed, SendServiceRequest(second, EncodeCreateSharedMemory({0, 64, name})));

    // Output that would run past the section (it is one page once mapped) is refused
    // without reaching the device, whatever section size the request claims.
    ServiceIoRequest request = *MakeServiceIoRequest(kIoctlStorageGetDeviceNumber, name, kDrive1, 0, 12);
    request.outputOffset = 4096 - 11;
    EXPECT_EQ(service::kStatusOutsideSection, SendServiceRequest(raw, EncodeServiceIo(request)));
    const UniqueHandle theirs = made(other);
    ASSERT_TRUE(theirs);
    request.sectionName = other;
    request.outputOffset = 4096 - 12;
    EXPECT_EQ(0, SendServiceRequest(raw, EncodeServiceIo(request)));
    EXPECT_EQ(1u, service.devices.Calls().size());
  }
  {
    // A name the service never made serves no request, even when a section has it.
    RawConnection raw;
    ASSERT_TRUE(raw);
    const std::string never = TransferAreaName(0x7E57, 0x3);
    const UniqueHandle squatted(
        ::CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 64, never.c_str()));
    ASSERT_TRUE(squatted) << "a section of the client's form the service did not make";
    EXPECT_EQ(service::kStatusForbidden,
              SendServiceRequest(raw, EncodeServiceIo(*MakeServiceIoRequest(kIoctlStorageGetDeviceNumber, never,
                                                                            kDrive1, 0, 12))));
    EXPECT_EQ(1u, service.devices.Calls().size());
  }
  {
    // A header announcing more body than any request has ends the connection.
    RawConnection raw;
    ASSERT_TRUE(raw);
    const RequestHeaderBytes header = EncodeRequestHeader({2, 0, 0x40000000});
    ASSERT_TRUE(raw.WriteAll(header.data(), header.size()));
    uint8_t reply[14];
    EXPECT_FALSE(raw.ReadAll(reply, sizeof reply));
  }
  // The service still serves well-behaved clients.
  uint8_t record[12] = {};
  EXPECT_EQ(1, ServiceDeviceControl(nullptr, kDrive1, kIoctlStorageGetDeviceNumber, nullptr, 0, record, 12));
}

// --- whom the client talks to, and who may open its section ----------------------------

TEST(ServiceServerCheck, TheProductsRuleSendsNothingToAServerThatIsNotTheService) {
  InProcessService service;
  ASSERT_TRUE(service.started);
  uint8_t record[12] = {};
  {
    const ProductRule rule;
    ServiceTrace trace;
    EXPECT_EQ(0, ServiceDeviceControl(nullptr, kDrive1, kIoctlStorageGetDeviceNumber, nullptr, 0, record, 12, &trace));
    EXPECT_EQ(DWORD(ERROR_ACCESS_DENIED), ::GetLastError());
    EXPECT_EQ(ServiceStep::ServerAccount, trace.step);
    ServiceTrace areaTrace;
    EXPECT_FALSE(OpenTransferArea(TransferAreaName(0x7E58, 1), 0, 64, &areaTrace));
    EXPECT_EQ(ServiceStep::ServerAccount, areaTrace.step);
    EXPECT_TRUE(service.Requests().empty()) << "nothing was sent to it";
  }
  // The stand-in runs as this test's user: accepted once the caller's own account is.
  EXPECT_EQ(1, ServiceDeviceControl(nullptr, kDrive1, kIoctlStorageGetDeviceNumber, nullptr, 0, record, 12));
  EXPECT_EQ(1u, service.devices.Calls().size());
}

// The user this test runs as, in text form.
std::string OwnUserSid() {
  UniqueHandle token;
  if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, token.put())) return {};
  return service::TokenUserSid(token.get());
}

// A kernel object's access list: what each SID (as text) is allowed, and how many entries
// there are. Nothing when it cannot be read or holds an entry that is not an allow entry.
struct AllowList {
  std::map<std::string, ACCESS_MASK> bySid;
  DWORD entries = 0;
};
std::optional<AllowList> ReadAllowList(HANDLE object) {
  PACL dacl = nullptr;
  PSECURITY_DESCRIPTOR raw = nullptr;
  if (::GetSecurityInfo(object, SE_KERNEL_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, &dacl, nullptr, &raw) !=
      ERROR_SUCCESS)
    return std::nullopt;
  const UniqueLocal descriptor(raw);
  if (!dacl) return std::nullopt;
  AllowList list;
  list.entries = dacl->AceCount;
  for (DWORD i = 0; i < dacl->AceCount; ++i) {
    void* ace = nullptr;
    if (!::GetAce(dacl, i, &ace)) return std::nullopt;
    const auto* allowed = static_cast<const ACCESS_ALLOWED_ACE*>(ace);
    if (allowed->Header.AceType != ACCESS_ALLOWED_ACE_TYPE) return std::nullopt;
    char* sid = nullptr;
    if (!::ConvertSidToStringSidA(const_cast<DWORD*>(&allowed->SidStart), &sid)) return std::nullopt;
    const UniqueLocal ownedSid(sid);
    list.bySid[sid] |= allowed->Mask;
  }
  return list;
}

TEST(ServiceSections, ASectionIsForTheSystemAndTheClientsUserOnly) {
  InProcessService service;
  ASSERT_TRUE(service.started);
  const std::string user = OwnUserSid();
  ASSERT_FALSE(user.empty());
  const std::map<std::string, ACCESS_MASK> expected = {{"S-1-5-18", ACCESS_MASK(SECTION_ALL_ACCESS)},
                                                       {user, ACCESS_MASK(SECTION_ALL_ACCESS)}};
  // The first section asks the system for this process's user, the second finds it kept.
  for (uint32_t n = 0; n < 2; ++n) {
    const std::string name = TransferAreaName(::GetCurrentThreadId(), 0x5EC + n);
    const UniqueHandle mapping = OpenTransferArea(name, 0, 64);
    ASSERT_TRUE(mapping) << "the client opens it with FILE_MAP_ALL_ACCESS";
    const std::optional<AllowList> list = ReadAllowList(mapping.get());
    ASSERT_TRUE(list) << "an access list of allow entries only";
    EXPECT_EQ(expected, list->bySid) << n;
    EXPECT_EQ(2u, list->entries) << n;
  }
}

TEST(ServiceHostileClients, ThePipeLetsSignedInUsersUseItButNotPutUpInstances) {
  InProcessService service;
  ASSERT_TRUE(service.started);
  RawConnection client;
  ASSERT_TRUE(client);
  const std::optional<AllowList> list = ReadAllowList(client.Handle());
  ASSERT_TRUE(list) << "an access list of allow entries only";
  std::map<std::string, ACCESS_MASK> allowed = list->bySid;  // by SID text
  const std::string interactive = "S-1-5-4", system = "S-1-5-18", administrators = "S-1-5-32-544";
  EXPECT_EQ(3u, allowed.size()) << "nobody else";
  ASSERT_EQ(1u, allowed.count(interactive));
  EXPECT_EQ(ACCESS_MASK(FILE_READ_DATA | FILE_WRITE_DATA), allowed[interactive] & (FILE_READ_DATA | FILE_WRITE_DATA));
  EXPECT_EQ(0u, allowed[interactive] & (FILE_CREATE_PIPE_INSTANCE | WRITE_DAC | WRITE_OWNER | DELETE));
  EXPECT_EQ(1u, allowed.count(system));
  EXPECT_EQ(1u, allowed.count(administrators));
}

TEST(ServiceHostileClients, IdleAndSurplusConnectionsAreClosedAndTheProductIsStillServed) {
  uint8_t byte = 0;
  {
    PipeServerOptions quick;
    quick.idleTimeoutMs = 200;
    InProcessService service(quick);
    ASSERT_TRUE(service.started);
    RawConnection idle;
    ASSERT_TRUE(idle);
    EXPECT_FALSE(idle.ReadAll(&byte, 1)) << "a connection that says nothing is closed";
    RawConnection halfway;
    ASSERT_TRUE(halfway);
    const RequestHeaderBytes header = EncodeRequestHeader({2, 0, 40});
    ASSERT_TRUE(halfway.WriteAll(header.data(), header.size()));
    EXPECT_FALSE(halfway.ReadAll(&byte, 1)) << "a request that stops halfway is dropped";
  }
  PipeServerOptions capped;
  capped.maxConnectionsPerClient = 4;
  capped.idleTimeoutMs = 5000;  // long enough for the flood to stand, short for the test
  InProcessService service(capped);
  ASSERT_TRUE(service.started);
  // Each connection waits for a free instance, as a client that finds the pipe busy does.
  auto connect = [] {
    ::WaitNamedPipeA(kServicePipeName, 10000);
    return std::make_unique<RawConnection>();
  };
  std::vector<std::unique_ptr<RawConnection>> flood;
  for (int i = 0; i < 4; ++i) {
    flood.push_back(connect());
    ASSERT_TRUE(*flood.back());
  }
  const std::unique_ptr<RawConnection> surplus = connect();
  ASSERT_TRUE(*surplus);
  EXPECT_FALSE(surplus->ReadAll(&byte, 1)) << "the fifth connection of one process is closed unserved";
  EXPECT_EQ(1u, service.Stats().refusedConnections.load());
  flood.clear();
  // The flood's connections end once the service's threads see their client close them;
  // until then a request may still meet the cap (a busy machine may take a while), so it
  // is asked again for up to ten seconds.
  uint8_t record[12] = {};
  int served = 0;
  for (const ULONGLONG deadline = ::GetTickCount64() + 10000; !served && ::GetTickCount64() < deadline;) {
    served = ServiceDeviceControl(nullptr, kDrive1, kIoctlStorageGetDeviceNumber, nullptr, 0, record, 12);
    if (!served) ::Sleep(20);
  }
  EXPECT_EQ(1, served);
}

TEST(ServiceConcurrency, SeveralClientsAreServedAtOnce) {
  InProcessService service;
  ASSERT_TRUE(service.started);
  std::atomic<int> failures{0};
  std::vector<std::thread> clients;
  for (int c = 0; c < 4; ++c) {
    clients.emplace_back([&failures, c] {
      Win32DeviceOpener opener;
      for (int i = 0; i < 10; ++i) {
        CIoctl command(opener, uint32_t(1 + c % 2));
        StorageDeviceNumber number;
        if (!command.GetDeviceNumber(number) || number.deviceNumber != uint32_t(1 + c % 2)) ++failures;
      }
    });
  }
  for (auto& t : clients) t.join();
  EXPECT_EQ(0, failures.load());
  EXPECT_EQ(40u, service.Stats().deviceControlRequests.load());
}

// --- the command set: through the service as directly ------------------------------

// The same simulated device reached directly and through the service must answer alike.
class ServiceRouteEquivalence : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(service.started);
    for (const auto& [path, number] : {std::pair<const char*, uint32_t>{kDrive1, 1}, {"\\\\.\\PhysicalDrive2", 2}}) {
      auto device = service.devices.Find(path);
      ASSERT_TRUE(device);
      direct.Add(PhysicalDrivePath(number), device, ChannelRoute::Direct);
    }
    direct.Add(CdromPath(0), service.devices.Find("\\\\.\\Cdrom0"), ChannelRoute::Direct);
  }

  InProcessService service;  // 1 sat, 2 plain-ata, cdrom0 optical
  sim::SimOpener direct;
  Win32DeviceOpener viaService;
};

template <typename CommandType>
void ExpectSameAtaAnswers(DeviceOpener& a, DeviceOpener& b, uint32_t drive) {
  CommandType one(a, drive), two(b, drive);
  uint8_t inquiry1[56], inquiry2[56];
  ASSERT_TRUE(one.Inquiry(inquiry1, 56));
  ASSERT_TRUE(two.Inquiry(inquiry2, 56));
  EXPECT_EQ(0, std::memcmp(inquiry1, inquiry2, 56));

  uint64_t lba1 = 0, lba2 = 0;
  uint32_t block1 = 0, block2 = 0;
  ASSERT_TRUE(one.ReadCapacity(lba1, block1));
  ASSERT_TRUE(two.ReadCapacity(lba2, block2));
  EXPECT_EQ(lba1, lba2);
  EXPECT_EQ(block1, block2);

  uint8_t identify1[512], identify2[512];
  ASSERT_TRUE(one.Identify(identify1));
  ASSERT_TRUE(two.Identify(identify2));
  EXPECT_EQ(0, std::memcmp(identify1, identify2, 512));

  bool awake1 = false, awake2 = false, good1 = false, good2 = false;
  ASSERT_TRUE(one.CheckPowerMode(awake1));
  ASSERT_TRUE(two.CheckPowerMode(awake2));
  EXPECT_EQ(awake1, awake2);
  ASSERT_TRUE(one.SmartReturnStatus(good1));
  ASSERT_TRUE(two.SmartReturnStatus(good2));
  EXPECT_EQ(good1, good2);

  uint8_t smart1[512], smart2[512];
  ASSERT_TRUE(one.SmartReadData(smart1));
  ASSERT_TRUE(two.SmartReadData(smart2));
  EXPECT_EQ(0, std::memcmp(smart1, smart2, 512));
  uint32_t celsius1 = 0, celsius2 = 0;
  ASSERT_TRUE(one.ReadTemperature(celsius1));
  ASSERT_TRUE(two.ReadTemperature(celsius2));
  EXPECT_EQ(celsius1, celsius2);
}

TEST_F(ServiceRouteEquivalence, SatBridgeAnswersAlike) {
  ExpectSameAtaAnswers<CSatCommand>(direct, viaService, 1);
  // The service route carried 32-bit blocks to the device.
  auto device = service.devices.Find(kDrive1);
  const auto lock = device->Lock();
  bool sawServiceLayout = false;
  for (const auto& cdb : device->Cdbs()) sawServiceLayout |= cdb.layout == BlockLayout::Bits32;
  EXPECT_TRUE(sawServiceLayout);
}

TEST_F(ServiceRouteEquivalence, InternalAtaDiskAnswersAlike) { ExpectSameAtaAnswers<CAtaCommand>(direct, viaService, 2); }

TEST_F(ServiceRouteEquivalence, StandbyThroughTheServiceIsSeenDirectly) {
  CSatCommand throughService(viaService, 1);
  ASSERT_EQ(ChannelRoute::Service, throughService.Route());
  ASSERT_TRUE(throughService.SendCountCommand(0xE2, 0));  // STANDBY
  CSatCommand directly(direct, 1);
  bool awake = true;
  ASSERT_TRUE(directly.CheckPowerMode(awake));
  EXPECT_FALSE(awake);
}

TEST_F(ServiceRouteEquivalence, StorageIoctlsAndOpticalAnswersAlike) {
  for (uint32_t drive : {1u, 2u}) {
    CIoctl one(direct, drive), two(viaService, drive);
    StorageDeviceNumber n1, n2;
    ASSERT_TRUE(one.GetDeviceNumber(n1));
    ASSERT_TRUE(two.GetDeviceNumber(n2));
    EXPECT_EQ(n1.deviceNumber, n2.deviceNumber);
    EXPECT_EQ(n1.deviceType, n2.deviceType);
    DiskGeometry g1, g2;
    ASSERT_TRUE(one.GetDriveGeometry(g1));
    ASSERT_TRUE(two.GetDriveGeometry(g2));
    EXPECT_EQ(g1.cylinders, g2.cylinders);
    EXPECT_EQ(g1.bytesPerSector, g2.bytesPerSector);
    StorageHotplugInfo h1, h2;
    ASSERT_TRUE(one.GetHotplugInfo(h1));
    ASSERT_TRUE(two.GetHotplugInfo(h2));
    EXPECT_EQ(h1.deviceHotplug, h2.deviceHotplug);
  }
  COptCommand one(direct, 0u), two(viaService, 0u);
  uint32_t profile1 = 99, profile2 = 98, status1 = 99, status2 = 98;
  ASSERT_TRUE(one.GetCurrentProfile(profile1));
  ASSERT_TRUE(two.GetCurrentProfile(profile2));
  EXPECT_EQ(profile1, profile2);
  ASSERT_TRUE(one.ReadDiscStatus(status1));
  ASSERT_TRUE(two.ReadDiscStatus(status2));
  EXPECT_EQ(status1, status2);
}

// --- the route setting -------------------------------------------------------------

TEST(DeviceRoute, ServiceOnlySendsEvenWhatWouldOpenDirectlyToTheService) {
  InProcessService service(PipeServerOptions{}, "0=plain-ata");
  ASSERT_TRUE(service.started);
  const char kDrive0[] = "\\\\.\\PhysicalDrive0";
  for (DeviceRoute route : {DeviceRoute::DirectElseService, DeviceRoute::ServiceOnly}) {
    int directOpens = 0;
    DeviceOpenerOptions options;
    options.route = route;
    options.directOpen = [&directOpens](const std::u16string& path) {
      ++directOpens;
      return OpenDeviceDirectly(path);
    };
    Win32DeviceOpener opener(options);
    EXPECT_EQ(route, opener.Route());
    CScsiCommand command(opener, 0u);
    const size_t callsBefore = service.devices.Calls().size();
    uint8_t inquiry[56] = {};
    const bool answered = command.Inquiry(inquiry, sizeof inquiry);
    if (route == DeviceRoute::DirectElseService) {
      // Wine opens \\.\PhysicalDrive0 itself (a device without pass-through).
      EXPECT_EQ(1, directOpens);
      EXPECT_EQ(ChannelRoute::Direct, command.Route());
      EXPECT_EQ(callsBefore, service.devices.Calls().size());
    } else {
      EXPECT_EQ(0, directOpens) << "nothing is opened directly";
      EXPECT_EQ(ChannelRoute::Service, command.Route());
      ASSERT_TRUE(answered);
      EXPECT_EQ(0, std::memcmp(inquiry + 16, "SIM FIXED DISK", 14)) << "the service's disk answered";
      ASSERT_EQ(callsBefore + 1, service.devices.Calls().size());
      EXPECT_EQ(kDrive0, service.devices.Calls().back().path);
    }
  }
}

TEST(DeviceRoute, TheVariableAsksForTheServiceRouteWithExactlyService) {
  const struct {
    const wchar_t* value;
    DeviceRoute route;
  } cases[] = {
      {nullptr, DeviceRoute::DirectElseService},   {L"service", DeviceRoute::ServiceOnly},
      {L"Service", DeviceRoute::DirectElseService}, {L"direct", DeviceRoute::DirectElseService},
      {L"", DeviceRoute::DirectElseService},        {L"service ", DeviceRoute::DirectElseService},
      {L"servicesservicesservices", DeviceRoute::DirectElseService},
  };
  for (const auto& c : cases) {
    ASSERT_TRUE(::SetEnvironmentVariableW(kDeviceRouteVariable, c.value) || !c.value);
    EXPECT_EQ(c.route, DeviceRouteFromEnvironment()) << (c.value ? "set" : "unset");
  }
  ::SetEnvironmentVariableW(kDeviceRouteVariable, nullptr);
}

// --- installation checks ----------------------------------------------------------

TEST(ServiceInstallation, InstalledMeansTheParametersKeyOpens) {
  ::RegDeleteKeyA(HKEY_LOCAL_MACHINE, kServiceParametersKey);
  EXPECT_EQ(0, IsServiceInstalled());
  HKEY key = nullptr;
  ASSERT_EQ(ERROR_SUCCESS, ::RegCreateKeyExA(HKEY_LOCAL_MACHINE, kServiceParametersKey, 0, nullptr, 0, KEY_WRITE,
                                             nullptr, &key, nullptr));
  ::RegCloseKey(key);
  EXPECT_EQ(1, IsServiceInstalled());
  ::RegDeleteKeyA(HKEY_LOCAL_MACHINE, kServiceParametersKey);
  EXPECT_EQ(0, IsServiceInstalled());
}

TEST(ServiceInstallation, WineRunsProgramsAsAnAdministrator) { EXPECT_EQ(1, IsAdministrator()); }

}  // namespace
}  // namespace tavolen
