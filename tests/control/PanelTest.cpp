// A drive row's own behaviour under Wine: its context menu as the user sees it, and the
// eject thread's outcome, also when the row is gone before the thread ends.
#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <functional>
#include <optional>
#include <thread>

#include <dbt.h>

#include "tests/framework/MessagePump.h"
#include "control/core/win/CZendrelApp.h"
#include "tests/control/ControlTestSupport.h"
#include "tests/control/ControlWorld.h"
#include "control/widgets/win/CGadgetDropTarget.h"
#include "sim/SimDevice.h"
#include "sim/win/WineDrives.h"
#include "control/core/ZendrelDispatch.h"
#include "control/core/win/ZendrelIds.h"
#include "control/resources/resource.h"
#include "control/widgets/win/CGadgetButton.h"
#include "control/widgets/win/PanelMessages.h"
#include "framework/ComObject.h"
#include "framework/ComPtr.h"
#include "tests/control/CountingMenu.h"
#include "framework/UniqueMenu.h"

using namespace tavolen;
using namespace tavolen::test;
namespace ev = tavolen::zendrel_event;

namespace {

// The row of a drive root, found by its position among the control's rows.
HWND RowOf(wchar_t letter) {
  wchar_t buffer[256] = {};
  ::GetLogicalDriveStringsW(255, buffer);
  int index = 0;
  for (const wchar_t* p = buffer; *p; p += wcslen(p) + 1) {
    if (p[0] == L'A' || p[0] == L'B') continue;
    if (p[0] == letter) break;
    ++index;
  }
  std::vector<std::pair<LONG, HWND>> rows;
  for (HWND child = ::GetWindow(CZendrelApp::Instance().GadgetWnd(), GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
    if (!(::GetWindowLongPtrW(child, GWL_STYLE) & WS_VISIBLE)) continue;
    RECT rect{};
    ::GetWindowRect(child, &rect);
    rows.emplace_back(rect.top, child);
  }
  std::sort(rows.begin(), rows.end());
  return index < int(rows.size()) ? rows[std::size_t(index)].second : nullptr;
}

// Texts of the items of the open popup menu (and of its submenus, one level down).
std::vector<std::wstring> MenuTexts(HMENU menu) {
  std::vector<std::wstring> texts;
  for (int i = 0; i < ::GetMenuItemCount(menu); ++i) {
    wchar_t text[128] = {};
    ::GetMenuStringW(menu, UINT(i), text, 127, MF_BYPOSITION);
    if (text[0]) texts.push_back(text);
  }
  return texts;
}

bool Has(const std::vector<std::wstring>& texts, const wchar_t* text) {
  return std::find(texts.begin(), texts.end(), text) != texts.end();
}

class PanelTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetServiceInstalled(true);
    folder_ = MakeTempFolder(L"Panel");
    ::DeleteFileW((folder_ + L"\\DragAndDropSetting.ini").c_str());
    ASSERT_EQ(control_.Create(zendrel::kControlClsid), S_OK);
    control_.ClearEvents();
    ASSERT_EQ(control_.Call(L"LoadGadgetPath", {Text((folder_ + L"\\Marvesk.htm").c_str())}), S_OK);
    ASSERT_TRUE(PumpUntil([&] { return !control_.Events(ev::ChangeSize).empty(); }));
    ASSERT_TRUE(PumpUntilWorkersEnded());
  }
  std::wstring folder_;
  HostedControl control_;
};

