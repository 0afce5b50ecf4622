// Erasing a drive's free space from its row under Wine: with the system's writer on a
// drive letter of the test's own whose free space, given through the volumes port, is a
// few MiB; and with an endless disk in memory for cancel, several erases and unload.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <atomic>
#include <future>

#include "control/core/win/CZendrelApp.h"
#include "control/core/ZendrelDispatch.h"
#include "control/core/win/ZendrelIds.h"
#include "control/resources/resource.h"
#include "framework/Module.h"
#include "sim/SimDevice.h"
#include "sim/win/WineDrives.h"
#include "tests/control/ControlTestSupport.h"
#include "tests/control/ControlWorld.h"
#include "tests/fakes/FakeUnbufferedFiles.h"
#include "tests/framework/MessagePump.h"

using namespace tavolen;
using namespace tavolen::test;
namespace ev = tavolen::zendrel_event;

namespace {

constexpr uint64_t kMiB = uint64_t(1) << 20;
constexpr wchar_t kFillName[] = L"空き領域抹消用ファイル";
constexpr wchar_t kConfirm[] = L"空き領域のデータを消します。";
constexpr wchar_t kFinished[] = L"空き領域のデータ削除を終了しました";

// A gate a worker waits at until the test opens it.
class Gate {
 public:
  void Arrive() {
    arrived_ = true;
    opened_.wait();
  }
  bool Arrived() const { return arrived_; }
  void Open() {
    if (!open_.exchange(true)) opener_.set_value();
  }

