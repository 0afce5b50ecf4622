// The client against the service stand-in running as its own process: the 32-bit build
// when it is there (what the product installs; a 64-bit client then talks across word
// sizes), else the build of this test's own word size. The test-and-demonstration build
// answers from simulated devices; the installer puts the build that serves real devices
// only under the service control manager.
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
#include "service/ServiceSession.h"
#include "sim/SimOpener.h"
#include "tests/service/ServiceProcess.h"
#include "framework/UniqueHandle.h"
#include "framework/UniqueServiceHandle.h"
#include "control/device/win/Win32DeviceOpener.h"

namespace tavolen {
namespace {

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

  // It serves the devices of this computer: one that is not there fails in the service.
  ServiceTrace trace;
  uint8_t record[12];
  EXPECT_EQ(0, ServiceDeviceControl(nullptr, "\\\\.\\PhysicalDrive9", kIoctlStorageGetDeviceNumber, nullptr, 0,
                                    record, 12, &trace));
  EXPECT_EQ(ServiceStep::DeviceControl, trace.step);
  EXPECT_EQ(service::kStatusDeviceFailed, trace.status);

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
