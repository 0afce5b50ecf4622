#include "tests/control/ControlWorld.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "control/core/win/CZendrelApp.h"
#include "control/core/win/CZendrelCtrl.h"
#include "control/core/win/ZendrelIds.h"
#include "control/device/Command.h"
#include "framework/ClassFactory.h"
#include "tests/framework/MessagePump.h"

namespace tavolen::test {

namespace {

constexpr wchar_t kScsiDisk[] =
    L"\\\\?\\scsi#disk&ven_tavosim&prod_fixed#4&1&0&000100#{53f56307-b6bf-11d0-94f2-00a0c91efb8b}";
constexpr wchar_t kUsbDisk[] =
    L"\\\\?\\usbstor#disk&ven_varnkeld&prod_jm#7&2&0&000200#{53f56307-b6bf-11d0-94f2-00a0c91efb8b}";

std::u16string U(const wchar_t* s) { return std::u16string(reinterpret_cast<const char16_t*>(s)); }

World* g_world = nullptr;

class WorldEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    ::OleInitialize(nullptr);
    static World world;  // lives for the whole program; the control's threads use it
    g_world = &world;
    ZendrelEnvironment environment;
    environment.opener = &world.opener;
    environment.source = &world.source;
    environment.portableDevices = &world.portableDevices;
    environment.volumes = &world.volumes;
    environment.settingsFiles = &world.files;
    environment.registry = &world.registry;
    environment.clock = &world.clock;
    environment.configManager = &world.configManager;
    environment.processes = &world.processes;
    environment.unbufferedFiles = &world.unbufferedFiles;
    environment.recycleBin = &world.recycleBin;
    world.shellFiles.PassTo(&world.systemShellFiles);
    environment.shellFiles = &world.shellFiles;
    CZendrelApp::Instance().SetEnvironment(environment);
    CZendrelApp::Instance().SetThreads(world.threads);
    auto factory = MakeComObject<ClassFactory>(&CZendrelCtrl::Create);
    ::CoRegisterClassObject(zendrel::kControlClsid, static_cast<IClassFactory*>(factory.get()), CLSCTX_INPROC_SERVER,
                            REGCLS_MULTIPLEUSE, &registration_);
    SetServiceInstalled(true);
  }
  void TearDown() override {
    ::CoRevokeClassObject(registration_);
    ::OleUninitialize();
  }

 private:
  DWORD registration_ = 0;
};
const auto* const g_environment = ::testing::AddGlobalTestEnvironment(new WorldEnvironment);

}  // namespace

World::World() {
  fixedDisk->product = "FIXED ONE";
  fixedDisk->deviceNumber = 1;
  jmDisk->deviceNumber = 2;
  jmDisk->SetJmChip(3);
  // Enumeration opens the interface path, the standby timers the drive number.
  opener.Add(U(kScsiDisk), fixedDisk, ChannelRoute::Service);
  opener.Add(PhysicalDrivePath(1), fixedDisk, ChannelRoute::Service);
  opener.Add(U(kUsbDisk), jmDisk, ChannelRoute::Service);
  opener.Add(PhysicalDrivePath(2), jmDisk, ChannelRoute::Service);
  // The prefix's Z: drive lies on the bridge disk, so its row offers eject.
  opener.Add(u"\\\\.\\Z:", jmDisk, ChannelRoute::Service);
  // A drive letter the panel tests map to a CD-ROM lies on the optical drive.
  opticalDrive->deviceNumber = 0;
  opener.Add(u"\\\\.\\G:", opticalDrive, ChannelRoute::Service);
  opener.Add(PhysicalDrivePath(0), opticalDrive, ChannelRoute::Service);
  opener.Add(CdromPath(0), opticalDrive, ChannelRoute::Service);
  source.Set(InterfaceClass::Disk, {{U(kScsiDisk), std::nullopt}, {U(kUsbDisk), u"USB\\VID_1234&PID_0100\\SER2"}});
  source.Set(InterfaceClass::Cdrom, {});
  source.Set(InterfaceClass::PortableDevice, {});
  // Timers fire when a test moves the clock, on the windows' own thread.
  clock.deliver = [](uintptr_t window, uintptr_t id) { ::SendMessageW(reinterpret_cast<HWND>(window), WM_TIMER, id, 0); };
}

World& TheWorld() { return *g_world; }

std::shared_ptr<sim::SimDevice> TestOpticalDrive() { return g_world->opticalDrive; }

void AdvanceClock(uint64_t milliseconds) {
  PumpPending();
  g_world->clock.Advance(milliseconds);
  PumpPending();
}

bool PumpUntilWorkersEnded() {
  const bool ended = PumpUntil([] { return g_world->threads.Running() == 0; }, 400);
  PumpPending();
  return ended;
}

bool CountingThreads::Start(Entry entry, void* argument, UniqueHandle* thread) {
  if (refusals > 0) {
    --refusals;
    return false;
  }
  UniqueHandle own;
  if (!SystemThreads().Start(entry, argument, &own)) return false;
  if (thread) {
    HANDLE copy = nullptr;
    if (::DuplicateHandle(::GetCurrentProcess(), own.get(), ::GetCurrentProcess(), &copy, 0, FALSE,
                          DUPLICATE_SAME_ACCESS))
      thread->reset(copy);
  }
  const std::lock_guard<std::mutex> lock(mutex_);
  started_.push_back(std::move(own));
  return true;
}

int CountingThreads::Running() {
  const std::lock_guard<std::mutex> lock(mutex_);
  started_.erase(std::remove_if(started_.begin(), started_.end(),
                                [](const UniqueHandle& t) { return ::WaitForSingleObject(t.get(), 0) == WAIT_OBJECT_0; }),
                 started_.end());
  return int(started_.size());
}

}  // namespace tavolen::test
