// Files dropped onto a drive row under Wine, with a drop handle built as the shell builds
// one, onto a drive letter made for the test: dated folders, copy and move, the drop
// menu, and the save-setting commands with their folder browser and tooltip.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <objidl.h>
#include <shellapi.h>
#include <shlobj.h>

#include <atomic>
#include <functional>
#include <mutex>
#include <set>
#include <thread>

#include "control/core/ZendrelDispatch.h"
#include "control/core/win/CZendrelApp.h"
#include "control/core/win/ZendrelIds.h"
#include "control/resources/resource.h"
#include "framework/ComObject.h"
#include "sim/win/WineDrives.h"
#include "tests/control/ControlTestSupport.h"
#include "tests/control/ControlWorld.h"
#include "tests/control/DropTestSupport.h"
#include "tests/framework/MessagePump.h"

using namespace tavolen;
using namespace tavolen::test;
namespace ev = tavolen::zendrel_event;

namespace {

BOOL CALLBACK IsBrowserTitle(HWND child, LPARAM found) {
  wchar_t text[64] = {};
  ::GetWindowTextW(child, text, 63);
  return !(*reinterpret_cast<bool*>(found) = std::wstring(text) == L"Please Select Folder");
}

// The folder browser, known by its title line.
HWND FolderBrowser() {
  for (HWND window = ::FindWindowW(L"#32770", nullptr); window; window = ::FindWindowExW(nullptr, window, L"#32770", nullptr)) {
    bool titled = false;
    ::EnumChildWindows(window, &IsBrowserTitle, reinterpret_cast<LPARAM>(&titled));
    if (titled && ::IsWindowVisible(window)) return window;
  }
  return nullptr;
}

void Press(HWND window, int button) { ::PostMessageW(window, WM_COMMAND, button, 0); }

// The text of the folder the browser's tree shows as chosen ("" while it has none).
std::wstring ChosenInBrowser(HWND browser) {
  const HWND tree = ::FindWindowExW(browser, nullptr, L"SysTreeView32", nullptr);
  if (!tree) return {};
  const auto item = reinterpret_cast<HTREEITEM>(::SendMessageW(tree, TVM_GETNEXTITEM, TVGN_CARET, 0));
  if (!item) return {};
  wchar_t text[MAX_PATH] = {};
  TVITEMW tv{};
  tv.mask = TVIF_TEXT;
  tv.hItem = item;
  tv.pszText = text;
  tv.cchTextMax = MAX_PATH - 1;
  ::SendMessageW(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&tv));
  return text;
}

// The text of the row's tooltip on its button.
std::wstring TooltipOf(HWND row) { return TooltipText(row, ::GetDlgItem(row, IDC_DRIVE_BUTTON)); }

// The removable drive M: of the test's own, the only row; files come from a folder on C:.
class DropCopyTest : public ::testing::Test {
 protected:
  void SetUp() override {
    card_ = MakeEmptyTempFolder(L"DropCard");
    source_ = MakeEmptyTempFolder(L"DropSource");
    letter_ = WineDrive(L'M', DRIVE_REMOVABLE, card_);
    ASSERT_TRUE(letter_);
    World& world = TheWorld();
    world.volumes.Fake().Clear();
    tavolen::testing::FakeVolumes::Drive drive;
    drive.type = DriveType::Removable;
    world.volumes.Fake().Set(u"M:\\", drive);
    world.volumes.UseFake(true);
    world.clock.SetToday(CalendarDate{2014, 2, 28});
    folder_ = MakeEmptyTempFolder(L"DropGadget");
    ini_ = folder_ + L"\\DragAndDropSetting.ini";
    ::DeleteFileW(ini_.c_str());
    StartControl();
  }
  void StartControl() {
    ASSERT_EQ(control_.Create(zendrel::kControlClsid), S_OK);
    control_.ClearEvents();
    ASSERT_EQ(control_.Call(L"LoadGadgetPath", {Text((folder_ + L"\\Marvesk.htm").c_str())}), S_OK);
    ASSERT_TRUE(PumpUntil([&] { return !control_.Events(ev::ChangeSize).empty(); }));
    ASSERT_TRUE(PumpUntilWorkersEnded());
  }
  void TearDown() override {
    control_.Close();
    EXPECT_TRUE(PumpUntilWorkersEnded());
    TheWorld().volumes.UseFake(false);
    CZendrelApp::Instance().SetLastDragKeyState(0);
    letter_.Remove();
    for (const auto& folder : {card_, source_, folder_}) RemoveTempFolder(folder);
  }