// Right-clicks the row's overlay as the user does. While its menu shows, a person on
// another thread reads the menu's texts, does `whileOpen`, and closes the menu. Nothing
// when no menu came.
std::optional<std::vector<std::wstring>> ShowRowMenu(HWND row, const std::function<void()>& whileOpen = {}) {
  std::vector<std::wstring> texts;
  std::atomic<bool> seen{false};
  std::thread person([&] {
    for (int i = 0; i < 250 && !seen; ++i) {
      if (HWND popup = ::FindWindowW(L"#32768", nullptr)) {
        if (HMENU menu = reinterpret_cast<HMENU>(::SendMessageW(popup, MN_GETHMENU, 0, 0))) {
          texts = MenuTexts(menu);
          if (whileOpen) whileOpen();
          seen = true;
          ::PostMessageW(row, WM_CANCELMODE, 0, 0);
          ::PostMessageW(popup, WM_KEYDOWN, VK_ESCAPE, 0);
          break;
        }
      }
      ::Sleep(20);
    }
  });
  ::SendMessageW(row, WM_RBUTTONDBLCLK, 0, MAKELPARAM(40, 10));
  person.join();
  if (!seen) return std::nullopt;
  return texts;
}

}  // namespace

TEST_F(PanelTest, TheDriveMenuHoldsTheShellItemsAndTheGadgetItemsForTheDevice) {
  HWND row = RowOf(L'Z');
  ASSERT_NE(row, nullptr);
  FakeLauncher launcher;
  const std::optional<std::vector<std::wstring>> shown = ShowRowMenu(row);
  ASSERT_TRUE(shown);
  const std::vector<std::wstring>& texts = *shown;
  EXPECT_TRUE(Has(texts, L"Eject Device")) << "the bridge disk can be ejected";
  EXPECT_TRUE(Has(texts, L"Power Save")) << "and power-saved";
  EXPECT_FALSE(Has(texts, L"Tray Control")) << "it has no tray";
  EXPECT_FALSE(Has(texts, L"Erase Free Space"));
  EXPECT_TRUE(Has(texts, L"File Serve Setting"));
  EXPECT_GT(texts.size(), 4u) << "the shell's own items are there too";
  test::PumpPending();
  EXPECT_EQ(launcher.SubMenuOpen(), 1u) << "the launcher was told the menu closed again";
}

TEST_F(PanelTest, WhileTheDriveMenuIsOpenTheRowTakesNoOtherMenuObject) {
  HWND row = RowOf(L'Z');
  ASSERT_NE(row, nullptr);
  FakeLauncher launcher;
  bool gone = false;
  ComPtr<CountingMenu> foreign = MakeComObject<CountingMenu>(&gone);
  const WPARAM offered = WPARAM(static_cast<IContextMenu2*>(foreign.get()));
  // Someone else hands the row objects of its own while the row's menu is open.
  const std::optional<std::vector<std::wstring>> shown = ShowRowMenu(row, [&] {
    DWORD_PTR result = 0;
    for (WPARAM value : {offered, WPARAM(0x10), WPARAM(~WPARAM(0) - 7)})
      ::SendMessageTimeoutW(row, panel_message::kMenuHandler, value, 0, SMTO_NORMAL, 5000, &result);
    ::SendMessageTimeoutW(row, WM_MEASUREITEM, 0, 0, SMTO_NORMAL, 5000, &result);
    ::SendMessageTimeoutW(row, WM_INITMENUPOPUP, 0, 0, SMTO_NORMAL, 5000, &result);
  });
  ASSERT_TRUE(shown);
  const std::vector<std::wstring>& texts = *shown;
  EXPECT_EQ(foreign->drawn, 0) << "the row called only its own menu's object";
  foreign.reset();
  EXPECT_TRUE(gone) << "and held no reference to the other one";
  EXPECT_TRUE(Has(texts, L"Eject Device")) << "the row's own menu was shown as ever";
  EXPECT_GT(texts.size(), 4u) << "with the shell's items";
  test::PumpPending();
  EXPECT_EQ(launcher.SubMenuOpen(), 1u) << "and closed as ever";
}

TEST_F(PanelTest, AnEjectTheSystemRefusesIsReportedEvenWhenTheRowIsGone) {
  HWND row = RowOf(L'Z');
  ASSERT_NE(row, nullptr);
  BoxAnswerer person(L"Windows can't stop this device because it is in use.", IDOK);
  ::SendMessageW(row, WM_COMMAND, ID_EJECT_DEVICE, 0);
  // The row goes away while its thread works: the thread has its own copies.
  control_.Close();
  ASSERT_TRUE(person.Answered());
  EXPECT_EQ(person.Caption(), L"Caution");
}

