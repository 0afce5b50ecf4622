// The control hosted in this process through our control site, reached by name through
// IDispatch as a page script reaches it: creation checks, members, events, settings
// files, the registry, and the standby timers its threads and messages send to
// simulated disks.
#include <gtest/gtest.h>

#include <windows.h>
#include <dbt.h>
#include <shlobj.h>

#include <atomic>
#include <cstring>
#include <memory>
#include <thread>

#include "tests/framework/MessagePump.h"
#include "control/core/win/CZendrelApp.h"
#include "control/core/win/CZendrelCtrl.h"
#include "framework/ClassFactory.h"
#include "control/device/Command.h"
#include "tests/control/ControlTestSupport.h"
#include "tests/control/ControlWorld.h"
#include "control/widgets/win/MessageBoxes.h"
#include "control/core/FlyOutInfo.h"
#include "sim/SimDevice.h"
#include "sim/SimOpener.h"
#include "framework/UniqueRegKey.h"
#include "framework/UniqueWindow.h"
#include "framework/UniqueHandle.h"
#include "framework/UniqueVariant.h"
#include "control/core/ZendrelDispatch.h"
#include "control/core/win/ZendrelIds.h"

using namespace tavolen;
using namespace tavolen::test;
namespace ev = tavolen::zendrel_event;

namespace {

std::u16string U(const wchar_t* s) { return std::u16string(reinterpret_cast<const char16_t*>(s)); }

std::wstring ExeFolder() {
  wchar_t path[MAX_PATH] = {};
  ::GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring folder(path);
  return folder.substr(0, folder.rfind(L'\\'));
}

std::wstring PowerSaveIni() {
  const std::u16string path = CZendrelApp::Instance().PowerSavePath();
  return std::wstring(path.begin(), path.end());
}

std::vector<uint8_t> IdleCounts(const sim::SimDevice& disk) {
  auto lock = disk.Lock();
  std::vector<uint8_t> counts;
  for (const AtaTaskFile& tf : disk.Executed())
    if (tf[AtaTaskFile::Command] == 0xE3) counts.push_back(tf[AtaTaskFile::Count]);
  return counts;
}

void ClearDiskLogs() {
  TheWorld().fixedDisk->ClearLogs();
  TheWorld().jmDisk->ClearLogs();
}

// A gadget folder with a DragAndDropSetting.ini, and the page location inside it.
struct Gadget {
  explicit Gadget(const wchar_t* name) : folder(MakeTempFolder(name)), ini(folder + L"\\DragAndDropSetting.ini") {
    ::DeleteFileW(ini.c_str());
  }
  std::wstring PageUrl() const {
    std::wstring url = L"/" + folder + L"/Marvesk.htm";
    for (wchar_t& c : url)
      if (c == L'\\') c = L'/';
    std::wstring encoded;
    for (wchar_t c : url) encoded += c == L' ' ? std::wstring(L"%20") : std::wstring(1, c);
    return encoded;
  }
  std::wstring folder, ini;
};

class ControlTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetServiceInstalled(true);
    ::DeleteFileW(PowerSaveIni().c_str());
    ClearDiskLogs();
  }
  // Starts the control in a gadget folder and waits for the first rebuild.
  void Start(HostedControl& control, const Gadget& gadget) {
    ASSERT_EQ(control.Create(zendrel::kControlClsid), S_OK);
    control.ClearEvents();
    ASSERT_EQ(control.Call(L"LoadGadgetPath", {Text(gadget.PageUrl().c_str())}), S_OK);
    // The first refresh thread's rebuild ends with a new size for the page.
    ASSERT_TRUE(PumpUntil([&] { return !control.Events(ev::ChangeSize).empty(); }));
  }
  void TearDown() override { EXPECT_TRUE(PumpUntilWorkersEnded()) << "no worker outlives its test"; }
};

// The fake installer beside the test program installs the service when it is run.
void LetTheHostsInstallerInstall() {
  WriteIni(ExeFolder() + L"\\DevMgr\\unused.ini", L"x", L"x", L"x");  // the folder exists beside us
  HANDLE mode = ::CreateFileW((ExeFolder() + L"\\DevMgr\\mode.txt").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              0, nullptr);
  DWORD written = 0;
  ::WriteFile(mode, "install", 7, &written, nullptr);
  ::CloseHandle(mode);
}

}  // namespace

// --- creation checks ------------------------------------------------------------------

TEST_F(ControlTest, InstalledServiceMeansNoQuestionAndTheHostFolder) {
  HostedControl control;
  ASSERT_EQ(control.Create(zendrel::kControlClsid), S_OK);
  EXPECT_EQ(CZendrelApp::Instance().GadgetFolder(), U(ExeFolder().c_str()));
  EXPECT_EQ(CZendrelApp::Instance().GadgetWnd(), ::GetWindow(control.Window(), GW_CHILD)) << "the control window is the process's";
}

TEST_F(ControlTest, ASecondControlInTheProcessIsRefused) {
  HostedControl first;
  ASSERT_EQ(first.Create(zendrel::kControlClsid), S_OK);
  BoxAnswerer person(L"Already Runnnig", IDOK);
  HostedControl second;
  EXPECT_TRUE(FAILED(second.Create(zendrel::kControlClsid)));
  ASSERT_TRUE(person.Answered());
  EXPECT_EQ(person.Caption(), L"Caution");
  UniqueVariant focus;
  EXPECT_EQ(first.Call(L"GetFocusState", {}, focus.put()), S_OK) << "the first control keeps working";
}