  HWND Row() const {
    for (HWND child = ::GetWindow(CZendrelApp::Instance().GadgetWnd(), GW_CHILD); child;
         child = ::GetWindow(child, GW_HWNDNEXT))
      if (::GetWindowLongPtrW(child, GWL_STYLE) & WS_VISIBLE) return child;
    return nullptr;
  }
  // Drops the files with the keys the drag entered with; the handle as it is afterwards.
  HDROP Drop(const std::vector<std::wstring>& files, uint32_t keyState) {
    CZendrelApp::Instance().SetLastDragKeyState(keyState);
    const HDROP drop = MakeDrop(files);
    ::SendMessageW(Row(), WM_DROPFILES, WPARAM(drop), 0);
    return drop;
  }
  std::wstring Source(const wchar_t* name) { return MakeFile(source_ + L"\\" + name); }

  std::wstring card_, source_, folder_, ini_;
  WineDrive letter_;
  HostedControl control_;
};

}  // namespace

TEST_F(DropCopyTest, DropsLandInTheDayOrMonthFolderAndEachKeepsItsOwnValues) {
  ::SendMessageW(Row(), WM_COMMAND, ID_DAY_FOLDER, 0);
  EXPECT_EQ(ReadIni(ini_, L"SAVE_METHOD", L"M:\\"), L"1");
  const std::wstring a = Source(L"a.txt"), a2 = Source(L"a2.txt");
  const HDROP first = Drop({a, a2}, MK_LBUTTON);
  EXPECT_EQ(::GlobalSize(first), 0u) << "the handle is released at the drop";
  // The second drop follows at once, with other settings and keys, while the first copy
  // may still run; the keys change again before its thread runs. (Wine's shell moves
  // only one file at a time, so this drop holds one.)
  ::SendMessageW(Row(), WM_COMMAND, ID_MONTH_FOLDER, 0);
  EXPECT_EQ(ReadIni(ini_, L"SAVE_METHOD", L"M:\\"), L"2");
  const std::wstring b = Source(L"b.txt");
  Drop({b}, MK_LBUTTON | MK_SHIFT);
  CZendrelApp::Instance().SetLastDragKeyState(0);
  ASSERT_TRUE(PumpUntilWorkersEnded());

  EXPECT_TRUE(Exists(card_ + L"\\2014_02_28\\a.txt"));
  EXPECT_TRUE(Exists(card_ + L"\\2014_02_28\\a2.txt"));
  EXPECT_TRUE(Exists(a)) << "copied";
  EXPECT_TRUE(Exists(card_ + L"\\2014_02\\b.txt")) << "a single file lands inside the month's folder";
  EXPECT_FALSE(Exists(b)) << "moved with Shift";
  EXPECT_FALSE(Exists(card_ + L"\\2014_02_28\\b.txt"));
  EXPECT_FALSE(Exists(card_ + L"\\2014_02\\a.txt"));
}

