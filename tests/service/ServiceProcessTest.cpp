// The client against the service stand-in running as its own process: the 32-bit build
// when it is there (what the product installs; a 64-bit client then talks across word
// sizes), else the build of this test's own word size. And the installer under the
// service control manager.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "control/device/CAtaCommand.h"
#include "control/device/COptCommand.h"
#include "control/device/CSatCommand.h"
#include "control/device/IoctlCodes.h"
#include "control/device/win/ServiceClient.h"
#include "control/device/ServiceProtocol.h"
#include "sim/SimOpener.h"
#include "framework/UniqueHandle.h"
#include "framework/UniqueServiceHandle.h"
#include "control/device/win/Win32DeviceOpener.h"

namespace tavolen {
namespace {

// Build-tree paths come as Unix paths; Wine shows the root file system as Z:.
std::string WindowsPath(const char* unixPath) {
  std::string path = std::string("Z:") + unixPath;
  for (char& c : path) {
    if (c == '/') c = '\\';
  }
  return path;
}

bool FileExists(const std::string& path) { return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::string ServiceProgram() {
  const std::string service32 = WindowsPath(TAVOLEN_SERVICE_EXE_32);
  return FileExists(service32) ? service32 : WindowsPath(TAVOLEN_SERVICE_EXE_OWN);
}

std::string UniqueName(const char* what) {
  char name[96];
  std::snprintf(name, sizeof name, "TavolenServiceTest-%s-%lu", what, ::GetCurrentProcessId());
  return name;
}

// The stand-in as a console process, listening once the constructor returns.
class ServiceProcess {
 public:
  explicit ServiceProcess(const std::string& arguments)
      : readyName_(UniqueName("ready")), stopName_(UniqueName("stop")) {
    ready_.reset(::CreateEventA(nullptr, TRUE, FALSE, readyName_.c_str()));
    stop_.reset(::CreateEventA(nullptr, TRUE, FALSE, stopName_.c_str()));
    std::string commandLine = "\"" + ServiceProgram() + "\" --console --ready-event " + readyName_ +
                              " --stop-event " + stopName_ + " " + arguments;
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!::CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info)) {
      return;
    }
    process_.reset(info.hProcess);
    UniqueHandle thread(info.hThread);
    const HANDLE waits[] = {ready_.get(), process_.get()};
    listening_ = ::WaitForMultipleObjects(2, waits, FALSE, 60000) == WAIT_OBJECT_0;
  }
  ~ServiceProcess() { Stop(); }

  bool Listening() const { return listening_; }

  // Asks the process to stop; true when it ended by itself with exit code 0.
  bool Stop() {
    if (!process_) return stopped_;
    ::SetEvent(stop_.get());
    DWORD code = 1;
    if (::WaitForSingleObject(process_.get(), 60000) != WAIT_OBJECT_0) {
      ::TerminateProcess(process_.get(), 99);
      ::WaitForSingleObject(process_.get(), INFINITE);
    } else {
      ::GetExitCodeProcess(process_.get(), &code);
    }
    process_.reset();
    stopped_ = code == 0;
    return stopped_;
  }

 private:
  std::string readyName_, stopName_;
  UniqueHandle ready_, stop_, process_;
  bool listening_ = false;
  bool stopped_ = false;
};

TEST(ServiceProcess, AnswersFromSimulatedDrivesAsTheSameDevicesDoDirectly) {
  std::printf("service program: %s\n", ServiceProgram().c_str());
  ServiceProcess service("--simulate 1=sat,2=plain-ata,cdrom0=optical");
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

  EXPECT_TRUE(service.Stop());
}

TEST(ServiceProcess, MisbehaviourOptionsReachTheClient) {
  {
    ServiceProcess service("--simulate 1=sat --misbehave refuse-finish");
    ASSERT_TRUE(service.Listening());
    ServiceTrace trace;
    uint8_t record[12];
    EXPECT_EQ(0, ServiceDeviceControl(nullptr, "\\\\.\\PhysicalDrive1", kIoctlStorageGetDeviceNumber, nullptr, 0, record,
                                      12, &trace));
    EXPECT_EQ(ServiceStep::Finish, trace.step);
    EXPECT_TRUE(service.Stop());
  }
  {
    ServiceProcess service("--simulate 1=sat --misbehave close-before-reply");
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

TEST(ServiceProcess, BadCommandLineIsRefused) {
  ServiceProcess service("--simulate 1=floppy");
  EXPECT_FALSE(service.Listening());
  EXPECT_FALSE(service.Stop());
}

// --- the installer -----------------------------------------------------------------

DWORD RunProgram(const std::string& program, const std::string& arguments) {
  std::string commandLine = "\"" + program + "\" " + arguments;
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  if (!::CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info)) {
    return 0xFFFFFFFF;
  }
  const UniqueHandle process(info.hProcess), thread(info.hThread);
  DWORD code = 0xFFFFFFFE;
  if (::WaitForSingleObject(process.get(), 60000) == WAIT_OBJECT_0) ::GetExitCodeProcess(process.get(), &code);
  return code;
}

TEST(ServiceSetup, InstallsStartsAndRemovesTheService) {
  // SETUP beside the service program it installs.
  std::string setup = ServiceProgram();
  setup.replace(setup.find_last_of('\\') + 1, std::string::npos, "SETUP.exe");
  ASSERT_TRUE(FileExists(setup)) << setup;

  const std::string readyName = "Global\\" + UniqueName("setup-ready");
  const UniqueHandle ready(::CreateEventA(nullptr, TRUE, FALSE, readyName.c_str()));
  ASSERT_EQ(0u, RunProgram(setup, "-- --simulate 1=sat --ready-event " + readyName));
  EXPECT_EQ(1, IsServiceInstalled());
  ASSERT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(ready.get(), 60000)) << "the service did not start listening";

  // The running service's process, to see it end after the removal.
  UniqueHandle serviceProcess;
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
  }

  uint8_t inquiry[56];
  {
    CSatCommand sat(SystemDeviceOpener(), 1);
    ASSERT_TRUE(sat.Inquiry(inquiry, sizeof inquiry));
    EXPECT_EQ(0, std::memcmp(inquiry + 8, "VARNKELD", 8));
  }

  EXPECT_EQ(0u, RunProgram(setup, "/uninstall"));
  EXPECT_EQ(0, IsServiceInstalled());
  if (serviceProcess) {
    EXPECT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(serviceProcess.get(), 60000)) << "the service process ended";
  }
  const UniqueServiceHandle manager(::OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT));
  EXPECT_FALSE(UniqueServiceHandle(::OpenServiceA(manager.get(), kServiceName, SERVICE_QUERY_STATUS)));
}

}  // namespace
}  // namespace tavolen
