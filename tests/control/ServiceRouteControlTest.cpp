// The control with every device request going through the service stand-in running as a
// process of its own, as for a user without administrator rights: the first refresh
// builds the row of a drive whose disk only the stand-in knows, and the power-save dialog
// opened from that row puts the stand-in's disk into standby.
#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <thread>

#include "control/core/win/CZendrelApp.h"
#include "control/core/win/CZendrelCtrl.h"
#include "control/core/win/Win32ConfigManager.h"
#include "control/core/win/ZendrelIds.h"
#include "control/core/ZendrelDispatch.h"
#include "control/device/CAtaCommand.h"
#include "control/device/win/Win32DeviceOpener.h"
#include "control/resources/resource.h"
#include "control/widgets/win/PanelMessages.h"
#include "framework/ClassFactory.h"
#include "framework/UniqueVariant.h"
#include "ports/win/PrivateProfileSettingsFile.h"
#include "ports/win/Win32Registry.h"
#include "tests/control/ControlTestSupport.h"
#include "tests/fakes/FakeClock.h"
#include "tests/fakes/FakePortableDevices.h"
#include "tests/fakes/FakeUnbufferedFiles.h"
#include "tests/fakes/FakeVolumes.h"
#include "tests/fakes/RecordingProcesses.h"
#include "tests/framework/MessagePump.h"
#include "tests/service/ServiceProcess.h"
#include "control/device/win/ServiceClient.h"

using namespace tavolen;
using namespace tavolen::test;
namespace ev = tavolen::zendrel_event;

namespace {

// The stand-in runs in a console as this test's user, not as the service control manager
// runs the installed service: accepted as a server of the caller's own account.
const ServiceServerTrust kProductRule = SetServiceServerTrust(ServiceServerTrust::AlsoOwnAccount);

// The disk behind drive letter M:, as enumeration lists it (lower case) and as the
// stand-in's set names it (upper case, with its number and its volume).
const std::u16string kInterface =
    u"\\\\?\\scsi#disk&ven_tavosim&prod_standin_disk#4&1a2b&0&000100#{53f56307-b6bf-11d0-94f2-00a0c91efb8b}";
const std::string kDeviceSet =
    "1+\\\\?\\SCSI#DISK&VEN_TAVOSIM&PROD_STANDIN_DISK#4&1A2B&0&000100#{53F56307-B6BF-11D0-94F2-00A0C91EFB8B}"
    "+\\\\.\\M:=plain-ata";

// Everything but the devices is faked or local; the devices are the stand-in's.
struct ServiceWorld {
  ServiceWorld() {
    ::SetEnvironmentVariableW(kDeviceRouteVariable, L"service");
    DeviceOpenerOptions options;
    options.route = DeviceRouteFromEnvironment();
    opener = std::make_unique<Win32DeviceOpener>(options);
    source.Set(InterfaceClass::Disk, {{kInterface, std::nullopt}});
    source.Set(InterfaceClass::Cdrom, {});
    source.Set(InterfaceClass::PortableDevice, {});
    tavolen::testing::FakeVolumes::Drive drive;
    drive.information = VolumeInformation{u"STANDIN", u"NTFS"};
    volumes.Set(u"M:\\", drive);
    clock.deliver = [](uintptr_t window, uintptr_t id) { ::SendMessageW(HWND(window), WM_TIMER, id, 0); };
  }
  std::unique_ptr<Win32DeviceOpener> opener;
  ListedSource source;
  tavolen::testing::FakePortableDevices portableDevices;
  tavolen::testing::FakeVolumes volumes;
  PrivateProfileFiles files;
  Win32Registry registry;
  tavolen::testing::FakeClock clock;
  Win32ConfigManager configManager;
  tavolen::testing::RecordingProcesses processes;
  tavolen::testing::FakeUnbufferedFiles unbufferedFiles;
};

ServiceWorld* g_world = nullptr;

class ServiceRouteEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    ::OleInitialize(nullptr);
    static ServiceWorld world;
    g_world = &world;
    ZendrelEnvironment environment;
    environment.opener = world.opener.get();
    environment.source = &world.source;
    environment.portableDevices = &world.portableDevices;
    environment.volumes = &world.volumes;
    environment.settingsFiles = &world.files;
    environment.registry = &world.registry;
    environment.clock = &world.clock;
    environment.configManager = &world.configManager;
    environment.processes = &world.processes;
    environment.unbufferedFiles = &world.unbufferedFiles;
    CZendrelApp::Instance().SetEnvironment(environment);
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
const auto* const g_environment = ::testing::AddGlobalTestEnvironment(new ServiceRouteEnvironment);

class ServiceRouteControlTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(service_.Listening()) << service_.Output();
    const std::wstring folder = MakeTempFolder(L"ServiceRoute");
    ::DeleteFileW((folder + L"\\DragAndDropSetting.ini").c_str());
    ASSERT_EQ(control_.Create(zendrel::kControlClsid), S_OK);
    control_.ClearEvents();
    ASSERT_EQ(control_.Call(L"LoadGadgetPath", {Text((folder + L"\\Marvesk.htm").c_str())}), S_OK);
    ASSERT_TRUE(PumpUntil([&] { return !control_.Events(ev::ChangeSize).empty(); }, 400));
  }
  HWND OnlyRow() const {
    HWND row = nullptr;
    for (HWND child = ::GetWindow(CZendrelApp::Instance().GadgetWnd(), GW_CHILD); child;
         child = ::GetWindow(child, GW_HWNDNEXT))
      if (::GetWindowLongPtrW(child, GWL_STYLE) & WS_VISIBLE) row = child;
    return row;
  }

  ServiceProcess service_ = ServiceProcess::Simulating(kDeviceSet);
  HostedControl control_;
};

}  // namespace