TEST_F(ControlTest, MissingServiceAndNoFromTheUserClosesTheLauncher) {
  SetServiceInstalled(false);
  FakeLauncher launcher;
  BoxAnswerer question(L"Install Device Management Service?", IDNO);
  BoxAnswerer caution(L"Device Management Service is not Installed", IDOK);
  HostedControl control;
  EXPECT_TRUE(FAILED(control.Create(zendrel::kControlClsid)));
  EXPECT_TRUE(question.Answered());
  EXPECT_EQ(question.Caption(), L"Install Necessary Software");
  EXPECT_TRUE(caution.Answered());
  EXPECT_TRUE(PumpUntil([&] { return launcher.Closed(); }));
}

TEST_F(ControlTest, AnInstallerThatInstallsLetsTheControlStartWithoutFurtherWords) {
  SetServiceInstalled(false);
  LetTheHostsInstallerInstall();
  FakeLauncher launcher;
  BoxAnswerer question(L"Install Device Management Service?", IDYES);
  HostedControl control;
  EXPECT_EQ(control.Create(zendrel::kControlClsid), S_OK);
  EXPECT_TRUE(question.Answered());
  test::PumpPending();
  EXPECT_FALSE(launcher.Closed());
}

TEST_F(ControlTest, AnInstallerThatDoesNotInstallFailsWithItsMessage) {
  SetServiceInstalled(false);
  ::DeleteFileW((ExeFolder() + L"\\DevMgr\\mode.txt").c_str());
  FakeLauncher launcher;
  BoxAnswerer question(L"Install Device Management Service?", IDYES);
  BoxAnswerer failed(L"Install is Failed.", IDOK);
  HostedControl control;
  EXPECT_TRUE(FAILED(control.Create(zendrel::kControlClsid)));
  EXPECT_TRUE(question.Answered());
  EXPECT_TRUE(failed.Answered());
  EXPECT_TRUE(PumpUntil([&] { return launcher.Closed(); }));
}

TEST_F(ControlTest, ASidebarGadgetHoldingAnInstallerIsNeitherRunNorTheGadgetFolder) {
  wchar_t local[MAX_PATH] = {};
  ASSERT_TRUE(SUCCEEDED(::SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA, nullptr, 0, local)));
  const std::wstring gadgets = std::wstring(local) + L"\\Microsoft\\Windows Sidebar\\Gadgets";
  const std::wstring gadget = gadgets + L"\\Tavolen.gadget";
  ::SHCreateDirectoryExW(nullptr, (gadget + L"\\DevMgr").c_str(), nullptr);
  // The gadget's installer is a real program that installs nothing: run, it would fail
  // the creation.
  ASSERT_TRUE(::CopyFileW((ExeFolder() + L"\\DevMgr\\SETUP.exe").c_str(), (gadget + L"\\DevMgr\\SETUP.EXE").c_str(),
                          FALSE));
  // The host's own installer installs the service.
  SetServiceInstalled(false);
  LetTheHostsInstallerInstall();

  FakeLauncher launcher;
  BoxAnswerer question(L"Install Device Management Service?", IDYES);
  BoxAnswerer failed(L"Install is Failed.", IDOK);
  HostedControl control;
  const HRESULT created = control.Create(zendrel::kControlClsid);
  failed.StopLooking();
  ::DeleteFileW((ExeFolder() + L"\\DevMgr\\mode.txt").c_str());
  EXPECT_TRUE(question.Answered());
  EXPECT_FALSE(failed.Seen()) << "the gadget's installer was run";
  ASSERT_EQ(created, S_OK) << "the host folder's installer ran";
  EXPECT_EQ(CZendrelApp::Instance().GadgetFolder(), U(ExeFolder().c_str()));
  test::PumpPending();
  EXPECT_FALSE(launcher.Closed());

  // The gadget's page names its own folder, and in a sidebar gadget the page draws the
  // flyout itself from the event's fields.
  std::wstring page;
  for (wchar_t c : L"/" + gadget + L"/Marvesk.htm")
    page += c == L'\\' ? std::wstring(L"/") : c == L' ' ? std::wstring(L"%20") : std::wstring(1, c);
  control.ClearEvents();
  ASSERT_EQ(control.Call(L"LoadGadgetPath", {Text(page.c_str())}), S_OK);
  ASSERT_TRUE(PumpUntil([&] { return !control.Events(ev::ChangeSize).empty(); }));
  ASSERT_TRUE(PumpUntilWorkersEnded());
  EXPECT_EQ(CZendrelApp::Instance().GadgetFolder(), U(gadget.c_str()));
  FlyOutInfo info{};
  const char16_t title[] = u"(E:) Properties";
  std::copy(std::begin(title), std::end(title), info.title);
  info.vendor[0] = u'V';
  CZendrelApp::Instance().FlyOut().Set(info);
  ASSERT_EQ(control.Call(L"GetFlyOutInfo"), S_OK);
  const auto fields = control.Events(ev::SetFlyOutInfo);
  ASSERT_EQ(fields.size(), 1u);
  ASSERT_EQ(fields[0].args.size(), 12u);
  EXPECT_EQ(fields[0].args[0], L"(E:) Properties");
  EXPECT_EQ(fields[0].args[3], L"V");
  EXPECT_EQ(fields[0].args[11], L"");
  control.Close();
  RemoveTempFolder(gadget);
}