TEST_F(DropCopyTest, ADropFromTheSameDriveMovesAndARightDragAsks) {
  ::SendMessageW(Row(), WM_COMMAND, ID_NO_FOLDER, 0);
  EXPECT_EQ(ReadIni(ini_, L"SAVE_METHOD", L"M:\\"), L"<none>");
  ::CreateDirectoryW((card_ + L"\\incoming").c_str(), nullptr);
  const std::wstring d = MakeFile(card_ + L"\\incoming\\d.txt");
  Drop({L"m:\\incoming\\d.txt"}, MK_LBUTTON);
  ASSERT_TRUE(PumpUntilWorkersEnded());
  EXPECT_TRUE(Exists(card_ + L"\\d.txt"));
  EXPECT_FALSE(Exists(d)) << "a copy on the same drive moves";

  FakeLauncher launcher;
  const std::wstring e = Source(L"e.txt");
  std::vector<std::wstring> offered;
  Person cancels(DropMenu, [&offered](HWND popup) {
    offered = MenuTexts(reinterpret_cast<HMENU>(::SendMessageW(popup, MN_GETHMENU, 0, 0)));
    ::PostMessageW(popup, WM_KEYDOWN, VK_ESCAPE, 0);
  });
  Drop({e}, MK_RBUTTON);
  ASSERT_TRUE(cancels.Acted());
  EXPECT_EQ(offered, (std::vector<std::wstring>{L"Copy", L"Move", L"Cancel"}));
  ASSERT_TRUE(PumpUntilWorkersEnded());
  EXPECT_FALSE(Exists(card_ + L"\\e.txt")) << "cancelled: nothing copied";
  PumpPending();
  EXPECT_EQ(launcher.SubMenuOpen(), 1u) << "the launcher was told the menu closed";

  Person moves(DropMenu, [](HWND popup) {
    for (WPARAM key : {VK_DOWN, VK_DOWN, VK_RETURN}) ::PostMessageW(popup, WM_KEYDOWN, key, 0);
  });
  Drop({e}, MK_RBUTTON);
  ASSERT_TRUE(moves.Acted());
  ASSERT_TRUE(PumpUntilWorkersEnded());
  EXPECT_TRUE(Exists(card_ + L"\\e.txt"));
  EXPECT_FALSE(Exists(e)) << "Move chosen";
}

TEST_F(DropCopyTest, CustomOpensTheBrowserAtTheSavedFolderAndRootDirectoryGoesBack) {
  ::CreateDirectoryW((card_ + L"\\custom").c_str(), nullptr);
  const std::wstring custom = L"M:\\custom";
  // A custom folder saved before the gadget starts.
  control_.Close();
  WriteIni(ini_, L"SAVE_ADDRESS", L"M:\\", custom.c_str());
  StartControl();
  EXPECT_EQ(TooltipOf(Row()), L"Save Folder : " + custom);

  // What the shell's browser keeps for itself is seen in a cancelled browser first.
  FakeLauncher launcher;
  OutstandingBlocks& blocks = OutstandingBlocks::Instance();
  blocks.Watch(true);
  Person cancels(FolderBrowser, [](HWND browser) { Press(browser, IDCANCEL); });
  ::SendMessageW(Row(), WM_COMMAND, ID_CUSTOM_FOLDER, 0);
  ASSERT_TRUE(cancels.Acted());
  const std::size_t keptByTheShell = blocks.Count();
  // The person presses OK once the browser shows the saved folder as chosen.
  Person person([] {
    const HWND browser = FolderBrowser();
    return browser && ChosenInBrowser(browser) == L"custom" ? browser : nullptr;
  }, [](HWND browser) { Press(browser, IDOK); });
  ::SendMessageW(Row(), WM_COMMAND, ID_CUSTOM_FOLDER, 0);
  ASSERT_TRUE(person.Acted());
  blocks.Watch(false);
  EXPECT_EQ(blocks.Count(), keptByTheShell) << "the chosen folder's item list is freed";
  PumpPending();
  EXPECT_EQ(launcher.SubMenuOpen(), 1u) << "told of the browser, and that it closed";
  EXPECT_EQ(ReadIni(ini_, L"SAVE_ADDRESS", L"M:\\"), custom) << "the browser opened at the saved folder";
  EXPECT_EQ(TooltipOf(Row()), L"Save Folder : " + custom);
  const std::wstring f = Source(L"f.txt");
  Drop({f}, MK_LBUTTON);
  ASSERT_TRUE(PumpUntilWorkersEnded());
  EXPECT_TRUE(Exists(custom + L"\\f.txt"));

  ::SendMessageW(Row(), WM_COMMAND, ID_ROOT_DIRECTORY, 0);
  EXPECT_EQ(ReadIni(ini_, L"SAVE_ADDRESS", L"M:\\"), L"<none>");
  EXPECT_EQ(TooltipOf(Row()), L"Save Folder : M:\\");
}
