// The client against the service stand-in running as its own process: the 32-bit build
// when it is there (what the product installs; a 64-bit client then talks across word
// sizes), else the build of this test's own word size. The test-and-demonstration build
// answers from simulated devices; the installer puts the build that serves real devices
// only under the service control manager.
#include <gtest/gtest.h>

#include <windows.h>
#include <sddl.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include <shlobj.h>

#include "control/device/CAtaCommand.h"
#include "control/device/COptCommand.h"
#include "control/device/CSatCommand.h"
#include "control/device/IoctlCodes.h"
#include "control/device/PassThroughBlock.h"
#include "control/device/win/ServiceClient.h"
#include "control/device/ServiceProtocol.h"
#include "service/RequestPolicy.h"
#include "service/ServiceSession.h"
#include "sim/SimOpener.h"
#include "tests/service/ServiceProcess.h"
#include "tests/sim/SimTestBlocks.h"
#include "framework/UniqueHandle.h"
#include "framework/UniqueServiceHandle.h"
#include "framework/UniqueView.h"
#include "control/device/win/Win32DeviceOpener.h"

namespace tavolen {
namespace {

// The stand-in runs in a console as this test's user, not as the service control manager
// runs the installed service: accepted as a server of the caller's own account.
const ServiceServerTrust kProductRule = SetServiceServerTrust(ServiceServerTrust::AlsoOwnAccount);

using test::ServiceProcess;

// The build SETUP installs, in DevMgr: the 32-bit one when it is there.
std::string InstalledProgram() { return test::Built32OrOwn(TAVOLEN_SERVICE_EXE_32, TAVOLEN_SERVICE_EXE_OWN); }

std::string UniqueName(const char* what) {
  char name[96];
  std::snprintf(name, sizeof name, "TavolenServiceTest-%s-%lu", what, ::GetCurrentProcessId());
  return name;
}

TEST(ServiceProcess, AnswersFromSimulatedDrivesAsTheSameDevicesDoDirectly) {
  std::printf("service program: %s\n", ServiceProcess::Program().c_str());
  ServiceProcess service = ServiceProcess::Simulating("1=sat,2=plain-ata,cdrom0=optical");
  ASSERT_TRUE(service.Listening());

  // The product's own opener: these paths do not open under Wine, so every request
  // travels to the other process.
  DeviceOpener& opener = SystemDeviceOpener();
  // Fresh simulated devices of the same families, reached directly, give the answers
  // to expect.
  sim::SimOpener direct;
  direct.Add(PhysicalDrivePath(1), std::make_shared<sim::SimDevice>(sim::Family::Sat));
  direct.Add(PhysicalDrivePath(2), std::make_shared<sim::SimDevice>(sim::Family::PlainAta));
  direct.Add(CdromPath(0), std::make_shared<sim::SimDevice>(sim::Family::Optical));

  CSatCommand sat(opener, 1), satDirect(direct, 1);
  ASSERT_EQ(ChannelRoute::Service, sat.Route());
  uint8_t inquiry[56], inquiryDirect[56];
  ASSERT_TRUE(sat.Inquiry(inquiry, 56));
  ASSERT_TRUE(satDirect.Inquiry(inquiryDirect, 56));
  EXPECT_EQ(0, std::memcmp(inquiry, inquiryDirect, 56));
  uint8_t identify[512], identifyDirect[512];
  ASSERT_TRUE(sat.Identify(identify));
  ASSERT_TRUE(satDirect.Identify(identifyDirect));
  EXPECT_EQ(0, std::memcmp(identify, identifyDirect, 512));

  CAtaCommand ata(opener, 2), ataDirect(direct, 2);
  uint64_t lba = 0, lbaDirect = 1;
  uint32_t block = 0, blockDirect = 1;
  ASSERT_TRUE(ata.ReadCapacity(lba, block));
  ASSERT_TRUE(ataDirect.ReadCapacity(lbaDirect, blockDirect));
  EXPECT_EQ(lbaDirect, lba);
  EXPECT_EQ(blockDirect, block);
  uint32_t celsius = 0, celsiusDirect = 1;
  ASSERT_TRUE(ata.ReadTemperature(celsius));
  ASSERT_TRUE(ataDirect.ReadTemperature(celsiusDirect));
  EXPECT_EQ(celsiusDirect, celsius);
  // State lives in the other process: a standby sent there is seen there.
  ASSERT_TRUE(ata.SendCountCommand(0xE2, 0));
  bool awake = true;
  ASSERT_TRUE(ata.CheckPowerMode(awake));
  EXPECT_FALSE(awake);

  COptCommand optical(opener, 0u), opticalDirect(direct, 0u);
  uint32_t profile = 0, profileDirect = 1;
  ASSERT_TRUE(optical.GetCurrentProfile(profile));
  ASSERT_TRUE(opticalDirect.GetCurrentProfile(profileDirect));
  EXPECT_EQ(profileDirect, profile);

  // A drive the service does not know fails there, not here.
  ServiceTrace trace;
  uint8_t record[12];
  EXPECT_EQ(0, ServiceDeviceControl(nullptr, "\\\\.\\PhysicalDrive7", kIoctlStorageGetDeviceNumber, nullptr, 0, record,
                                    12, &trace));
  EXPECT_EQ(ServiceStep::DeviceControl, trace.step);
  EXPECT_NE(0, trace.status);

  ASSERT_TRUE(service.Stop());
  const auto served = service.Served();
  ASSERT_TRUE(served) << service.Output();
  EXPECT_EQ(2 * served->deviceControls, served->connections) << "two connections per request";
  EXPECT_EQ(served->deviceControls, served->sections);
}

TEST(ServiceProcess, MisbehaviourOptionsReachTheClient) {
  {
    ServiceProcess service = ServiceProcess::Simulating("1=sat", "--misbehave refuse-finish");
    ASSERT_TRUE(service.Listening());
    ServiceTrace trace;
    uint8_t record[12];
    EXPECT_EQ(0, ServiceDeviceControl(nullptr, "\\\\.\\PhysicalDrive1", kIoctlStorageGetDeviceNumber, nullptr, 0, record,
                                      12, &trace));
    EXPECT_EQ(ServiceStep::Finish, trace.step);
    EXPECT_TRUE(service.Stop());
  }
  {
    ServiceProcess service = ServiceProcess::Simulating("1=sat", "--misbehave close-before-reply");
    ASSERT_TRUE(service.Listening());
    ServiceTrace trace;
    uint8_t record[12];
    EXPECT_EQ(0, ServiceDeviceControl(nullptr, "\\\\.\\PhysicalDrive1", kIoctlStorageGetDeviceNumber, nullptr, 0, record,
                                      12, &trace));
    EXPECT_EQ(ServiceStep::DeviceControl, trace.step);
    EXPECT_EQ(kServiceStatusReadShort, trace.status);
    EXPECT_TRUE(service.Stop());
  }
}

// --- a hostile client ----------------------------------------------------------------

// A pass-through block in the layout the service receives.
std::vector<uint8_t> ScsiBlock(std::vector<uint8_t> cdb, uint8_t direction, uint32_t length) {
  return sim::testing::ScsiBlock(BlockLayout::Bits32, std::move(cdb), direction, length).bytes;
}

struct HostileAnswer {
  uint16_t status = 0xFFFF;
  bool closedAfter = false;  // the service ended the connection after answering
};

// One request alone on a connection of its own: the reply's status (0xFFFF without one),
// and whether the service closed the connection after it.
HostileAnswer SendAlone(const ServiceRequestMessage& message) {
  HostileAnswer answer;
  const UniqueHandle pipe(
      ::CreateFileA(kServicePipeName, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr));
  if (!pipe) return answer;
  const Bytes bytes = message.Whole();
  DWORD moved = 0;
  ReplyBytes reply{};
  if (!::WriteFile(pipe.get(), bytes.data(), DWORD(bytes.size()), &moved, nullptr) ||
      !::ReadFile(pipe.get(), reply.data(), DWORD(reply.size()), &moved, nullptr) || moved != reply.size()) {
    return answer;
  }
  answer.status = DecodeServiceReply(reply).status;
  uint8_t more = 0;
  answer.closedAfter = !::ReadFile(pipe.get(), &more, 1, &moved, nullptr);
  return answer;
}

// Sends one request 2 as the product's client does, but with whatever it is given.
HostileAnswer SendHostile(uint32_t code, const std::string& path, const std::vector<uint8_t>& block) {
  static uint32_t sequence = 0;
  const std::string name = TransferAreaName(::GetCurrentThreadId(), ++sequence);
  const uint32_t length = uint32_t(block.size());
  const auto request = MakeServiceIoRequest(code, name, path, length, length);
  const UniqueHandle mapping = OpenTransferArea(name, 0, request->sectionSizeLow);
  if (!mapping) return {};
  {
    const UniqueView view(::MapViewOfFile(mapping.get(), FILE_MAP_WRITE, 0, 0, 0));
    if (!view) return {};
    if (length) std::memcpy(ViewBytes(view), block.data(), length);
  }
  return SendAlone(EncodeServiceIo(*request));
}

std::string ReadWholeFile(const std::string& path) {
  std::string text;
  if (std::FILE* file = std::fopen(path.c_str(), "rb")) {
    char chunk[4096];
    for (std::size_t n; (n = std::fread(chunk, 1, sizeof chunk, file)) > 0;) text.append(chunk, n);
    std::fclose(file);
  }
  return text;
}

TEST(ServiceProcess, RefusesAHostileClientAndKeepsServingTheProduct) {
  char folder[MAX_PATH];
  ASSERT_NE(0u, ::GetTempPathA(sizeof folder, folder));
  const std::string deviceLog = std::string(folder) + UniqueName("devices") + ".log";
  ::DeleteFileA(deviceLog.c_str());
  ServiceProcess service = ServiceProcess::Simulating("0=plain-ata,1=sat", "--device-log " + deviceLog);
  ASSERT_TRUE(service.Listening());

  const std::vector<uint8_t> inquiry = ScsiBlock({0x12, 0, 0, 0, 56, 0}, kScsiDataIn, 56);
  struct Case {
    const char* what;
    uint32_t code;
    std::string path;
    std::vector<uint8_t> block;
  };
  const Case refused[] = {
      {"a WRITE CDB", kIoctlScsiPassThrough, "\\\\.\\PhysicalDrive0",
       ScsiBlock({0x2A, 0, 0, 0, 0, 0, 0, 0, 1, 0}, kScsiDataOut, 512)},
      {"an unlisted control (delete the drive layout)", 0x0007C100, "\\\\.\\PhysicalDrive0", {}},
      {"a UNC path", kIoctlScsiPassThrough, "\\\\host\\share\\disk", inquiry},
      {"a direct pass-through", 0x0004D014, "\\\\.\\PhysicalDrive0", inquiry},
  };
  for (const Case& c : refused) {
    const HostileAnswer answer = SendHostile(c.code, c.path, c.block);
    EXPECT_EQ(service::kStatusForbidden, answer.status) << c.what;
    EXPECT_TRUE(answer.closedAfter) << c.what << ": the connection ends";
  }

  // The product's own requests are still served.
  uint8_t record[12] = {};
  EXPECT_EQ(1, ServiceDeviceControl(nullptr, "\\\\.\\PhysicalDrive1", kIoctlStorageGetDeviceNumber, nullptr, 0,
                                    record, 12));
  EXPECT_EQ(1u, record[4]);
  CSatCommand sat(SystemDeviceOpener(), 1);
  uint8_t answer[56] = {};
  EXPECT_TRUE(sat.Inquiry(answer, sizeof answer));

  ASSERT_TRUE(service.Stop());
  const std::string lines = ReadWholeFile(deviceLog);
  ::DeleteFileA(deviceLog.c_str());
  EXPECT_EQ("\\\\.\\PhysicalDrive1 0x002D1080\r\n\\\\.\\PhysicalDrive1 0x0004D004 12 00 00 00 38 00\r\n", lines)
      << "only the product's requests reached a device";
  char pid[32];
  std::snprintf(pid, sizeof pid, "refused for process %lu", ::GetCurrentProcessId());
  std::size_t logged = 0;
  for (std::size_t at = service.Output().find(pid); at != std::string::npos; at = service.Output().find(pid, at + 1)) {
    ++logged;
  }
  EXPECT_EQ(4u, logged) << service.Output();
}

TEST(ServiceProcess, RefusesForeignSectionsAndAFloodOfConnectionsAndKeepsServingTheProduct) {
  ServiceProcess service = ServiceProcess::Simulating("1=sat");
  ASSERT_TRUE(service.Listening());
  const std::string ours = TransferAreaName(::GetCurrentThreadId(), 0x5EC7);
  const struct {
    const char* what;
    ServiceRequestMessage message;
  } refused[] = {
      {"a name not of the client's form", EncodeCreateSharedMemory({0, 64, "Global\\TavolenHostileSection"})},
      {"a section larger than any transfer", EncodeCreateSharedMemory({0, service::kMaxClientSection + 1, ours})},
      {"a section the service never made", EncodeServiceIo(*MakeServiceIoRequest(
                                               kIoctlStorageGetDeviceNumber, ours, "\\\\.\\PhysicalDrive1", 0, 12))},
  };
  for (const auto& c : refused) {
    const HostileAnswer answer = SendAlone(c.message);
    EXPECT_EQ(service::kStatusForbidden, answer.status) << c.what;
    EXPECT_TRUE(answer.closedAfter) << c.what << ": the connection ends";
  }

  // One process's connections past its cap (32) are closed unserved; once they are gone
  // the product is served again.
  std::vector<UniqueHandle> flood;
  for (int i = 0; i < 33; ++i) {
    ::WaitNamedPipeA(kServicePipeName, 10000);
    flood.emplace_back(
        ::CreateFileA(kServicePipeName, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(flood.back()) << i;
  }
  uint8_t byte = 0;
  DWORD moved = 0;
  EXPECT_FALSE(::ReadFile(flood.back().get(), &byte, 1, &moved, nullptr)) << "the 33rd connection is closed";
  flood.clear();
  uint8_t record[12] = {};
  int served = 0;
  for (const ULONGLONG deadline = ::GetTickCount64() + 10000; !served && ::GetTickCount64() < deadline;) {
    served = ServiceDeviceControl(nullptr, "\\\\.\\PhysicalDrive1", kIoctlStorageGetDeviceNumber, nullptr, 0,
                                  record, 12);
    if (!served) ::Sleep(20);
  }
  EXPECT_EQ(1, served);
  ASSERT_TRUE(service.Stop());
  EXPECT_NE(std::string::npos, service.Output().find("too many connections")) << service.Output();
}

TEST(ServiceProcess, ClosesIdleAndHalfwayConnectionsAndKeepsServingTheProduct) {
  ServiceProcess service = ServiceProcess::Simulating("1=sat", "--idle-ms 200");
  ASSERT_TRUE(service.Listening());
  const UniqueHandle idle(
      ::CreateFileA(kServicePipeName, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr));
  ASSERT_TRUE(idle);
  uint8_t byte = 0;
  DWORD moved = 0;
  EXPECT_FALSE(::ReadFile(idle.get(), &byte, 1, &moved, nullptr)) << "a connection that says nothing is closed";
  const UniqueHandle halfway(
      ::CreateFileA(kServicePipeName, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr));
  ASSERT_TRUE(halfway);
  const RequestHeaderBytes header = EncodeRequestHeader({2, 0, 40});
  ASSERT_TRUE(::WriteFile(halfway.get(), header.data(), DWORD(header.size()), &moved, nullptr));
  EXPECT_FALSE(::ReadFile(halfway.get(), &byte, 1, &moved, nullptr)) << "a request that stops halfway is dropped";
  uint8_t record[12] = {};
  EXPECT_EQ(1, ServiceDeviceControl(nullptr, "\\\\.\\PhysicalDrive1", kIoctlStorageGetDeviceNumber, nullptr, 0,
                                    record, 12));
}

TEST(ServiceProcess, BadCommandLineIsRefused) {
  ServiceProcess service = ServiceProcess::Simulating("1=floppy");
  EXPECT_FALSE(service.Listening());
  EXPECT_FALSE(service.Stop());
  EXPECT_NE(std::string::npos, service.Output().find("bad device set")) << service.Output();
}

// --- the installer -----------------------------------------------------------------

DWORD RunProgram(const std::string& program, const std::string& arguments, DWORD timeoutMs = 60000) {
  std::string commandLine = "\"" + program + "\" " + arguments;
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  if (!::CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info)) {
    return 0xFFFFFFFF;
  }
  const UniqueHandle process(info.hProcess), thread(info.hThread);
  DWORD code = 0xFFFFFFFE;
  if (::WaitForSingleObject(process.get(), timeoutMs) == WAIT_OBJECT_0) {
    ::GetExitCodeProcess(process.get(), &code);
  } else {
    ::TerminateProcess(process.get(), code);
  }
  return code;
}

TEST(ServiceSetup, TheInstalledBuildServesRealDevicesOnly) {
  // It has no simulated devices and no misbehaviours: those options are unknown to it.
  for (const char* demonstrationOnly : {"--console --simulate 1=sat", "--console --misbehave refuse-finish"}) {
    EXPECT_EQ(2u, RunProgram(InstalledProgram(), demonstrationOnly, 20000)) << demonstrationOnly;
  }
}

TEST(ServiceSetup, InstallsStartsAndRemovesTheService) {
  // SETUP beside the service program it installs.
  std::string setup = InstalledProgram();
  setup.replace(setup.find_last_of('\\') + 1, std::string::npos, "SETUP.exe");
  ASSERT_NE(INVALID_FILE_ATTRIBUTES, ::GetFileAttributesA(setup.c_str())) << setup;

  const std::string readyName = "Global\\" + UniqueName("setup-ready");
  const UniqueHandle ready(::CreateEventA(nullptr, TRUE, FALSE, readyName.c_str()));
  ASSERT_EQ(0u, RunProgram(setup, "-- --ready-event " + readyName));
  EXPECT_EQ(1, IsServiceInstalled());
  ASSERT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(ready.get(), 60000)) << "the service did not start listening";

  // The running service's process, to see it end after the removal.
  UniqueHandle serviceProcess;
  DWORD serviceProcessId = 0;
  {
    const UniqueServiceHandle manager(::OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT));
    const UniqueServiceHandle service(::OpenServiceA(manager.get(), kServiceName, SERVICE_QUERY_STATUS));
    ASSERT_TRUE(service);
    SERVICE_STATUS_PROCESS status{};
    DWORD needed = 0;
    ASSERT_TRUE(::QueryServiceStatusEx(service.get(), SC_STATUS_PROCESS_INFO, reinterpret_cast<BYTE*>(&status),
                                       sizeof status, &needed));
    EXPECT_EQ(DWORD(SERVICE_RUNNING), status.dwCurrentState);
    serviceProcess.reset(::OpenProcess(SYNCHRONIZE, FALSE, status.dwProcessId));
    serviceProcessId = status.dwProcessId;
  }
  // It runs a copy in a folder under Program Files (of SETUP's word size), not the
  // program beside SETUP.
  std::string installedCopy;
  {
    const UniqueServiceHandle manager(::OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT));
    const UniqueServiceHandle service(::OpenServiceA(manager.get(), kServiceName, SERVICE_QUERY_CONFIG));
    ASSERT_TRUE(service);
    alignas(QUERY_SERVICE_CONFIGA) unsigned char buffer[8192] = {};
    DWORD needed = 0;
    ASSERT_TRUE(::QueryServiceConfigA(service.get(), reinterpret_cast<QUERY_SERVICE_CONFIGA*>(buffer), sizeof buffer,
                                      &needed));
    const std::string command = reinterpret_cast<QUERY_SERVICE_CONFIGA*>(buffer)->lpBinaryPathName;
    ASSERT_EQ('"', command[0]) << command;
    installedCopy = command.substr(1, command.find('"', 1) - 1);
    const std::string ending = "\\Sembrid\\SembridService.exe";
    ASSERT_GT(installedCopy.size(), ending.size());
    const std::string base = installedCopy.substr(0, installedCopy.size() - ending.size());
    EXPECT_EQ(ending, installedCopy.substr(base.size()));
    char programFiles[MAX_PATH] = {}, programFiles32[MAX_PATH] = {};
    ::SHGetFolderPathA(nullptr, CSIDL_PROGRAM_FILES, nullptr, SHGFP_TYPE_CURRENT, programFiles);
    ::SHGetFolderPathA(nullptr, CSIDL_PROGRAM_FILESX86, nullptr, SHGFP_TYPE_CURRENT, programFiles32);
    EXPECT_TRUE(::lstrcmpiA(base.c_str(), programFiles) == 0 || ::lstrcmpiA(base.c_str(), programFiles32) == 0)
        << installedCopy;
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, ::GetFileAttributesA(installedCopy.c_str()));
  }

  // The product's client sends to it: the process the service control manager runs the
  // service in. (Whether Wine runs it as LocalSystem is printed, not assumed.)
  SetServiceServerTrust(kProductRule);
  {
    const UniqueHandle process(::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, serviceProcessId));
    UniqueHandle token;
    if (process && ::OpenProcessToken(process.get(), TOKEN_QUERY, token.put())) {
      alignas(TOKEN_USER) unsigned char user[sizeof(TOKEN_USER) + SECURITY_MAX_SID_SIZE] = {};
      DWORD needed = 0;
      char* text = nullptr;
      if (::GetTokenInformation(token.get(), TokenUser, user, sizeof user, &needed) &&
          ::ConvertSidToStringSidA(reinterpret_cast<TOKEN_USER*>(user)->User.Sid, &text)) {
        std::printf("the service runs as %s\n", text);
        ::LocalFree(text);
      }
    }
  }
  // It serves the devices of this computer: one that is not there fails in the service.
  ServiceTrace trace;
  uint8_t record[12];
  EXPECT_EQ(0, ServiceDeviceControl(nullptr, "\\\\.\\PhysicalDrive9", kIoctlStorageGetDeviceNumber, nullptr, 0,
                                    record, 12, &trace));
  EXPECT_EQ(ServiceStep::DeviceControl, trace.step);
  EXPECT_EQ(service::kStatusDeviceFailed, trace.status);
  SetServiceServerTrust(ServiceServerTrust::AlsoOwnAccount);

  EXPECT_EQ(0u, RunProgram(setup, "/uninstall"));
  EXPECT_EQ(0, IsServiceInstalled());
  if (serviceProcess) {
    EXPECT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(serviceProcess.get(), 60000)) << "the service process ended";
  }
  const UniqueServiceHandle manager(::OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT));
  EXPECT_FALSE(UniqueServiceHandle(::OpenServiceA(manager.get(), kServiceName, SERVICE_QUERY_STATUS)));
  EXPECT_EQ(INVALID_FILE_ATTRIBUTES, ::GetFileAttributesA(installedCopy.c_str())) << "the copy is removed";
}

}  // namespace
}  // namespace tavolen