// --- members and events ---------------------------------------------------------------

TEST_F(ControlTest, LoadGadgetPathReadsTheOptionsMeasuresARowAndBuildsTheRows) {
  Gadget gadget(L"Tavolen Gadget");
  WriteIni(gadget.ini, L"IsSetRecycle", L"SETTING_STATE", L"1");
  WriteIni(gadget.ini, L"SETTED_SHORTCUT_COUNT", L"SETTING_STATE", L"3");
  WriteIni(gadget.ini, L"ShowCount", L"SETTING_STATE", L"4");
  WriteIni(gadget.ini, L"ColorIndex", L"SETTING_STATE", L"2");
  WriteIni(gadget.ini, L"HIDE_DRIVE", L"Setted_Drives", L"E:\\");
  HostedControl control;
  Start(control, gadget);

  EXPECT_EQ(CZendrelApp::Instance().GadgetFolder(), U(gadget.folder.c_str())) << "%20 and slashes undone";
  const auto overwrite = control.Events(ev::SettingOverwrite);
  ASSERT_EQ(overwrite.size(), 1u);
  EXPECT_EQ(overwrite[0].args, (std::vector<std::wstring>{L"4", L"True", L"False", L"3", L"2"}));
  const auto size = control.Events(ev::SetSizeInfo);
  ASSERT_EQ(size.size(), 1u);
  EXPECT_EQ(size[0].args[0], std::to_wstring(CZendrelApp::Instance().RowHeight()));
  EXPECT_EQ(size[0].args[1], std::to_wstring(CZendrelApp::Instance().RowWidth() - 1));
  EXPECT_GT(CZendrelApp::Instance().RowHeight(), 10);
  EXPECT_GT(CZendrelApp::Instance().RowWidth(), CZendrelApp::Instance().RowHeight()) << "a row is wider than high";

  UniqueVariant hidden, isHidden;
  ASSERT_EQ(control.Call(L"NowSetting", {}, hidden.put()), S_OK);
  EXPECT_EQ(std::wstring(V_BSTR(hidden.get())), L"E:\\");
  ASSERT_EQ(control.Call(L"IsSetHideDrives", {}, isHidden.put()), S_OK);
  EXPECT_EQ(V_BOOL(isHidden.get()), VARIANT_TRUE);
  ASSERT_EQ(control.Call(L"ShowAllDrive"), S_OK);
  ASSERT_EQ(control.Call(L"IsSetHideDrives", {}, isHidden.put()), S_OK);
  EXPECT_EQ(V_BOOL(isHidden.get()), VARIANT_FALSE);
  EXPECT_EQ(ReadIni(gadget.ini, L"HIDE_DRIVE", L"Setted_Drives"), L"<none>");
}

TEST_F(ControlTest, SetAdditionalOptionStoresOnlyWhatIsOnAndCoercesScriptNumbers) {
  Gadget gadget(L"Options");
  WriteIni(gadget.ini, L"WatchRemovable", L"SETTING_STATE", L"1");
  WriteIni(gadget.ini, L"ColorIndex", L"SETTING_STATE", L"3");
  HostedControl control;
  Start(control, gadget);
  // Script passes booleans and numbers as it has them: VT_BOOL, VT_I4, VT_R8.
  ASSERT_EQ(control.Call(L"SetAdditionalOption", {Bool(true), Int(0), Int(0), Real(5.0), Int(0)}), S_OK);
  EXPECT_EQ(ReadIni(gadget.ini, L"IsSetRecycle", L"SETTING_STATE"), L"1");
  EXPECT_EQ(ReadIni(gadget.ini, L"ShowCount", L"SETTING_STATE"), L"5");
  EXPECT_EQ(ReadIni(gadget.ini, L"WatchRemovable", L"SETTING_STATE"), L"<none>");
  EXPECT_EQ(ReadIni(gadget.ini, L"SETTED_SHORTCUT_COUNT", L"SETTING_STATE"), L"<none>");
  EXPECT_EQ(ReadIni(gadget.ini, L"ColorIndex", L"SETTING_STATE"), L"<none>");
}

TEST_F(ControlTest, PageCallsAreCheckedBeforeTheControlSeesThem) {
  HostedControl control;
  ASSERT_EQ(control.Create(zendrel::kControlClsid), S_OK);
  EXPECT_EQ(control.CallById(zendrel_dispid::AboutBox, {}), DISP_E_MEMBERNOTFOUND);
  EXPECT_EQ(control.CallById(zendrel_dispid::SendFlyOutInfo, {}), DISP_E_MEMBERNOTFOUND);
  EXPECT_EQ(control.Call(L"AboutBox"), DISP_E_UNKNOWNNAME);
  EXPECT_EQ(control.Call(L"LoadGadgetPath"), DISP_E_BADPARAMCOUNT);
  EXPECT_EQ(control.Call(L"SetSizeInfo", {Int(1)}), DISP_E_BADPARAMCOUNT);
  EXPECT_EQ(control.Call(L"SaveDriveCount", {Text(L"not a number")}), DISP_E_TYPEMISMATCH);
  EXPECT_EQ(control.Call(L"SaveDriveCount", {Int(100000)}), DISP_E_TYPEMISMATCH) << "a byte cannot hold it";
  UniqueVariant count;
  ASSERT_EQ(control.Call(L"getdriveLETTERcount", {}, count.put()), S_OK) << "names are case-insensitive";
  EXPECT_EQ(count.type(), VT_I2);
  EXPECT_EQ(V_I2(count.get()), 0);
}