TEST_F(PanelTest, TrayControlAsksTheDriveThenMovesTheDoorOrSaysItFailed) {
  WineDrive disc(L'G', DRIVE_CDROM, MakeTempFolder(L"Disc"), L"DVD_VIDEO");
  ASSERT_TRUE(disc);
  ::PostMessageW(CZendrelApp::Instance().GadgetWnd(), 0x800E, 0, 0);
  HWND row = nullptr;
  ASSERT_TRUE(PumpUntil([&] { return (row = RowOf(L'G')) != nullptr; }));
  auto drive = TestOpticalDrive();
  drive->ClearLogs();
  // A loaded drive: the tray thread reads the profile and the unit's state, then opens
  // the door through the multimedia interface, without a word.
  ::SendMessageW(row, WM_COMMAND, ID_TRAY_CONTROL, 0);
  ASSERT_TRUE(PumpUntil([&] {
    auto lock = drive->Lock();
    return drive->Cdbs().size() >= 2;
  }));
  {
    auto lock = drive->Lock();
    EXPECT_EQ(drive->Cdbs()[0].cdb[0], 0x46) << "GET CONFIGURATION first";
    EXPECT_EQ(drive->Cdbs()[1].cdb[0], 0x00) << "then TEST UNIT READY";
  }
  // The door moved without a word: the thread ended and no caution box came up.
  ASSERT_TRUE(PumpUntilWorkersEnded());
  EXPECT_EQ(FindMessageBox(L"Tray Control : Failed"), nullptr);
  // A drive whose profile cannot be read: "Tray Control : Failed".
  drive->FailCdb(0x46, sim::Fault::TransportError());
  BoxAnswerer person(L"Tray Control : Failed", IDOK);
  ::SendMessageW(row, WM_COMMAND, ID_TRAY_CONTROL, 0);
  EXPECT_TRUE(person.Answered());
  ASSERT_TRUE(PumpUntilWorkersEnded());
  drive->ClearFaults();
  disc.Remove();
}

TEST(DropTarget, TheKeysOfTheLastDragEnterAreKeptForTheDropHandlers) {
  CZendrelApp& host = CZendrelApp::Instance();
  auto target = MakeComObject<CGadgetDropTarget>(host);
  DWORD effect = DROPEFFECT_COPY;
  ASSERT_EQ(target->DragEnter(nullptr, MK_RBUTTON | MK_SHIFT, POINTL{0, 0}, &effect), S_OK);
  EXPECT_EQ(host.LastDragKeyState(), uint32_t(MK_RBUTTON | MK_SHIFT));
  EXPECT_EQ(effect, DWORD(DROPEFFECT_NONE)) << "the window takes files through WM_DROPFILES, not OLE";
  ASSERT_EQ(target->DragOver(MK_LBUTTON, POINTL{0, 0}, &effect), S_OK);
  ASSERT_EQ(target->Drop(nullptr, MK_LBUTTON, POINTL{0, 0}, &effect), S_OK);
  EXPECT_EQ(host.LastDragKeyState(), uint32_t(MK_RBUTTON | MK_SHIFT)) << "the state with which the drag entered";
}

