// Tavolen.exe as a user runs it under Wine, from a folder whose name holds "#" and "%",
// with the real Zendrel.dll registered: one instance, the registry defaults, the window,
// its page and gadget, the settings dialog, the context menu, the about box, the saved
// position, and hiding into a bar at an edge and coming back.
#include <gtest/gtest.h>

#include <string>

#include "framework/UniqueModule.h"
#include "framework/UniqueRegKey.h"
#include "tests/launcher/win/LauncherProcess.h"

using namespace tavolen::test;

namespace {

constexpr wchar_t kServiceKey[] = L"SYSTEM\\CurrentControlSet\\Services\\SembridService\\Parameters";
constexpr UINT kSetting = 32772, kVersion = 32777, kClose = 32774;
constexpr int kAddRecycle = 1105, kShortcutCount = 1107, kDriveCount = 1103, kButtonOk = 1108, kButtonCancel = 1109;

std::wstring g_exe;
std::wstring g_folder;

struct Gadget {
  HWND page = nullptr, frame = nullptr, control = nullptr;
};

Gadget FindGadget(HWND main) {
  Gadget g;
  g.page = ::FindWindowExW(main, nullptr, L"TavolenMarveskPage", nullptr);
  g.frame = g.page ? ::FindWindowExW(g.page, nullptr, L"TavolenGadgetFrame", nullptr) : nullptr;
  g.control = g.frame ? ::GetWindow(g.frame, GW_CHILD) : nullptr;
  return g;
}

LONG Height(HWND window) {
  const RECT r = WindowRect(window);
  return r.bottom - r.top;
}

std::wstring IniValue(const wchar_t* section) {
  wchar_t value[16] = {};
  ::GetPrivateProfileStringW(section, L"SETTING_STATE", L"", value, 16, (g_folder + L"\\DragAndDropSetting.ini").c_str());
  return value;
}

// The launcher's top-level windows, for a failure's message.
std::string DescribeWindows(const LauncherProcess& launcher) {
  std::string text;
  for (HWND w : launcher.Windows()) {
    char name[64] = {}, title[64] = {};
    ::GetClassNameA(w, name, 64);
    ::GetWindowTextA(w, title, 64);
    const RECT r = WindowRect(w);
    text += std::string(name) + " \"" + title + "\" " + (::IsWindowVisible(w) ? "shown " : "hidden ") +
            std::to_string(r.left) + "," + std::to_string(r.top) + "-" + std::to_string(r.right) + "," +
            std::to_string(r.bottom) + "\n";
  }
  return text;
}

// Opens the settings dialog of the running launcher.
HWND OpenSettings(LauncherProcess& launcher, HWND main) {
  ::PostMessageW(main, WM_COMMAND, kSetting, 0);
  HWND settings = nullptr;
  WaitFor([&] { return (settings = launcher.Find(L"#32770", L"Settings")) != nullptr && ::IsWindowVisible(settings); });
  return settings;
}

class Launcher : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    tavolen::UniqueRegKey service;
    ::RegCreateKeyExW(HKEY_LOCAL_MACHINE, kServiceKey, 0, nullptr, 0, KEY_WRITE, nullptr, service.put(), nullptr);
    ASSERT_EQ(RunAndWait(L"regsvr32.exe /s \"" + BuildPath(ZENDREL_DLL_PATH) + L"\""), 0);
    g_folder = FreshFolder(L"Tavolen #1 100%");
    ASSERT_TRUE(CopyTree(BuildPath(PAGES_PATH), g_folder));
    g_exe = g_folder + L"\\Tavolen.exe";
    ASSERT_TRUE(::CopyFileW(BuildPath(TAVOLEN_EXE_PATH).c_str(), g_exe.c_str(), FALSE));
  }
  void SetUp() override {
    DeleteLauncherKey();
    ::DeleteFileW((g_folder + L"\\DragAndDropSetting.ini").c_str());
  }
};

}  // namespace