TEST_F(ControlTest, EventMethodsAndRowMessagesFireTheirEvents) {
  HostedControl control;
  ASSERT_EQ(control.Create(zendrel::kControlClsid), S_OK);
  ASSERT_EQ(control.Call(L"SettingOverwrite", {Int(6), Bool(true), Bool(false), Int(2), Int(1)}), S_OK);
  ASSERT_EQ(control.Call(L"SetSizeInfo", {Int(31), Int(150)}), S_OK);
  EXPECT_EQ(control.Events(ev::SettingOverwrite).at(0).args,
            (std::vector<std::wstring>{L"6", L"True", L"False", L"2", L"1"}));
  EXPECT_EQ(control.Events(ev::SetSizeInfo).at(0).args, (std::vector<std::wstring>{L"31", L"150"}));

  FlyOutInfo info{};
  info.title[0] = u'X';
  CZendrelApp::Instance().FlyOut().Set(info);
  ::PostMessageW(CZendrelApp::Instance().GadgetWnd(), 0x8004, 0, 0);
  ::PostMessageW(CZendrelApp::Instance().GadgetWnd(), 0x8005, 0, 0);
  ASSERT_TRUE(PumpUntil([&] { return !control.Events(ev::FlyOutOff).empty(); }));
  EXPECT_EQ(control.Events(ev::FlyOutOn).size(), 1u);
  EXPECT_EQ(CZendrelApp::Instance().FlyOut().Get().title[0], 0) << "the record is zeroed after FlyOutOff";

  CZendrelApp::Instance().FlyOut().Set(info);
  ASSERT_EQ(control.Call(L"EraseFlyoutSetting"), S_OK);
  EXPECT_EQ(CZendrelApp::Instance().FlyOut().Get().title[0], 0);

  const size_t before = control.Events(ev::ChangeSize).size();
  ASSERT_EQ(control.Site()->Move(RECT{0, 0, 200, 100}), S_OK);
  EXPECT_EQ(control.Events(ev::ChangeSize).size(), before + 1) << "a new position is a new size";
  EXPECT_TRUE(control.Events(ev::GadgetClose).empty());
}

TEST_F(ControlTest, LauncherRegistryValuesAreReadAndShowDriveCountIsReset) {
  HKEY opened = nullptr;
  ASSERT_EQ(::RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Varnkeld\\Tavolen", 0, nullptr, 0, KEY_ALL_ACCESS,
                              nullptr, &opened, nullptr),
            ERROR_SUCCESS);
  UniqueRegKey key(opened);
  const DWORD color = 0x1234, count = 9;
  ::RegSetValueExW(key.get(), L"ColorIndex", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&color), sizeof color);
  ::RegSetValueExW(key.get(), L"ShowDriveCount", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&count), sizeof count);
  ::RegSetValueExW(key.get(), L"Name", 0, REG_SZ, reinterpret_cast<const BYTE*>(L"text"), 10);

  HostedControl control;
  ASSERT_EQ(control.Create(zendrel::kControlClsid), S_OK);
  auto read = [&](const std::wstring& name) {
    UniqueVariant value;
    EXPECT_EQ(control.Call(L"GetSettingData", {Text(name.c_str())}, value.put()), S_OK);
    EXPECT_EQ(value.type(), VT_UI1);
    return int(V_UI1(value.get()));
  };
  EXPECT_EQ(read(L"ColorIndex"), 0x34) << "the low byte";
  EXPECT_EQ(read(L"Missing"), 0);
  EXPECT_EQ(read(L"Name"), 0) << "not a 4-byte value";
  EXPECT_EQ(read(std::wstring(20000, L'x')), 0) << "no value can have such a name";

  ASSERT_EQ(control.Call(L"SaveDriveCount", {Int(7)}), S_OK);
  DWORD stored = 99, size = sizeof stored;
  ASSERT_EQ(::RegQueryValueExW(key.get(), L"ShowDriveCount", nullptr, nullptr, reinterpret_cast<BYTE*>(&stored), &size),
            ERROR_SUCCESS);
  EXPECT_EQ(stored, 0u);
}

// --- refresh threads, timers and standby timers ----------------------------------------