TEST_F(ServiceRouteControlTest, TheFirstRefreshListsTheDiskThroughTheStandIn) {
  const std::optional<DeviceInfo> disk = CZendrelApp::Instance().Devices().FindDisk(1);
  ASSERT_TRUE(disk.has_value()) << "enumeration reached the disk only through the stand-in";
  EXPECT_EQ(disk->kind, uint32_t(FixedDisk));
  UniqueVariant count;
  ASSERT_EQ(control_.Call(L"GetDriveLetterCount", {}, count.put()), S_OK);
  EXPECT_EQ(V_I2(count.get()), 1);
  const HWND row = OnlyRow();
  ASSERT_NE(row, nullptr);
  wchar_t label[64] = {};
  ::GetDlgItemTextW(row, IDC_DRIVE_LABEL, label, 63);
  EXPECT_STREQ(label, L"STANDIN");
  control_.Close();
  ASSERT_TRUE(service_.Stop());
  const auto served = service_.Served();
  ASSERT_TRUE(served.has_value()) << service_.Output();
  EXPECT_GE(served->deviceControls, 4u) << "INQUIRY, capacity, number and hot-plug at least";
}

TEST_F(ServiceRouteControlTest, ThePowerSaveDialogOfARowPutsTheStandInsDiskIntoStandby) {
  const HWND row = OnlyRow();
  ASSERT_NE(row, nullptr);
  auto awake = [] {
    CAtaCommand command(*g_world->opener, 1);
    bool isAwake = false;
    EXPECT_TRUE(command.CheckPowerMode(isAwake)) << "the stand-in answers the power check";
    return isAwake;
  };
  ASSERT_TRUE(awake());
  // A person presses OK in the dialog ("Change Power Mode" is checked), then answers the
  // box that says the disk sleeps.
  std::atomic<bool> pressed{false};
  std::thread person([&pressed] {
    for (int i = 0; i < 500 && !pressed; ++i) {
      const HWND dialog = ::FindWindowW(L"#32770", L"Power Save Settings");
      if (dialog && ::IsWindowVisible(dialog)) {
        ::PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        pressed = true;
      }
      ::Sleep(20);
    }
  });
  BoxAnswerer box(L"Standby Mode : Enabled", IDOK);
  ::SendMessageW(row, WM_COMMAND, ID_POWER_SAVE, 0);
  person.join();
  ASSERT_TRUE(pressed);
  EXPECT_TRUE(box.Answered());
  EXPECT_FALSE(awake()) << "the command reached the stand-in's disk";
  control_.Close();
  ASSERT_TRUE(service_.Stop());
}

TEST_F(ServiceRouteControlTest, ADisksDetailsThroughTheStandInLeaveItAsleep) {
  const HWND row = OnlyRow();
  ASSERT_NE(row, nullptr);
  CAtaCommand command(*g_world->opener, 1);
  ASSERT_TRUE(command.SendCountCommand(0xE2, 0)) << "STANDBY through the stand-in";
  // The click on the row's text: the property thread asks the disk through the stand-in.
  control_.ClearEvents();
  ::SendMessageW(row, panel_message::kFlyout, 0, 0);
  ASSERT_TRUE(PumpUntil([&] { return !control_.Events(ev::FlyOutOn).empty(); }, 400));
  const FlyOutInfo info = CZendrelApp::Instance().FlyOut().Get();
  EXPECT_EQ(std::u16string(info.title), u"(M:) Properties");
  EXPECT_EQ(std::u16string(info.value1), u"Power Save Enabled");
  EXPECT_EQ(std::u16string(info.value2), u"Power Save Enabled");
  EXPECT_EQ(std::u16string(info.value3), u"Enable");
  // IDENTIFY or S.M.A.R.T. data would have spun it up.
  bool awake = true;
  ASSERT_TRUE(command.CheckPowerMode(awake));
  EXPECT_FALSE(awake) << "the disk still sleeps";
  CZendrelApp::Instance().FlyOut().Clear();
  control_.Close();
  ASSERT_TRUE(service_.Stop());
}