TEST(GadgetMenu, AMergedSubmenuIsACopyTheTargetOwns) {
  // Menu 365 holds the popup "File Serve Setting"; the drive menu merges it in. Shared, it
  // would be destroyed with the drive menu and again with menu 365.
  const UniqueMenu bottom(::LoadMenuW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_MENU_BOTTOM)));
  ASSERT_TRUE(bottom);
  const HMENU items = ::GetSubMenu(bottom.get(), 0);
  const HMENU fileServe = ::GetSubMenu(items, 1);
  ASSERT_NE(fileServe, nullptr);
  {
    const UniqueMenu drive(::CreatePopupMenu());
    CGadgetButton::MergeMenuItems(drive.get(), items, -1);
    const std::vector<std::wstring> texts = MenuTexts(drive.get());
    ASSERT_TRUE(Has(texts, L"File Serve Setting"));
    const HMENU merged = ::GetSubMenu(drive.get(), int(std::find(texts.begin(), texts.end(), L"File Serve Setting") -
                                                        texts.begin()));
    ASSERT_NE(merged, nullptr);
    EXPECT_NE(merged, fileServe) << "the drive menu has its own copy";
    EXPECT_EQ(MenuTexts(merged), MenuTexts(fileServe));
    const HMENU howTo = ::GetSubMenu(merged, 0);
    ASSERT_NE(howTo, nullptr);
    EXPECT_EQ(::GetMenuItemID(howTo, 0), UINT(ID_NO_FOLDER)) << "the commands keep their ids";
    EXPECT_EQ(::GetMenuState(howTo, 0, MF_BYPOSITION) & MF_CHECKED, UINT(MF_CHECKED)) << "and their ticks";
  }  // the drive menu goes with everything it owns
  EXPECT_TRUE(::IsMenu(fileServe)) << "menu 365 keeps its submenu";
  EXPECT_EQ(::GetMenuItemCount(fileServe), 3);
}

TEST_F(PanelTest, APlainExternalDiskGoesToTheSystemFoldersSafeRemovalApplet) {
  // A plain USB disk of another maker behind drive letter Y:, the only drive there is.
  auto external = std::make_shared<sim::SimDevice>(sim::Family::PlainAta);
  external->deviceNumber = 6;
  external->hotplug.deviceHotplug = 1;
  const std::u16string path =
      u"\\\\?\\usbstor#disk&ven_other&prod_ext#9&1&0&000600#{53f56307-b6bf-11d0-94f2-00a0c91efb8b}";
  World& world = TheWorld();
  world.opener.Add(path, external, ChannelRoute::Service);
  world.opener.Add(u"\\\\.\\Y:", external, ChannelRoute::Service);
  world.source.Append(InterfaceClass::Disk, {path, u"USB\\VID_0BBB&PID_0001\\EXT6"});
  world.volumes.Fake().Clear();
  world.volumes.Fake().Set(u"Y:\\", tavolen::testing::FakeVolumes::Drive{});
  world.volumes.UseFake(true);
  // The volume's arrival: the list learns of the disk, the rows get the new drive.
  DEV_BROADCAST_VOLUME volume{};
  volume.dbcv_size = sizeof volume;
  volume.dbcv_devicetype = DBT_DEVTYP_VOLUME;
  ::SendMessageW(control_.Window(), WM_DEVICECHANGE, DBT_DEVICEARRIVAL, reinterpret_cast<LPARAM>(&volume));
  test::PumpPending();
  AdvanceClock(1000);
  ASSERT_TRUE(PumpUntilWorkersEnded());
  HWND row = nullptr;  // the one row there is
  for (HWND child = ::GetWindow(CZendrelApp::Instance().GadgetWnd(), GW_CHILD); child;
       child = ::GetWindow(child, GW_HWNDNEXT))
    if (::GetWindowLongPtrW(child, GWL_STYLE) & WS_VISIBLE) row = child;
  world.volumes.UseFake(false);
  world.source.Remove(InterfaceClass::Disk, path);
  ASSERT_NE(row, nullptr);
  ::SendMessageW(row, WM_COMMAND, ID_EJECT_DEVICE, 0);
  ASSERT_TRUE(PumpUntilWorkersEnded());
  const auto started = world.processes.StartedPrograms();
  ASSERT_EQ(started.size(), 1u);
  EXPECT_EQ(started[0].application, u"C:\\windows\\system32\\rundll32.exe") << "by its full path, never searched for";
  EXPECT_EQ(started[0].arguments, u"shell32.dll,Control_RunDLL hotplug.dll");
  EXPECT_EQ(started[0].folder, u"C:\\windows\\system32");
  EXPECT_TRUE(started[0].hidden);
}