TEST_F(Launcher, StartsOnceWithItsDefaultsAsTheMarveskWindowBesideTheRightEdge) {
  LauncherProcess launcher;
  ASSERT_TRUE(launcher.Start(g_exe));
  const HWND main = launcher.WaitForMainWindow();
  ASSERT_TRUE(main);

  LauncherProcess second;
  ASSERT_TRUE(second.Start(g_exe));
  EXPECT_EQ(second.WaitForExit(10000), 0) << "a second start ends at once";
  EXPECT_EQ(launcher.WaitForExit(0), -1) << "the first one runs on";

  EXPECT_EQ(LauncherText(L"PosX"), L"0");
  EXPECT_EQ(LauncherText(L"PosY"), L"0");
  EXPECT_EQ(LauncherDword(L"ShowDriveCount"), 0u);
  EXPECT_EQ(LauncherDword(L"ShowAlways"), 0u);
  EXPECT_EQ(LauncherDword(L"AutoHide"), 0xFFFFFFFFu) << "no default";

  wchar_t className[32] = {};
  ::GetClassNameW(main, className, 32);
  EXPECT_STREQ(className, L"#32770");
  EXPECT_TRUE(::GetWindowLongW(main, GWL_STYLE) & WS_POPUP);
  EXPECT_TRUE(::GetWindowLongW(main, GWL_EXSTYLE) & WS_EX_TOOLWINDOW);
  EXPECT_FALSE(::GetWindowLongW(main, GWL_EXSTYLE) & WS_EX_TOPMOST) << "ShowAlways 0 drops topmost";

  const RECT work = PrimaryWorkArea();
  const RECT r = WindowRect(main);
  EXPECT_EQ(r.top, work.top + 10);
  EXPECT_EQ(r.right, work.right) << "at the right edge, inside the work area";

  const Gadget gadget = FindGadget(main);
  ASSERT_TRUE(gadget.control) << "the page hosts the control in its \"iFrame\"";
  EXPECT_EQ(Height(main), Height(gadget.frame) + 40);
  EXPECT_GT(Height(gadget.control), 0);
}