TEST_F(ControlTest, StoredStandbyTimersReachTheDisksAtStartAndAreReleasedAtUnload) {
  WriteIni(PowerSaveIni(), L"TimerSettings", L"FIXED ONE:", L"1");
  WriteIni(PowerSaveIni(), L"TimerSettings", L"SIM JM DISK:SER2", L"zz");  // corrupt: one hour
  Gadget gadget(L"Standby");
  std::size_t sent = 0;
  {
    HostedControl control;
    Start(control, gadget);
    // The start sends to the disks already listed, and the first refresh thread again.
    ASSERT_TRUE(PumpUntilWorkersEnded());
    const std::vector<uint8_t> fixed = IdleCounts(*TheWorld().fixedDisk);
    ASSERT_FALSE(fixed.empty());
    EXPECT_EQ(fixed, std::vector<uint8_t>(fixed.size(), 240));
    const std::vector<uint8_t> jm = IdleCounts(*TheWorld().jmDisk);
    EXPECT_EQ(jm, std::vector<uint8_t>(jm.size(), 242));
    EXPECT_EQ(ReadIni(PowerSaveIni(), L"IsTimerCommandSend", L"FIXED ONE:"), L"1");

    // Suspend clears the marks; resume sends every stored timer again, once.
    ::SendMessageW(control.Window(), WM_POWERBROADCAST, PBT_APMSUSPEND, 0);
    EXPECT_EQ(ReadIni(PowerSaveIni(), L"IsTimerCommandSend", L"FIXED ONE:"), L"<none>");
    ::SendMessageW(control.Window(), WM_POWERBROADCAST, PBT_APMRESUMESUSPEND, 0);
    sent = IdleCounts(*TheWorld().fixedDisk).size();
    EXPECT_EQ(sent, fixed.size() + 1);
    EXPECT_EQ(IdleCounts(*TheWorld().fixedDisk).back(), 240);
    ::SendMessageW(control.Window(), WM_POWERBROADCAST, PBT_APMRESUMESUSPEND, 0);
    EXPECT_EQ(IdleCounts(*TheWorld().fixedDisk).size(), sent) << "marked disks are not sent again";
    EXPECT_EQ(TheWorld().opener.OpenChannels(), 0) << "nothing keeps a disk open";
  }
  // Unloading turns every stored timer off.
  EXPECT_EQ(IdleCounts(*TheWorld().fixedDisk).size(), sent + 1);
  EXPECT_EQ(IdleCounts(*TheWorld().fixedDisk).back(), 0);
  EXPECT_EQ(IdleCounts(*TheWorld().jmDisk).back(), 0);
}

TEST_F(ControlTest, TimerChoicesGiveTheirCounts) {
  const std::pair<const wchar_t*, uint8_t> choices[] = {{L"0", 120}, {L"2", 241}, {L"3", 242}};
  for (const auto& [choice, count] : choices) {
    ::DeleteFileW(PowerSaveIni().c_str());
    ClearDiskLogs();
    WriteIni(PowerSaveIni(), L"TimerSettings", L"FIXED ONE:", choice);
    Gadget gadget(L"Choices");
    HostedControl control;
    Start(control, gadget);
    ASSERT_TRUE(PumpUntilWorkersEnded());
    ASSERT_FALSE(IdleCounts(*TheWorld().fixedDisk).empty());
    EXPECT_EQ(IdleCounts(*TheWorld().fixedDisk).front(), count) << choice;
  }
}

TEST_F(ControlTest, SeveralVolumeArrivalsWithinTheDelayLeadToOneRefresh) {
  Gadget gadget(L"Arrivals");
  HostedControl control;
  Start(control, gadget);
  ASSERT_TRUE(PumpUntilWorkersEnded());
  const int before = TheWorld().source.Walks(InterfaceClass::Disk);
  const uintptr_t window = uintptr_t(CZendrelApp::Instance().GadgetWnd());
  DEV_BROADCAST_VOLUME volume{};
  volume.dbcv_size = sizeof volume;
  volume.dbcv_devicetype = DBT_DEVTYP_VOLUME;
  const int startsBefore = TheWorld().clock.Starts(window, 2);
  for (int i = 0; i < 3; ++i) {
    ::SendMessageW(control.Window(), WM_DEVICECHANGE, DBT_DEVICEARRIVAL, reinterpret_cast<LPARAM>(&volume));
    test::PumpPending();
    AdvanceClock(300);  // within the delay: each arrival only restarts the timer
  }
  EXPECT_EQ(TheWorld().clock.Starts(window, 2), startsBefore + 3);
  EXPECT_EQ(TheWorld().source.Walks(InterfaceClass::Disk), before) << "nothing yet";
  AdvanceClock(1000);
  ASSERT_TRUE(PumpUntilWorkersEnded());
  EXPECT_EQ(TheWorld().source.Walks(InterfaceClass::Disk), before + 1);
  EXPECT_FALSE(TheWorld().clock.Running(window, 2)) << "no second refresh is pending";
  EXPECT_TRUE(TheWorld().clock.Running(window, 1)) << "the label timer runs again after the refresh";

  DEV_BROADCAST_HDR port{};
  port.dbch_size = sizeof port;
  port.dbch_devicetype = DBT_DEVTYP_PORT;
  ::SendMessageW(control.Window(), WM_DEVICECHANGE, DBT_DEVICEARRIVAL, reinterpret_cast<LPARAM>(&port));
  test::PumpPending();
  EXPECT_FALSE(TheWorld().clock.Running(window, 2)) << "only volumes count";
}