 private:
  std::atomic<bool> arrived_{false}, open_{false};
  std::promise<void> opener_;
  std::shared_future<void> opened_ = opener_.get_future().share();
};

uint64_t FolderBytes(const std::wstring& folder) {
  uint64_t bytes = 0;
  WIN32_FIND_DATAW found{};
  const HANDLE search = ::FindFirstFileW((folder + L"\\*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return 0;
  do bytes += uint64_t(found.nFileSizeHigh) << 32 | found.nFileSizeLow;
  while (::FindNextFileW(search, &found));
  ::FindClose(search);
  return bytes;
}

bool Exists(const std::wstring& path) { return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::wstring ItemText(HWND dialog, int id) {
  wchar_t text[128] = {};
  ::GetDlgItemTextW(dialog, id, text, 127);
  return text;
}

HWND EraseDialogOf(const wchar_t* title) { return ::FindWindowW(L"#32770", title); }

// Two card readers M: and N: with media (removable disks of the simulated world), and the
// fixed disk F:, each a row of its own; erases write into the memory disk unless a test
// takes the system's files.
class EraseTest : public ::testing::Test {
 protected:
  void SetUp() override {
    World& world = TheWorld();
    AddCard(L'M', 7);
    AddCard(L'N', 8);
    world.opener.Add(u"\\\\.\\F:", world.fixedDisk, ChannelRoute::Service);
    world.volumes.Fake().Clear();
    for (const char16_t* root : {u"M:\\", u"N:\\", u"F:\\"}) {
      tavolen::testing::FakeVolumes::Drive drive;
      drive.type = root[0] == u'F' ? DriveType::Fixed : DriveType::Removable;
      drive.information = VolumeInformation{u"CARD", u"NTFS"};
      drive.space = VolumeSpace{uint64_t(1) << 51, uint64_t(1) << 50};  // endless
      world.volumes.Fake().Set(root, drive);
    }
    world.volumes.UseFake(true);
    world.unbufferedFiles.Use(&disk_);
    folder_ = MakeEmptyTempFolder(L"Erase");
    ASSERT_EQ(control_.Create(zendrel::kControlClsid), S_OK);
    control_.ClearEvents();
    ASSERT_EQ(control_.Call(L"LoadGadgetPath", {Text((folder_ + L"\\Marvesk.htm").c_str())}), S_OK);
    ASSERT_TRUE(PumpUntil([&] { return !control_.Events(ev::ChangeSize).empty(); }));
    ASSERT_TRUE(PumpUntilWorkersEnded());
    for (auto& card : cards_) card->ClearLogs();
  }
  void TearDown() override {
    // Whatever failed, no worker stays at a gate.
    wipe_.Open();
    held_.Open();
    control_.Close();
    EXPECT_TRUE(PumpUntilWorkersEnded());
    World& world = TheWorld();
    world.unbufferedFiles.Use(nullptr);
    world.volumes.UseFake(false);
    world.processes.onRun = nullptr;
    for (const auto& path : cardPaths_) {
      world.source.Remove(InterfaceClass::Disk, path);
      world.opener.Remove(path);
    }
    for (const char16_t* root : {u"\\\\.\\M:", u"\\\\.\\N:", u"\\\\.\\F:"}) world.opener.Remove(root);
    RemoveTempFolder(folder_);
    // Erasing is file work only: no command reached a card.
    for (auto& card : cards_) {
      auto lock = card->Lock();
      EXPECT_TRUE(card->Cdbs().empty());
      EXPECT_TRUE(card->AtaCommands().empty());
    }
  }

  void AddCard(wchar_t letter, uint32_t number) {
    auto card = std::make_shared<sim::SimDevice>(sim::Family::PlainAta);
    card->deviceNumber = number;
    card->hotplug.mediaRemovable = 1;
    const std::u16string path = u"\\\\?\\scsi#disk&ven_tavosim&prod_card#5&" + std::u16string(1, char16_t(letter)) +
                                u"&0&000700#{53f56307-b6bf-11d0-94f2-00a0c91efb8b}";
    World& world = TheWorld();
    world.opener.Add(path, card, ChannelRoute::Service);
    world.opener.Add(u"\\\\.\\" + std::u16string(1, char16_t(letter)) + u":", card, ChannelRoute::Service);
    world.source.Append(InterfaceClass::Disk, {path, std::nullopt});
    cards_.push_back(card);
    cardPaths_.push_back(path);
  }

  // The rows stand in drive-letter order: F:, M:, N:.
  HWND Row(wchar_t letter) const {
    std::vector<std::pair<LONG, HWND>> rows;
    for (HWND child = ::GetWindow(CZendrelApp::Instance().GadgetWnd(), GW_CHILD); child;
         child = ::GetWindow(child, GW_HWNDNEXT)) {
      if (!(::GetWindowLongPtrW(child, GWL_STYLE) & WS_VISIBLE)) continue;
      RECT rect{};
      ::GetWindowRect(child, &rect);
      rows.emplace_back(rect.top, child);
    }
    std::sort(rows.begin(), rows.end());
    const std::size_t index = letter == L'F' ? 0 : letter == L'M' ? 1 : 2;
    return index < rows.size() ? rows[index].second : nullptr;
  }

  // The user's middle double click on the row, confirmed with Yes; the erase's dialog.
  HWND StartErase(wchar_t letter) {
    BoxAnswerer person(kConfirm, IDYES);
    ::SendMessageW(Row(letter), WM_MBUTTONDBLCLK, 0, 0);
    EXPECT_TRUE(person.Answered());
    EXPECT_EQ(person.Caption(), L"Information");
    const std::wstring title = std::wstring(L" ") + letter + L":\\";
    HWND dialog = nullptr;
    EXPECT_TRUE(PumpUntil([&] { return (dialog = EraseDialogOf(title.c_str())) != nullptr; }));
    return dialog;
  }

  std::u16string FillOf(wchar_t letter) const {
    return std::u16string(1, char16_t(letter)) + u":\\" + reinterpret_cast<const char16_t*>(kFillName);
  }

  tavolen::testing::FakeUnbufferedFiles disk_{uint64_t(1) << 50};
  Gate wipe_, held_;  // where a writer may wait for the test
  std::vector<std::shared_ptr<sim::SimDevice>> cards_;
  std::vector<std::u16string> cardPaths_;
  std::wstring folder_;
  HostedControl control_;
};

}  // namespace

TEST_F(EraseTest, ARowsFreeSpaceIsFilledShownWipedAndLeftEmpty) {
  // The system's writer on a real letter M:, whose free space is 8 MiB less what lies in it.
  World& world = TheWorld();
  const std::wstring card = MakeEmptyTempFolder(L"EraseCard");
  WineDrive letter(L'M', DRIVE_REMOVABLE, card);
  ASSERT_TRUE(letter);
  tavolen::testing::FakeVolumes::Drive drive;
  drive.type = DriveType::Removable;
  drive.information = VolumeInformation{u"CARD", u"NTFS"};
  drive.measure = [card] {
    const uint64_t used = FolderBytes(card);
    return std::optional<VolumeSpace>(VolumeSpace{8 * kMiB, used < 8 * kMiB ? 8 * kMiB - used : 0});
  };
  world.volumes.Fake().Set(u"M:\\", drive);
  world.unbufferedFiles.Use(nullptr);
  const std::wstring fill = card + L"\\" + kFillName;
  Gate& wipe = wipe_;
  uint64_t filledDuringWipe = 0;
  world.processes.onRun = [&] {
    filledDuringWipe = Exists(fill) ? FolderBytes(card) : 0;
    wipe.Arrive();
  };

  const long moduleBefore = ModuleReferenceCount();
  const HWND dialog = StartErase(L'M');
  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(ItemText(dialog, IDC_ERASE_STATUS), L"空き領域抹消中");
  ASSERT_TRUE(PumpUntil([&] { return wipe.Arrived(); }));
  EXPECT_GE(ModuleReferenceCount(), moduleBefore + 2) << "the dialog's thread and the writer hold the module";
  EXPECT_EQ(filledDuringWipe, 8 * kMiB) << "the wipe runs while the fill file takes the free space";

  AdvanceClock(1000);
  EXPECT_EQ(ItemText(dialog, IDC_ERASE_STATUS), L"空き領域抹消中.");
  AdvanceClock(4000);
  EXPECT_EQ(::SendDlgItemMessageW(dialog, IDC_ERASE_PROGRESS, PBM_GETPOS, 0, 0), 100);
  EXPECT_EQ(ItemText(dialog, IDC_ERASE_SPEED), L"1 MB/s") << "8 MiB in 5 s";
  EXPECT_EQ(ItemText(dialog, IDC_ERASE_REMAINING), L"約 0 秒");
  EXPECT_FALSE(world.clock.Running(uintptr_t(dialog), 3)) << "under 10 MiB free: the last update";
  EXPECT_TRUE(world.clock.Running(uintptr_t(dialog), 2));

  BoxAnswerer finished(kFinished, IDOK);
  wipe.Open();
  ASSERT_TRUE(finished.Answered());
  EXPECT_EQ(finished.Caption(), L"Information");
  ASSERT_TRUE(PumpUntilWorkersEnded());
  EXPECT_FALSE(::IsWindow(dialog));
  EXPECT_FALSE(Exists(fill));
  EXPECT_EQ(FolderBytes(card), 0u);
  const auto runs = world.processes.RunPrograms();
  ASSERT_FALSE(runs.empty());
  EXPECT_EQ(runs.back().application, u"C:\\windows\\system32\\cmd.exe");
  EXPECT_EQ(runs.back().arguments, u"/c C:\\windows\\system32\\cipher.exe /w:M:");
  EXPECT_EQ(runs.back().folder, u"C:\\windows\\system32");
  EXPECT_TRUE(runs.back().hidden);
  letter.Remove();
  RemoveTempFolder(card);
}

TEST_F(EraseTest, TheButtonWithLeftCtrlAndLeftAltAsksFirstAndNoStartsNothing) {
  BYTE keys[256] = {};
  ::GetKeyboardState(keys);
  BYTE pressed[256];
  std::copy(std::begin(keys), std::end(keys), pressed);
  for (int key : {VK_CONTROL, VK_LCONTROL, VK_MENU, VK_LMENU}) pressed[key] = 0x80;
  ::SetKeyboardState(pressed);
  BoxAnswerer person(kConfirm, IDNO);
  ::SendMessageW(Row(L'M'), WM_COMMAND, IDC_DRIVE_BUTTON, 0);
  ::SetKeyboardState(keys);
  EXPECT_TRUE(person.Answered());
  EXPECT_EQ(CZendrelApp::Instance().Erases().Count(), 0u);
  EXPECT_TRUE(disk_.Created().empty());
}

TEST_F(EraseTest, CancelStopsOnlyItsOwnErasesWriterAndAFailureIsReported) {
  // M:'s writer waits at its fifth block while its dialog is cancelled and N:'s erase
  // starts: a new dialog must not revive it, and N: goes on when M: stops.
  Gate& held = held_;
  disk_.beforeWrite = [&](const std::u16string& path) {
    if (path == FillOf(L'M') && disk_.Files()[path] == 4 * kMiB) held.Arrive();
  };
  const HWND m = StartErase(L'M');
  ASSERT_TRUE(PumpUntil([&] { return held.Arrived(); }));
  ::PostMessageW(m, WM_COMMAND, IDCANCEL, 0);
  ASSERT_TRUE(PumpUntil([&] { return !::IsWindow(m); })) << "the dialog closes at once";
  const HWND n = StartErase(L'N');
  ASSERT_TRUE(PumpUntil([&] { return disk_.Files()[FillOf(L'N')] > 2 * kMiB; }));
  held.Open();
  EraseRegistry& erases = CZendrelApp::Instance().Erases();
  ASSERT_TRUE(PumpUntil([&] { return !erases.Running(u"M:\\"); }));
  EXPECT_EQ(disk_.Files().count(FillOf(L'M')), 0u) << "the cancelled erase left no fill file";
  const uint64_t nBefore = disk_.Files()[FillOf(L'N')];
  ASSERT_TRUE(PumpUntil([&] { return disk_.Files()[FillOf(L'N')] > nBefore + 4 * kMiB; })) << "N: goes on";
  EXPECT_TRUE(erases.Running(u"N:\\"));

  // N:'s card goes away in the middle of a write: reported, and nothing left behind.
  disk_.failWritesAfter = disk_.Writes();
  BoxAnswerer person(L"Erasing the free space failed.", IDOK);
  ASSERT_TRUE(person.Answered());
  EXPECT_EQ(person.Caption(), L"Caution");
  ASSERT_TRUE(PumpUntilWorkersEnded());
  EXPECT_FALSE(::IsWindow(n));
  EXPECT_TRUE(disk_.Files().empty());
  EXPECT_EQ(FindMessageBox(kFinished), nullptr);
  EXPECT_TRUE(TheWorld().processes.RunPrograms().empty() ||
              TheWorld().processes.RunPrograms().back().arguments.find(u"/w:N:") == std::u16string::npos)
      << "neither erase reached the wipe";
}

TEST_F(EraseTest, TheControlsEndCancelsARunningEraseAndWaitsForItsCleanUp) {
  const HWND dialog = StartErase(L'M');
  ASSERT_TRUE(PumpUntil([&] { return disk_.Writes() > 3; }));
  control_.Close();
  EXPECT_EQ(CZendrelApp::Instance().Erases().Count(), 0u) << "the end waited for the erase";
  EXPECT_TRUE(disk_.Files().empty());
  EXPECT_FALSE(::IsWindow(dialog));
}