TEST_F(Launcher, SettingsChangeTheGadgetWithoutARestartAndCancelChangesNothing) {
  // Read by the control from the launcher's folder, which LoadGadgetPath names.
  ::WritePrivateProfileStringW(L"IsSetRecycle", L"SETTING_STATE", L"1", (g_folder + L"\\DragAndDropSetting.ini").c_str());
  ::WritePrivateProfileStringW(L"SETTED_SHORTCUT_COUNT", L"SETTING_STATE", L"2",
                               (g_folder + L"\\DragAndDropSetting.ini").c_str());
  LauncherProcess launcher;
  ASSERT_TRUE(launcher.Start(g_exe));
  const HWND main = launcher.WaitForMainWindow();
  ASSERT_TRUE(main);
  const Gadget gadget = FindGadget(main);
  ASSERT_TRUE(gadget.control);
  const LONG withExtraRows = Height(gadget.control);

  // Recycle row and shortcut rows off: three rows fewer.
  HWND settings = OpenSettings(launcher, main);
  ASSERT_TRUE(settings);
  EXPECT_EQ(::SendDlgItemMessageW(settings, kAddRecycle, BM_GETCHECK, 0, 0), BST_CHECKED);
  EXPECT_EQ(::GetDlgItemInt(settings, kShortcutCount, nullptr, FALSE), 2u);
  ::SendDlgItemMessageW(settings, kAddRecycle, BM_SETCHECK, BST_UNCHECKED, 0);
  ::SetDlgItemInt(settings, kShortcutCount, 0, FALSE);
  ::PostMessageW(settings, WM_COMMAND, kButtonOk, 0);
  ASSERT_TRUE(WaitFor([&] { return !::IsWindow(settings); }));
  ASSERT_TRUE(WaitFor([&] { return Height(gadget.control) < withExtraRows; }));
  const LONG drivesOnly = Height(gadget.control);
  const LONG row = (withExtraRows - drivesOnly) / 3;
  ASSERT_GT(row, 10);
  EXPECT_EQ(withExtraRows - drivesOnly, 3 * row);
  EXPECT_EQ(IniValue(L"IsSetRecycle"), L"");
  EXPECT_EQ(IniValue(L"SETTED_SHORTCUT_COUNT"), L"");

  // Cancel stores nothing and changes nothing.
  settings = OpenSettings(launcher, main);
  ASSERT_TRUE(settings);
  ::SendDlgItemMessageW(settings, kAddRecycle, BM_SETCHECK, BST_CHECKED, 0);
  ::SetDlgItemInt(settings, kDriveCount, 1, FALSE);
  ::PostMessageW(settings, WM_COMMAND, kButtonCancel, 0);
  ASSERT_TRUE(WaitFor([&] { return !::IsWindow(settings); }));
  ::Sleep(500);
  EXPECT_EQ(IniValue(L"IsSetRecycle"), L"");
  EXPECT_EQ(LauncherDword(L"ShowDriveCount"), 0u);
  EXPECT_EQ(Height(gadget.control), drivesOnly);

  // Recycle-bin row on, two shortcut rows, three rows shown.
  settings = OpenSettings(launcher, main);
  ASSERT_TRUE(settings);
  ::SendDlgItemMessageW(settings, kAddRecycle, BM_SETCHECK, BST_CHECKED, 0);
  ::SetDlgItemInt(settings, kShortcutCount, 2, FALSE);
  ::SetDlgItemInt(settings, kDriveCount, 3, FALSE);
  ::PostMessageW(settings, WM_COMMAND, kButtonOk, 0);
  ASSERT_TRUE(WaitFor([&] { return Height(gadget.control) == withExtraRows && Height(gadget.frame) == 3 * row; }))
      << Height(gadget.control) << " " << Height(gadget.frame);
  EXPECT_EQ(IniValue(L"IsSetRecycle"), L"1");
  EXPECT_EQ(IniValue(L"SETTED_SHORTCUT_COUNT"), L"2");
  EXPECT_EQ(LauncherDword(L"ShowDriveCount"), 3u);
  ASSERT_TRUE(WaitFor([&] { return Height(main) == 3 * row + 40; }));

  // The control asks the launcher to close as WM_CLOSE does: it ends with code 0.
  ::PostMessageW(main, WM_CLOSE, 0, 0);
  EXPECT_EQ(launcher.WaitForExit(), 0);
}