TEST_F(ControlTest, AVolumeBroadcastCountsOnlyWhenItsBlockIsOneTheSystemWouldSend) {
  Gadget gadget(L"Broadcasts");
  HostedControl control;
  Start(control, gadget);
  ASSERT_TRUE(PumpUntilWorkersEnded());
  const uintptr_t window = uintptr_t(CZendrelApp::Instance().GadgetWnd());
  SYSTEM_INFO system{};
  ::GetSystemInfo(&system);
  const std::size_t page = system.dwPageSize;
  // Two readable pages, then one that cannot be read, then address space held back only.
  auto* block = static_cast<uint8_t*>(::VirtualAlloc(nullptr, 4 * page, MEM_RESERVE, PAGE_NOACCESS));
  ASSERT_NE(block, nullptr);
  ASSERT_NE(::VirtualAlloc(block, 2 * page, MEM_COMMIT, PAGE_READWRITE), nullptr);
  ASSERT_NE(::VirtualAlloc(block + 2 * page, page, MEM_COMMIT, PAGE_NOACCESS), nullptr);
  uint8_t* const unreadable = block + 2 * page;
  uint8_t* const reserved = block + 3 * page;

  auto put = [](uint8_t* at, DWORD size, DWORD type) {
    DEV_BROADCAST_HDR header{};
    header.dbch_size = size;
    header.dbch_devicetype = type;
    std::memcpy(at, &header, sizeof header);
    return reinterpret_cast<LPARAM>(at);
  };
  auto arrives = [&](LPARAM lParam) {
    const int before = TheWorld().clock.Starts(window, 2);
    ::SendMessageW(control.Window(), WM_DEVICECHANGE, DBT_DEVICEARRIVAL, lParam);
    test::PumpPending();
    const bool counted = TheWorld().clock.Starts(window, 2) != before;
    TheWorld().clock.StopTimer(window, 2);  // no refresh between the cases
    return counted;
  };
  const DWORD volume = sizeof(DEV_BROADCAST_VOLUME);
  struct Case {
    LPARAM lParam;
    bool counts;
    const char* why;
  };
  const Case cases[] = {
      {put(unreadable - volume, volume, DBT_DEVTYP_VOLUME), true, "a volume block ending where memory ends"},
      {put(block, sizeof(DEV_BROADCAST_HDR), DBT_DEVTYP_VOLUME), false, "a volume header without the volume"},
      {put(block + 64, volume + 8, DBT_DEVTYP_VOLUME), false, "a volume block of another size"},
      {put(block + 128, volume, 0x77), false, "an unknown device type"},
      {put(unreadable - sizeof(DEV_BROADCAST_HDR), volume, DBT_DEVTYP_VOLUME), false,
       "a header whose block runs into memory that cannot be read"},
      {reinterpret_cast<LPARAM>(unreadable), false, "an address that cannot be read"},
      {reinterpret_cast<LPARAM>(reserved), false, "an address with nothing behind it"},
      {reinterpret_cast<LPARAM>(unreadable - 4), false, "a header cut by memory that cannot be read"},
      {LPARAM(0x10), false, "a small number, as another process might send"},
      {0, false, "no block"},
  };
  for (const Case& c : cases) EXPECT_EQ(arrives(c.lParam), c.counts) << c.why;

  // The system's notifications come from elsewhere: one sent from another thread counts.
  const LPARAM real = put(block + 256, volume, DBT_DEVTYP_VOLUME);
  const int before = TheWorld().clock.Starts(window, 2);
  std::atomic<bool> sent{false};
  std::thread notifier([&] {
    DWORD_PTR result = 0;
    ::SendMessageTimeoutW(control.Window(), WM_DEVICECHANGE, DBT_DEVICEREMOVECOMPLETE, real, SMTO_NORMAL, 10000,
                          &result);
    sent = true;
  });
  EXPECT_TRUE(PumpUntil([&] { return sent.load(); }));
  notifier.join();
  test::PumpPending();
  EXPECT_EQ(TheWorld().clock.Starts(window, 2), before + 1);
  TheWorld().clock.StopTimer(window, 2);
  ::VirtualFree(block, 0, MEM_RELEASE);
}

TEST_F(ControlTest, DeviceNodeChangesRefreshOnlyWhenThePortableCountChanged) {
  Gadget gadget(L"Portable");
  HostedControl control;
  Start(control, gadget);
  ASSERT_TRUE(PumpUntilWorkersEnded());
  const uintptr_t window = uintptr_t(CZendrelApp::Instance().GadgetWnd());
  const int disksBefore = TheWorld().source.Walks(InterfaceClass::Disk);
  const int portableBefore = TheWorld().source.Walks(InterfaceClass::PortableDevice);
  ::SendMessageW(control.Window(), WM_DEVICECHANGE, DBT_DEVNODES_CHANGED, 0);
  test::PumpPending();
  ASSERT_TRUE(TheWorld().clock.Running(window, 5));
  AdvanceClock(1000);
  EXPECT_EQ(TheWorld().source.Walks(InterfaceClass::PortableDevice), portableBefore + 1) << "the count check";
  EXPECT_FALSE(TheWorld().clock.Running(window, 5)) << "the check runs once";
  EXPECT_FALSE(TheWorld().clock.Running(window, 2)) << "same count: no refresh";
  EXPECT_EQ(TheWorld().source.Walks(InterfaceClass::Disk), disksBefore);

  TheWorld().source.Set(InterfaceClass::PortableDevice,
                        {{u"\\\\?\\SWD#WPDBUSENUM#PHONE#{6AC27878-A6FA-4155-BA85-F98F491D4F33}", std::nullopt}});
  ::SendMessageW(control.Window(), WM_DEVICECHANGE, DBT_DEVNODES_CHANGED, 0);
  test::PumpPending();
  AdvanceClock(1000);
  EXPECT_EQ(TheWorld().clock.Period(window, 2), std::optional<uint32_t>(1)) << "a changed count refreshes at once";
  AdvanceClock(1);
  ASSERT_TRUE(PumpUntilWorkersEnded());
  EXPECT_EQ(TheWorld().source.Walks(InterfaceClass::Disk), disksBefore + 1);
  TheWorld().source.Set(InterfaceClass::PortableDevice, {});
}

