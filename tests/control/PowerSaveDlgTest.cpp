// The power-save dialog under Wine, opened for a simulated disk and operated as a person
// does: reading what it shows, choosing a radio button and a timer, pressing OK or Cancel
// and answering the message that follows; then what reached the disk and the settings file.
#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "control/device/CAtaCommand.h"
#include "control/panels/win/CPowerSaveDlg.h"
#include "control/core/win/CZendrelApp.h"
#include "control/device/Command.h"
#include "tests/control/ControlTestSupport.h"
#include "tests/control/ControlWorld.h"
#include "control/device/DeviceList.h"
#include "ports/win/PrivateProfileSettingsFile.h"
#include "sim/SimDevice.h"
#include "sim/SimOpener.h"
#include "framework/Utf16.h"
#include "control/resources/resource.h"

using namespace tavolen;
using namespace tavolen::test;

namespace {

constexpr uint8_t kStandby = 0xE2, kIdle = 0xE3;
constexpr uint32_t kDrive = 5;
constexpr wchar_t kKey[] = L"SIM SAT:W-5";
constexpr wchar_t kTimerSettings[] = L"TimerSettings";
constexpr wchar_t kSent[] = L"IsTimerCommandSend";
constexpr wchar_t kAbsent[] = L"<none>";  // what ReadIni gives for a missing key

std::wstring WindowText(HWND hwnd) {
  wchar_t text[256] = {};
  ::GetWindowTextW(hwnd, text, 255);
  return text;
}

bool OfThisProcess(HWND hwnd) {
  DWORD process = 0;
  ::GetWindowThreadProcessId(hwnd, &process);
  return process == ::GetCurrentProcessId();
}

bool IsDialogClass(HWND hwnd) {
  wchar_t className[16] = {};
  ::GetClassNameW(hwnd, className, 15);
  return std::wstring(className) == L"#32770";
}

struct TopLevelSearch {
  const std::function<bool(HWND)>* match;
  HWND found;
};

BOOL CALLBACK MatchTopLevel(HWND hwnd, LPARAM param) {
  auto* s = reinterpret_cast<TopLevelSearch*>(param);
  if (!::IsWindowVisible(hwnd) || !OfThisProcess(hwnd) || !IsDialogClass(hwnd) || !(*s->match)(hwnd)) return TRUE;
  s->found = hwnd;
  return FALSE;
}

// The first visible top-level dialog of this process that `match` accepts.
HWND FindTopLevel(const std::function<bool(HWND)>& match) {
  TopLevelSearch search{&match, nullptr};
  ::EnumWindows(&MatchTopLevel, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// What the dialog shows.
struct DialogView {
  std::wstring powerModeText;
  bool powerModeChecked = false;
  bool timerChecked = false;
  bool comboEnabled = false;
  std::vector<std::wstring> choices;
  std::vector<LRESULT> counts;  // item data
  LRESULT selected = CB_ERR;
  bool hasIcons = false;
};

DialogView Look(HWND dialog) {
  DialogView view;
  view.powerModeText = WindowText(::GetDlgItem(dialog, IDC_POWER_MODE));
  view.powerModeChecked = ::IsDlgButtonChecked(dialog, IDC_POWER_MODE) == BST_CHECKED;
  view.timerChecked = ::IsDlgButtonChecked(dialog, IDC_STANDBY_TIMER) == BST_CHECKED;
  const HWND combo = ::GetDlgItem(dialog, IDC_TIMER_COMBO);
  view.comboEnabled = ::IsWindowEnabled(combo) != FALSE;
  const LRESULT count = ::SendMessageW(combo, CB_GETCOUNT, 0, 0);
  for (LRESULT i = 0; i < count; ++i) {
    wchar_t text[64] = {};
    if (::SendMessageW(combo, CB_GETLBTEXTLEN, WPARAM(i), 0) < 63)
      ::SendMessageW(combo, CB_GETLBTEXT, WPARAM(i), reinterpret_cast<LPARAM>(text));
    view.choices.push_back(text);
    view.counts.push_back(::SendMessageW(combo, CB_GETITEMDATA, WPARAM(i), 0));
  }
  view.selected = ::SendMessageW(combo, CB_GETCURSEL, 0, 0);
  view.hasIcons = ::SendMessageW(dialog, WM_GETICON, ICON_BIG, 0) != 0 &&
                  ::SendMessageW(dialog, WM_GETICON, ICON_SMALL, 0) != 0;
  return view;
}

// The message box that OK brought up.
struct BoxSeen {
  std::wstring caption;
  std::wstring text;
  bool dialogVisible = true;  // whether the dialog was still shown beside the box
  bool closedByItself = false;
};

// A person at the power-save dialog, on a thread of their own: waits for the dialog (ten
// seconds at most), looks at it, does what `operate` does to it, looks again, presses
// `button`, and then answers the box that comes up with OK, or waits for it to close by
// itself. Every wait is bounded, so a missing window fails the test instead of hanging it.
class PowerSaveUser {
 public:
  enum class Answer { PressOk, LetItClose };

  explicit PowerSaveUser(std::function<void(HWND)> operate, int button = IDOK, Answer answer = Answer::PressOk)
      : operate_(std::move(operate)), button_(button), answer_(answer) {
    thread_ = std::thread([this] { Run(); });
  }
  ~PowerSaveUser() {
    if (thread_.joinable()) thread_.join();
  }
  PowerSaveUser(const PowerSaveUser&) = delete;
  PowerSaveUser& operator=(const PowerSaveUser&) = delete;

  // Waits for the person to be done; false when the dialog never came.
  bool Done() {
    if (thread_.joinable()) thread_.join();
    return found_;
  }
  std::wstring title;
  DialogView before, after;
  std::vector<BoxSeen> boxes;

 private:
  void Run() {
    HWND dialog = nullptr;
    for (int i = 0; i < 500 && !dialog; ++i) {
      dialog = FindTopLevel([](HWND hwnd) { return WindowText(hwnd) == L"Power Save Settings"; });
      if (!dialog) ::Sleep(20);
    }
    if (!dialog) return;
    found_ = true;
    title = WindowText(dialog);
    before = Look(dialog);
    if (operate_) operate_(dialog);
    after = Look(dialog);
    ::PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(button_, BN_CLICKED), 0);
    // Until the dialog is gone: every box that comes up meanwhile is answered.
    for (int i = 0; i < 1000 && ::IsWindow(dialog); ++i) {
      HWND box = FindTopLevel([dialog](HWND hwnd) { return hwnd != dialog && ::GetDlgItem(hwnd, 0xFFFF); });
      if (!box) {
        ::Sleep(10);
        continue;
      }
      BoxSeen seen;
      seen.caption = WindowText(box);
      seen.text = WindowText(::GetDlgItem(box, 0xFFFF));
      seen.dialogVisible = ::IsWindowVisible(dialog) != FALSE;
      if (answer_ == Answer::PressOk) {
        ::PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
      }
      for (int j = 0; j < 1000 && ::IsWindow(box) && ::IsWindowVisible(box); ++j) ::Sleep(10);
      // A closed box is hidden first and destroyed a moment later.
      seen.closedByItself = answer_ == Answer::LetItClose && (!::IsWindow(box) || !::IsWindowVisible(box));
      boxes.push_back(seen);
      // One that stayed is answered after all, so that the dialog can end.
      if (::IsWindow(box) && ::IsWindowVisible(box)) ::PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    }
  }

  std::function<void(HWND)> operate_;
  int button_;
  Answer answer_;
  std::atomic<bool> found_{false};
  std::thread thread_;
};

// Clicks a button of the dialog as the mouse does.
void Click(HWND dialog, int id) { ::SendMessageW(::GetDlgItem(dialog, id), BM_CLICK, 0, 0); }
void Choose(HWND dialog, int choice) {
  ::SendMessageW(::GetDlgItem(dialog, IDC_TIMER_COMBO), CB_SETCURSEL, WPARAM(choice), 0);
}

DeviceInfo SatRecord() {
  DeviceInfo info = ZeroDeviceInfo();
  info.kind = SatDisk;
  info.driveNumber = kDrive;
  info.busType = BusUsb;
  SetText(info.drive.product, u"SIM SAT");
  SetText(info.usb.usbSerial, u"W-5");
  return info;
}

// A disk behind the service route, its record, a power-save settings file of its own and
// the pauses the dialog waited.
class PowerSaveDlgTest : public ::testing::Test {
 protected:
  void SetUp() override {
    disk->deviceNumber = kDrive;
    opener.Add(PhysicalDrivePath(kDrive), disk, ChannelRoute::Service);
    ini = MakeTempFolder(L"powersave") + L"\\Setting.ini";
    ::DeleteFileW(ini.c_str());
    powerSave = std::make_unique<PowerSaveFile>(files, ToUtf16(ini));
  }
  void TearDown() override { ::DeleteFileW(ini.c_str()); }

  PowerSaveSources Sources(UINT infoBoxCloseAfter = 5000) {
    PowerSaveSources sources;
    sources.disks = [this](uint32_t number) -> std::optional<DeviceInfo> {
      const DeviceInfo* found = FindByDriveNumber(disks, number);
      return found ? std::optional<DeviceInfo>(*found) : std::nullopt;
    };
    sources.opener = &opener;
    sources.powerSave = powerSave.get();
    sources.pause = [this](unsigned ms) { pauses.push_back(ms); };
    sources.infoBoxCloseAfter = infoBoxCloseAfter;
    return sources;
  }
  std::vector<uint8_t> Counts(uint8_t code) const {
    auto lock = disk->Lock();
    std::vector<uint8_t> counts;
    for (const AtaTaskFile& tf : disk->Executed())
      if (tf[AtaTaskFile::Command] == code) counts.push_back(tf[AtaTaskFile::Count]);
    return counts;
  }

  sim::SimOpener opener;
  std::shared_ptr<sim::SimDevice> disk = std::make_shared<sim::SimDevice>(sim::Family::Sat);
  std::vector<DeviceInfo> disks{SatRecord()};
  std::wstring ini;
  PrivateProfileFiles files;
  std::unique_ptr<PowerSaveFile> powerSave;
  std::vector<unsigned> pauses;
};

}  // namespace

TEST_F(PowerSaveDlgTest, WithoutStoredTimerOkPutsTheAwakeDiskIntoStandby) {
  PowerSaveUser person(nullptr);
  CPowerSaveDlg dialog(kDrive, IDD_POWER_SAVE_MEIRYO, Sources());
  EXPECT_EQ(dialog.DoModal(), IDOK);
  ASSERT_TRUE(person.Done());

  EXPECT_EQ(person.title, L"Power Save Settings");
  EXPECT_EQ(person.before.powerModeText, L"Change Power Mode");
  EXPECT_TRUE(person.before.powerModeChecked);
  EXPECT_FALSE(person.before.timerChecked);
  EXPECT_FALSE(person.before.comboEnabled);
  EXPECT_EQ(person.before.choices,
            (std::vector<std::wstring>{L"After 10m", L"After 20m", L"After 30m", L"After 1h"}));
  EXPECT_EQ(person.before.counts, (std::vector<LRESULT>{120, 240, 241, 242}));
  EXPECT_EQ(person.before.selected, 0);
  EXPECT_TRUE(person.before.hasIcons);

  ASSERT_EQ(person.boxes.size(), 1u);
  EXPECT_EQ(person.boxes[0].caption, L"Information");
  EXPECT_EQ(person.boxes[0].text, L"Standby Mode : Enabled");
  EXPECT_FALSE(person.boxes[0].dialogVisible) << "the dialog hides while its message is up";
  EXPECT_EQ(Counts(kStandby), std::vector<uint8_t>{0});
  EXPECT_EQ(disk->ata.powerMode, sim::AtaDisk::kPowerStandby);
  EXPECT_EQ(ReadIni(ini, kTimerSettings, kKey), kAbsent) << "toggling stores nothing";
  EXPECT_FALSE(dialog.HasStoredTimer());
}

TEST_F(PowerSaveDlgTest, ChoosingThirtyMinutesSendsAndStoresTheTimer) {
  PowerSaveUser person([](HWND dlg) {
    Click(dlg, IDC_STANDBY_TIMER);
    Choose(dlg, 2);
  });
  CPowerSaveDlg dialog(kDrive, IDD_POWER_SAVE_TAHOMA, Sources());
  EXPECT_EQ(dialog.DoModal(), IDOK);
  ASSERT_TRUE(person.Done());

  EXPECT_TRUE(person.after.timerChecked);
  EXPECT_FALSE(person.after.powerModeChecked);
  EXPECT_TRUE(person.after.comboEnabled) << "the timer button enables the choice";
  ASSERT_EQ(person.boxes.size(), 1u);
  EXPECT_EQ(person.boxes[0].caption, L"Information");
  EXPECT_EQ(person.boxes[0].text, L"Standby Timer : Setted");
  EXPECT_EQ(Counts(kIdle), std::vector<uint8_t>{241});
  EXPECT_EQ(disk->ata.standbyTimer, 241);
  EXPECT_EQ(ReadIni(ini, kTimerSettings, kKey), L"2");
  EXPECT_EQ(ReadIni(ini, kSent, kKey), L"1");
  EXPECT_TRUE(pauses.empty());
}

TEST_F(PowerSaveDlgTest, StoredTimerOffersReleaseAndReleasingRemovesBothEntries) {
  WriteIni(ini, kTimerSettings, kKey, L"3");
  WriteIni(ini, kSent, kKey, L"1");
  WriteIni(ini, kTimerSettings, L"OTHER:X", L"0");
  PowerSaveUser person([](HWND dlg) { Click(dlg, IDC_POWER_MODE); });
  CPowerSaveDlg dialog(kDrive, IDD_POWER_SAVE_MEIRYO, Sources());
  EXPECT_TRUE(dialog.HasStoredTimer());
  EXPECT_EQ(dialog.DoModal(), IDOK);
  ASSERT_TRUE(person.Done());

  EXPECT_EQ(person.before.powerModeText, L"Release Timer");
  EXPECT_TRUE(person.before.timerChecked);
  EXPECT_TRUE(person.before.comboEnabled);
  EXPECT_EQ(person.before.selected, 3) << "the stored choice is selected";
  EXPECT_TRUE(person.after.powerModeChecked);
  EXPECT_FALSE(person.after.comboEnabled) << "the first button disables the choice";

  ASSERT_EQ(person.boxes.size(), 1u);
  EXPECT_EQ(person.boxes[0].text, L"Standby Timer : Released");
  EXPECT_EQ(Counts(kIdle), std::vector<uint8_t>{0});
  EXPECT_TRUE(Counts(kStandby).empty()) << "with a stored timer the first button releases, it does not toggle";
  EXPECT_EQ(ReadIni(ini, kTimerSettings, kKey), kAbsent);
  EXPECT_EQ(ReadIni(ini, kSent, kKey), kAbsent);
  EXPECT_EQ(ReadIni(ini, kTimerSettings, L"OTHER:X"), L"0");
  EXPECT_FALSE(dialog.HasStoredTimer());
}

TEST_F(PowerSaveDlgTest, FailedTimerShowsTheCautionAndStoresNothing) {
  disk->FailCdb(0xA1, sim::Fault::TransportError());
  disk->FailCdb(0x85, sim::Fault::TransportError());
  PowerSaveUser person([](HWND dlg) {
    Click(dlg, IDC_STANDBY_TIMER);
    Choose(dlg, 0);
  });
  CPowerSaveDlg dialog(kDrive, IDD_POWER_SAVE_TAHOMA, Sources());
  EXPECT_EQ(dialog.DoModal(), IDOK) << "the dialog closes after the message";
  ASSERT_TRUE(person.Done());
  ASSERT_EQ(person.boxes.size(), 1u);
  EXPECT_EQ(person.boxes[0].caption, L"Caution");
  EXPECT_EQ(person.boxes[0].text, L"Set Standby Timer : Failed");
  EXPECT_FALSE(person.boxes[0].dialogVisible);
  EXPECT_EQ(pauses, (std::vector<unsigned>{100, 100, 100}));
  EXPECT_EQ(disk->ata.standbyTimer, 0);
  EXPECT_EQ(ReadIni(ini, kTimerSettings, kKey), kAbsent);
  EXPECT_EQ(ReadIni(ini, kSent, kKey), kAbsent);
}

TEST_F(PowerSaveDlgTest, CancelSendsNothing) {
  PowerSaveUser person([](HWND dlg) { Click(dlg, IDC_STANDBY_TIMER); }, IDCANCEL);
  CPowerSaveDlg dialog(kDrive, IDD_POWER_SAVE_TAHOMA, Sources());
  EXPECT_EQ(dialog.DoModal(), IDCANCEL);
  ASSERT_TRUE(person.Done());
  EXPECT_TRUE(person.boxes.empty());
  EXPECT_TRUE(opener.Opened().empty());
  EXPECT_EQ(ReadIni(ini, kTimerSettings, kKey), kAbsent);
}

TEST_F(PowerSaveDlgTest, DiskWithoutCommandFamilyClosesWithoutAWord) {
  disks[0].kind = ExternalDisk;
  PowerSaveUser person([](HWND dlg) { Click(dlg, IDC_STANDBY_TIMER); });
  CPowerSaveDlg dialog(kDrive, IDD_POWER_SAVE_TAHOMA, Sources());
  // A box would keep DoModal from returning until someone answered it.
  EXPECT_EQ(dialog.DoModal(), IDOK);
  ASSERT_TRUE(person.Done());
  EXPECT_TRUE(person.boxes.empty());
  EXPECT_TRUE(opener.Opened().empty());
  EXPECT_EQ(ReadIni(ini, kTimerSettings, kKey), kAbsent);
}

TEST_F(PowerSaveDlgTest, SuccessMessageClosesByItself) {
  PowerSaveUser person([](HWND dlg) { Click(dlg, IDC_STANDBY_TIMER); }, IDOK,
                       PowerSaveUser::Answer::LetItClose);
  CPowerSaveDlg dialog(kDrive, IDD_POWER_SAVE_TAHOMA, Sources(300));
  EXPECT_EQ(dialog.DoModal(), IDOK);
  ASSERT_TRUE(person.Done());
  ASSERT_EQ(person.boxes.size(), 1u);
  EXPECT_EQ(person.boxes[0].text, L"Standby Timer : Setted");
  EXPECT_TRUE(person.boxes[0].closedByItself);
  EXPECT_EQ(ReadIni(ini, kTimerSettings, kKey), L"0");
}

TEST_F(PowerSaveDlgTest, OperationsWorkWithoutTheWindow) {
  WriteIni(ini, kTimerSettings, kKey, L"1");
  CPowerSaveDlg dialog(kDrive, IDD_POWER_SAVE_TAHOMA, Sources());
  BoxAnswerer setAnswer(L"Standby Timer : Setted", IDOK);
  EXPECT_NE(dialog.SetStandbyTimer(false), 0);
  EXPECT_TRUE(setAnswer.Answered());
  EXPECT_EQ(disk->ata.standbyTimer, 240) << "without a window the stored choice is sent";
  BoxAnswerer toggleAnswer(L"Standby Mode : Enabled", IDOK);
  EXPECT_NE(dialog.ToggleStandby(), 0);
  EXPECT_TRUE(toggleAnswer.Answered());
  EXPECT_EQ(disk->ata.powerMode, sim::AtaDisk::kPowerStandby);
  EXPECT_EQ(ReadIni(ini, kTimerSettings, kKey), L"1") << "the bare operations leave the settings alone";
}

// The product's sources: the module's device list, its opener and its power-save file.
TEST_F(PowerSaveDlgTest, ModuleSourcesReachTheListedDisk) {
  CZendrelApp& app = CZendrelApp::Instance();
  app.Devices().Refresh(DeviceList::kDisks);
  const std::optional<DeviceInfo> fixed = app.Devices().FindDisk(1);
  ASSERT_TRUE(fixed.has_value());
  ASSERT_EQ(fixed->kind, uint32_t(FixedDisk));
  const std::u16string powerSavePath = app.PowerSavePath();
  ::DeleteFileW(AsWide(powerSavePath.c_str()));

  auto awake = [&app] {
    CAtaCommand command(*app.Environment().opener, 1);
    bool isAwake = false;
    EXPECT_TRUE(command.CheckPowerMode(isAwake));
    return isAwake;
  };
  ASSERT_TRUE(awake());
  struct Step {
    const wchar_t* message;
    bool awakeAfter;
  };
  for (const Step step : {Step{L"Standby Mode : Enabled", false}, Step{L"Standby Mode : Disabled", true}}) {
    PowerSaveUser person(nullptr);
    CPowerSaveDlg dialog(1, CPowerSaveDlg::TemplateFor(app.MeiryoFont()), ModulePowerSaveSources(app));
    EXPECT_EQ(dialog.DoModal(), IDOK);
    ASSERT_TRUE(person.Done());
    ASSERT_EQ(person.boxes.size(), 1u);
    EXPECT_EQ(person.boxes[0].text, step.message);
    EXPECT_EQ(awake(), step.awakeAfter) << "the disk follows the dialog";
  }
  EXPECT_EQ(::GetFileAttributesW(AsWide(powerSavePath.c_str())), INVALID_FILE_ATTRIBUTES)
      << "toggling writes no settings";
}