TEST_F(Launcher, OffersItsMenuShowsItsVersionAndSavesItsPlaceOnClose) {
  const tavolen::UniqueModule exe(::LoadLibraryExW(g_exe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
  ASSERT_TRUE(exe);
  const HMENU menu = ::LoadMenuW(exe.get(), MAKEINTRESOURCEW(173));
  ASSERT_TRUE(menu);
  const HMENU popup = ::GetSubMenu(menu, 0);
  wchar_t item[64] = {};
  ASSERT_EQ(::GetMenuItemCount(popup), 4);
  ::GetMenuStringW(popup, kSetting, item, 64, MF_BYCOMMAND);
  EXPECT_STREQ(item, L"Setting");
  ::GetMenuStringW(popup, kVersion, item, 64, MF_BYCOMMAND);
  EXPECT_STREQ(item, L"Version");
  ::GetMenuStringW(popup, kClose, item, 64, MF_BYCOMMAND);
  EXPECT_STREQ(item, L"Close Application");
  ::DestroyMenu(menu);

  LauncherProcess launcher;
  ASSERT_TRUE(launcher.Start(g_exe));
  const HWND main = launcher.WaitForMainWindow();
  ASSERT_TRUE(main);
  const Gadget gadget = FindGadget(main);
  const RECT at = WindowRect(main);
  ::PostMessageW(gadget.page, WM_CONTEXTMENU, WPARAM(gadget.page), MAKELPARAM(at.left + 5, at.top + 5));
  HWND popupWindow = nullptr;
  ASSERT_TRUE(WaitFor([&] {
    popupWindow = ::FindWindowW(L"#32768", nullptr);
    return popupWindow && ::IsWindowVisible(popupWindow);
  })) << "the context menu opens";
  ::PostMessageW(popupWindow, WM_KEYDOWN, VK_ESCAPE, 0);
  EXPECT_TRUE(WaitFor([&] { return !::IsWindowVisible(popupWindow); }));

  ::PostMessageW(main, WM_COMMAND, kVersion, 0);
  HWND about = nullptr;
  ASSERT_TRUE(WaitFor([&] { return (about = launcher.Find(L"#32770", L"About Tavolen")) != nullptr; }));
  wchar_t text[64] = {};
  ASSERT_TRUE(WaitFor([&] { return ::GetDlgItemTextW(about, 1004, text, 64) > 7; }));
  EXPECT_STREQ(text, L"Tavolen Ver 1.00");
  ::PostMessageW(about, WM_COMMAND, IDOK, 0);
  ASSERT_TRUE(WaitFor([&] { return !::IsWindow(about); }));

  ::SetWindowPos(main, nullptr, 300, 200, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  ASSERT_TRUE(WaitFor([&] { return WindowRect(main).left == 300; }));
  ::PostMessageW(main, WM_COMMAND, kClose, 0);
  EXPECT_EQ(launcher.WaitForExit(), 0);
  EXPECT_EQ(LauncherText(L"PosX"), L"300");
  EXPECT_EQ(LauncherText(L"PosY"), L"200");
}

TEST_F(Launcher, HidesIntoABarAtTheLeftEdgeAndComesBackWhenTheCursorIsOnTheBar) {
  tavolen::UniqueRegKey key;
  ::RegCreateKeyW(HKEY_CURRENT_USER, L"Software\\Varnkeld\\Tavolen", key.put());
  SetLauncherDword(L"AutoHide", 1);
  SetLauncherText(L"PosX", L"400");
  SetLauncherText(L"PosY", L"200");
  ::SetCursorPos(600, 600);
  LauncherProcess launcher;
  ASSERT_TRUE(launcher.Start(g_exe));
  const HWND main = launcher.WaitForMainWindow();
  ASSERT_TRUE(main);
  // The page has its rows and the window its final height: a resize that came after the
  // drag would redo the docking.
  ASSERT_TRUE(WaitFor([&] {
    const Gadget gadget = FindGadget(main);
    return gadget.control && Height(gadget.control) > 0 && Height(main) == Height(gadget.frame) + 40;
  }));
  const RECT shown = WindowRect(main);
  EXPECT_EQ(shown.left, 400);

  // Dragged against the left edge and let go.
  const RECT work = PrimaryWorkArea();
  ::SetWindowPos(main, nullptr, work.left, 200, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  ASSERT_TRUE(WaitFor([&] { return WindowRect(main).left == work.left; }));
  ::SendMessageW(main, WM_EXITSIZEMOVE, 0, 0);
  HWND bar = nullptr;
  ASSERT_TRUE(WaitFor([&] {
    ::SetCursorPos(600, 600);
    for (HWND w : launcher.Windows()) {
      const RECT r = WindowRect(w);
      if (w != main && ::IsWindowVisible(w) && r.right - r.left == 8) bar = w;
    }
    return bar && !::IsWindowVisible(main);
  })) << DescribeWindows(launcher);
  const RECT b = WindowRect(bar);
  EXPECT_EQ(b.left, work.left - 1) << "one pixel left of the work area";
  EXPECT_EQ(b.top, 200);
  EXPECT_EQ(b.bottom - b.top, shown.bottom - shown.top);

  // The cursor is put back at each look: the display's late motion reports for the place
  // it left can move Wine's cursor back there.
  ASSERT_TRUE(WaitFor([&] {
    ::SetCursorPos(b.left + 3, b.top + 20);
    return ::IsWindowVisible(main) && !::IsWindow(bar);
  }, 5000)) << "restored";
  EXPECT_EQ(WindowRect(main).left, work.left);

  // Off the window into the work area: it hides again within a second or so.
  EXPECT_TRUE(WaitFor([&] {
    ::SetCursorPos(600, 600);
    return !::IsWindowVisible(main);
  }, 5000)) << DescribeWindows(launcher);

  ::PostMessageW(main, WM_COMMAND, kClose, 0);
  EXPECT_EQ(launcher.WaitForExit(), 0);
}