TEST_F(ControlTest, ASecondStartWhileTheFirstRefreshRunsNeitherBlocksNorRunsTwoThreads) {
  Gadget gadget(L"Twice");
  HostedControl control;
  ASSERT_EQ(control.Create(zendrel::kControlClsid), S_OK);
  const int before = TheWorld().source.Walks(InterfaceClass::Disk);
  // The first refresh thread sends its rebuild to this thread, which is inside the second
  // call: the call keeps dispatching messages while it waits.
  ASSERT_EQ(control.Call(L"LoadGadgetPath", {Text(gadget.PageUrl().c_str())}), S_OK);
  ASSERT_EQ(control.Call(L"LoadGadgetPath", {Text(gadget.PageUrl().c_str())}), S_OK);
  ASSERT_TRUE(PumpUntilWorkersEnded());
  EXPECT_EQ(TheWorld().source.Walks(InterfaceClass::Disk), before + 2);
  EXPECT_EQ(TheWorld().source.MostOpenWalks(), 1) << "never two refresh threads at once";
}

TEST_F(ControlTest, TheInformationBoxClosesItselfAndTheCautionBoxWaitsForThePerson) {
  HostedControl control;
  ASSERT_EQ(control.Create(zendrel::kControlClsid), S_OK);
  {
    // The person would press OK only after three seconds; the box is gone before.
    BoxAnswerer late(L"drive is ready", IDOK, 3000);
    ShowInfoBox(u"The drive is ready.", 200);
    ASSERT_TRUE(late.Answered());
    EXPECT_TRUE(late.ClosedByItself());
    EXPECT_EQ(late.Caption(), L"Information");
  }
  BoxAnswerer person(L"Disk is hot", IDOK, 500);
  EXPECT_EQ(ShowCautionBox(u"Disk is hot."), IDOK);
  ASSERT_TRUE(person.Answered());
  EXPECT_FALSE(person.ClosedByItself());
  EXPECT_EQ(person.Caption(), L"Caution");
}

TEST_F(ControlTest, TheInformationBoxClosesOnlyTheBoxItMade) {
  // Another program's box with the same caption is up first, and comes to the top of the
  // screen while ours is up: a search by caption would find it first.
  std::thread other([] { ::MessageBoxW(nullptr, L"Another program speaks.", L"Information", MB_OK | MB_TOPMOST); });
  HWND otherBox = nullptr;
  for (int i = 0; i < 250 && !otherBox; ++i) {
    otherBox = FindMessageBox(L"Another program speaks.");
    if (!otherBox) ::Sleep(20);
  }
  ASSERT_NE(otherBox, nullptr);
  std::thread raiser([otherBox] {
    for (int i = 0; i < 250; ++i) {
      if (FindMessageBox(L"The drive is ready.")) {
        ::SetWindowPos(otherBox, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        return;
      }
      ::Sleep(5);
    }
  });
  BoxAnswerer late(L"The drive is ready.", IDOK, 3000);
  ShowInfoBox(u"The drive is ready.", 400);
  raiser.join();
  ASSERT_TRUE(late.Answered());
  EXPECT_TRUE(late.ClosedByItself()) << "our box closed itself";
  EXPECT_TRUE(::IsWindow(otherBox) && ::IsWindowVisible(otherBox)) << "the other program's box is left alone";
  ::PostMessageW(otherBox, WM_COMMAND, IDOK, 0);
  other.join();
}

TEST_F(ControlTest, ARefusedSecondControlLeavesTheHookOfTheFirst) {
  Gadget gadget(L"Hook");
  HostedControl first;
  Start(first, gadget);
  ASSERT_TRUE(PumpUntilWorkersEnded());
  {
    BoxAnswerer person(L"Already Runnnig", IDOK);
    HostedControl second;
    EXPECT_TRUE(FAILED(second.Create(zendrel::kControlClsid)));
    ASSERT_TRUE(person.Answered());
  }
  // A device broadcast to a window of the host's thread still reaches the first control.
  const uintptr_t window = uintptr_t(CZendrelApp::Instance().GadgetWnd());
  ASSERT_FALSE(TheWorld().clock.Running(window, 5));
  ::SendMessageW(first.Window(), WM_DEVICECHANGE, DBT_DEVNODES_CHANGED, 0);
  test::PumpPending();
  EXPECT_TRUE(TheWorld().clock.Running(window, 5)) << "the hook still forwards the broadcast";
}

TEST_F(ControlTest, AFirstRefreshThreadThatCannotStartIsTriedAgainByTheDeviceTimer) {
  Gadget gadget(L"NoThread");
  HostedControl control;
  ASSERT_EQ(control.Create(zendrel::kControlClsid), S_OK);
  const int before = TheWorld().source.Walks(InterfaceClass::Disk);
  TheWorld().threads.refusals = 1;
  EXPECT_EQ(control.Call(L"LoadGadgetPath", {Text(gadget.PageUrl().c_str())}), S_OK) << "the page sees no error";
  test::PumpPending();
  EXPECT_EQ(TheWorld().source.Walks(InterfaceClass::Disk), before);
  const uintptr_t window = uintptr_t(CZendrelApp::Instance().GadgetWnd());
  ASSERT_TRUE(TheWorld().clock.Running(window, 2)) << "a retry is pending";
  AdvanceClock(1000);
  ASSERT_TRUE(PumpUntilWorkersEnded());
  EXPECT_EQ(TheWorld().source.Walks(InterfaceClass::Disk), before + 1);
  UniqueVariant count;
  ASSERT_EQ(control.Call(L"GetDriveLetterCount", {}, count.put()), S_OK);
  EXPECT_GT(V_I2(count.get()), 0) << "the rows came with the retry";
}

namespace {
// A window whose WM_APP opens a gate: posted behind a WM_QUIT, it runs first.
HANDLE g_gate = nullptr;
LRESULT CALLBACK GateProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_APP) ::SetEvent(g_gate);
  return ::DefWindowProcW(hwnd, message, wParam, lParam);
}
}  // namespace

TEST_F(ControlTest, AQuitMetWhileWaitingForTheRefreshThreadIsPostedAgain) {
  Gadget gadget(L"Quit");
  HostedControl control;
  ASSERT_EQ(control.Create(zendrel::kControlClsid), S_OK);
  const UniqueHandle gate(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
  g_gate = gate.get();
  WNDCLASSW windowClass{};
  windowClass.lpfnWndProc = &GateProcedure;
  windowClass.hInstance = ::GetModuleHandleW(nullptr);
  windowClass.lpszClassName = L"TavolenTestGate";
  ::RegisterClassW(&windowClass);
  const UniqueWindow gateWindow(::CreateWindowExW(0, L"TavolenTestGate", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                                  ::GetModuleHandleW(nullptr), nullptr));
  // The first refresh thread waits in its walk until the gate opens.
  TheWorld().source.onWalk = [&gate](InterfaceClass) { ::WaitForSingleObject(gate.get(), 10000); };
  ASSERT_EQ(control.Call(L"LoadGadgetPath", {Text(gadget.PageUrl().c_str())}), S_OK);
  // The host's loop is asked to end, then the gate is opened: the second start waits for
  // the thread, dispatching messages, and meets the quit.
  ::PostQuitMessage(7);
  ::PostMessageW(gateWindow.get(), WM_APP, 0, 0);
  ASSERT_EQ(control.Call(L"LoadGadgetPath", {Text(gadget.PageUrl().c_str())}), S_OK);
  MSG msg{};
  const bool quit = ::PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) != FALSE;
  ::SetEvent(gate.get());
  EXPECT_TRUE(PumpUntilWorkersEnded());
  TheWorld().source.onWalk = nullptr;
  ASSERT_TRUE(quit) << "the host's loop still gets its quit";
  EXPECT_EQ(msg.wParam, 7u);
}

TEST_F(ControlTest, AfterInPlaceDeactivationAndReactivationTheRowsAndTimersComeBack) {
  Gadget gadget(L"Reactivate");
  HostedControl control;
  Start(control, gadget);
  ASSERT_TRUE(PumpUntilWorkersEnded());
  auto rowCount = [&] {
    UniqueVariant count;
    EXPECT_EQ(control.Call(L"GetDriveLetterCount", {}, count.put()), S_OK);
    return int(V_I2(count.get()));
  };
  const int rows = rowCount();
  ASSERT_GT(rows, 0);
  ComPtr<IOleInPlaceObject> inPlace;
  ASSERT_TRUE(SUCCEEDED(control.Site()->Control()->QueryInterface(IID_IOleInPlaceObject,
                                                                    reinterpret_cast<void**>(inPlace.put()))));
  ASSERT_EQ(inPlace->InPlaceDeactivate(), S_OK);
  EXPECT_EQ(rowCount(), 0) << "the rows went with the window";
  ASSERT_EQ(control.Site()->DoVerb(OLEIVERB_INPLACEACTIVATE), S_OK);
  const HWND window = CZendrelApp::Instance().GadgetWnd();
  ASSERT_NE(window, nullptr);
  ASSERT_TRUE(PumpUntil([&] { return rowCount() == rows; }));
  int shown = 0;
  for (HWND child = ::GetWindow(window, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT))
    if (::GetWindowLongPtrW(child, GWL_STYLE) & WS_VISIBLE) ++shown;  // the host window itself is not shown
  EXPECT_EQ(shown, rows) << "every row has a window again";
  EXPECT_TRUE(TheWorld().clock.Running(uintptr_t(window), 1)) << "the label timer runs on the new window";
}
