// The rows the control builds from the drives of the Wine prefix: one drive panel per
// drive in ascending order, hidden drives, portable devices after the drives, the
// recycle-bin and shortcut rows below them, and what a rebuild keeps.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include "tests/framework/MessagePump.h"
#include "control/core/win/CZendrelApp.h"
#include "tests/control/ControlTestSupport.h"
#include "tests/control/ControlWorld.h"
#include "framework/UniqueVariant.h"
#include "control/core/ZendrelDispatch.h"
#include "control/core/win/ZendrelIds.h"
#include "sim/win/WineDrives.h"
#include "control/resources/resource.h"

using namespace tavolen;
using namespace tavolen::test;
namespace ev = tavolen::zendrel_event;

namespace {

// The logical drives the prefix has, as panels would show them ("C:\", "Z:\"), without A: and B:.
std::vector<std::wstring> PrefixDrives() {
  wchar_t buffer[256] = {};
  ::GetLogicalDriveStringsW(255, buffer);
  std::vector<std::wstring> roots;
  for (const wchar_t* p = buffer; *p; p += wcslen(p) + 1) {
    if (p[0] == L'A' || p[0] == L'B') continue;
    roots.push_back(std::wstring(p, 2) + L"\\");
  }
  return roots;
}

struct RowInfo {
  HWND window;
  RECT rect;  // in the control's client coordinates
  std::wstring label;
};

// The control's row windows, top to bottom.
std::vector<RowInfo> Rows() {
  std::vector<RowInfo> rows;
  for (HWND child = ::GetWindow(CZendrelApp::Instance().GadgetWnd(), GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
    // Shown by the control (the host window itself is not shown in these tests).
    if (!(::GetWindowLongPtrW(child, GWL_STYLE) & WS_VISIBLE)) continue;
    RowInfo row{child, {}, {}};
    ::GetWindowRect(child, &row.rect);
    ::MapWindowPoints(nullptr, CZendrelApp::Instance().GadgetWnd(), reinterpret_cast<POINT*>(&row.rect), 2);
    wchar_t label[128] = {};
    ::GetDlgItemTextW(child, IDC_DRIVE_LABEL, label, 127);
    row.label = label;
    rows.push_back(row);
  }
  std::sort(rows.begin(), rows.end(), [](const RowInfo& a, const RowInfo& b) { return a.rect.top < b.rect.top; });
  return rows;
}

int DriveLetterCount(HostedControl& control) {
  UniqueVariant count;
  EXPECT_EQ(control.Call(L"GetDriveLetterCount", {}, count.put()), S_OK);
  return V_I2(count.get());
}

class RowsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(PumpUntilWorkersEnded());
    SetServiceInstalled(true);
    ini_ = gadget_.folder + L"\\DragAndDropSetting.ini";
    ::DeleteFileW(ini_.c_str());
  }
  void Start() {
    ASSERT_EQ(control_.Create(zendrel::kControlClsid), S_OK);
    control_.ClearEvents();
    const std::wstring page = gadget_.folder + L"\\Marvesk.htm";
    ASSERT_EQ(control_.Call(L"LoadGadgetPath", {Text(page.c_str())}), S_OK);
    ASSERT_TRUE(PumpUntil([&] { return !control_.Events(ev::ChangeSize).empty(); }));
    ASSERT_TRUE(PumpUntilWorkersEnded());
    control_.ClearEvents();
  }
  void RebuildAndWait() {
    control_.ClearEvents();
    ::PostMessageW(CZendrelApp::Instance().GadgetWnd(), 0x800E, 0, 0);
    ASSERT_TRUE(PumpUntil([&] { return !control_.Events(ev::ChangeSize).empty(); }));
  }
  struct Folder {
    Folder() : folder(MakeTempFolder(L"Rows")) {}
    std::wstring folder;
  } gadget_;
  std::wstring ini_;
  HostedControl control_;
};

}  // namespace

TEST_F(RowsTest, EveryDriveGetsARowInOrderWithItsLabelAndSize) {
  const std::vector<std::wstring> drives = PrefixDrives();
  ASSERT_FALSE(drives.empty());
  Start();
  EXPECT_EQ(DriveLetterCount(control_), int(drives.size()));
  const std::vector<RowInfo> rows = Rows();
  ASSERT_EQ(rows.size(), drives.size());
  for (std::size_t i = 0; i < rows.size(); ++i) {
    wchar_t size[64] = {};
    ::GetDlgItemTextW(rows[i].window, IDC_DRIVE_SIZE, size, 63);
    EXPECT_NE(std::wstring(size).find(L" / "), std::wstring::npos) << "size line of " << i;
    EXPECT_FALSE(rows[i].label.empty()) << "a fixed drive without a label shows Local Disk";
    if (i > 0) {
      EXPECT_EQ(rows[i].rect.top, rows[i - 1].rect.bottom + 1) << "rows are stacked one pixel apart";
    }
  }
  EXPECT_EQ(rows.front().rect.top, 0);
  EXPECT_EQ(rows.front().rect.bottom - rows.front().rect.top + 1, CZendrelApp::Instance().RowHeight());
}

TEST_F(RowsTest, ARebuildKeepsTheWindowsOfDrivesThatStay) {
  Start();
  const std::vector<RowInfo> before = Rows();
  RebuildAndWait();
  const std::vector<RowInfo> after = Rows();
  ASSERT_EQ(after.size(), before.size());
  for (std::size_t i = 0; i < after.size(); ++i) EXPECT_EQ(after[i].window, before[i].window) << i;
}

TEST_F(RowsTest, HidingADriveIsRememberedAndShowAllBringsItBack) {
  const std::vector<std::wstring> drives = PrefixDrives();
  ASSERT_GE(drives.size(), 2u);
  Start();
  // The last row's menu command "Hide this Drive".
  const std::vector<RowInfo> rows = Rows();
  ::SendMessageW(rows.back().window, WM_COMMAND, ID_HIDE_DRIVE, 0);
  ASSERT_TRUE(PumpUntil([&] { return DriveLetterCount(control_) == int(drives.size()) - 1; }));
  EXPECT_EQ(ReadIni(ini_, L"HIDE_DRIVE", L"Setted_Drives"), drives.back());
  UniqueVariant hidden;
  ASSERT_EQ(control_.Call(L"IsSetHideDrives", {}, hidden.put()), S_OK);
  EXPECT_EQ(V_BOOL(hidden.get()), VARIANT_TRUE);

  // A rebuild keeps it hidden; showing all drives brings it back and forgets the list.
  RebuildAndWait();
  EXPECT_EQ(DriveLetterCount(control_), int(drives.size()) - 1);
  ASSERT_EQ(control_.Call(L"ShowAllDrive"), S_OK);
  EXPECT_EQ(DriveLetterCount(control_), int(drives.size()));
  EXPECT_EQ(ReadIni(ini_, L"HIDE_DRIVE", L"Setted_Drives"), L"<none>");
}

TEST_F(RowsTest, RecycleAndShortcutRowsSitBelowTheDrives) {
  const int drives = int(PrefixDrives().size());
  Start();
  ASSERT_EQ(control_.Call(L"SetAdditionalOption", {Bool(true), Bool(false), Int(3), Int(0), Int(0)}), S_OK);
  ASSERT_TRUE(PumpUntil([&] { return DriveLetterCount(control_) == drives + 4; }));
  const std::vector<RowInfo> rows = Rows();
  ASSERT_EQ(int(rows.size()), drives + 4);
  EXPECT_EQ(rows[std::size_t(drives)].rect.top, drives * CZendrelApp::Instance().RowHeight()) << "the recycle row";
  EXPECT_EQ(rows[std::size_t(drives) + 1].rect.top, (drives + 1) * CZendrelApp::Instance().RowHeight()) << "the first shortcut row";

  WriteIni(ini_, L"SHORTCUT_LINE1", L"ITEM0", L"x");
  WriteIni(ini_, L"SHORTCUT_LINE2", L"ITEM0", L"x");
  ASSERT_EQ(control_.Call(L"SetAdditionalOption", {Bool(false), Bool(false), Int(1), Int(0), Int(0)}), S_OK);
  ASSERT_TRUE(PumpUntil([&] { return DriveLetterCount(control_) == drives + 1; }));
  EXPECT_EQ(ReadIni(ini_, L"SHORTCUT_LINE1", L"ITEM0"), L"<none>") << "rows 2 and 1 and their shortcuts go";
  EXPECT_EQ(ReadIni(ini_, L"SHORTCUT_LINE2", L"ITEM0"), L"<none>");
}

TEST_F(RowsTest, DrivesComingAndGoingGetRowsInTheirPlaceAndTheOthersKeepTheirWindows) {
  // Letters of this word size only, so that both builds' tests can use the prefix.
  const bool wide = sizeof(void*) == 8;
  const wchar_t removable = wide ? L'E' : L'F', network = wide ? L'H' : L'I', optical = wide ? L'J' : L'K',
                blank = wide ? L'N' : L'O';
  const std::wstring base = MakeTempFolder(L"RowDrives");
  Start();
  const std::size_t prefixRows = Rows().size();
  const HWND firstRow = Rows().front().window;

  auto labelOf = [](wchar_t letter) {
    // Rows are in root order: find the row by its place among the drives.
    wchar_t buffer[256] = {};
    ::GetLogicalDriveStringsW(255, buffer);
    std::size_t index = 0;
    for (const wchar_t* p = buffer; *p; p += wcslen(p) + 1) {
      if (p[0] == L'A' || p[0] == L'B') continue;
      if (p[0] == letter) break;
      ++index;
    }
    const std::vector<RowInfo> rows = Rows();
    return index < rows.size() ? rows[index].label : std::wstring(L"<no row>");
  };
  {
    WineDrive card(removable, DRIVE_REMOVABLE, base + L"\\card", L"SD CARD");
    WineDrive share(network, DRIVE_REMOTE, base + L"\\share", L"Share");
    WineDrive disc(optical, DRIVE_CDROM, base + L"\\disc", L"DVD_VIDEO");
    WineDrive stick(blank, DRIVE_REMOVABLE, base + L"\\stick");
    ASSERT_TRUE(card && share && disc && stick);
    RebuildAndWait();
    EXPECT_EQ(Rows().size(), prefixRows + 4);
    EXPECT_EQ(Rows().front().window, firstRow) << "C: keeps its window";
    EXPECT_EQ(labelOf(removable), L"SD CARD");
    EXPECT_EQ(labelOf(network), L"Share");
    EXPECT_EQ(labelOf(optical), L"DVD_VIDEO");
    EXPECT_EQ(labelOf(blank), L"Removable Disk") << "a removable volume without a label";

    const std::vector<RowInfo> before = Rows();
    ASSERT_TRUE(card.Remove());
    RebuildAndWait();
    const std::vector<RowInfo> after = Rows();
    ASSERT_EQ(after.size(), before.size() - 1);
    // Every other row keeps its window, in the same order.
    std::size_t kept = 0;
    for (const RowInfo& row : before)
      for (const RowInfo& remaining : after)
        if (row.window == remaining.window) ++kept;
    EXPECT_EQ(kept, after.size());
  }
  RebuildAndWait();
  EXPECT_EQ(Rows().size(), prefixRows);
}

// --- drives the test makes up ------------------------------------------------------------

namespace {

// Rows over drives of the test's own: C:, E:, F:, G: (fixed, each labelled after its
// letter), and a card slot R: that can lose its card.
class MadeUpDrivesTest : public RowsTest {
 protected:
  void SetUp() override {
    RowsTest::SetUp();
    tavolen::testing::FakeVolumes& fake = TheWorld().volumes.Fake();
    fake.Clear();
    for (const char16_t letter : {u'C', u'E', u'F', u'G'}) {
      tavolen::testing::FakeVolumes::Drive drive;
      drive.information = VolumeInformation{std::u16string(u"Drive ") + letter, u"NTFS"};
      fake.Set(std::u16string(1, letter) + u":\\", drive);
    }
    TheWorld().volumes.UseFake(true);
  }
  void TearDown() override {
    control_.Close();
    TheWorld().volumes.UseFake(false);
    TheWorld().volumes.Fake().Remove(u"R:\\");
  }
  std::vector<std::wstring> Labels() {
    std::vector<std::wstring> labels;
    for (const RowInfo& row : Rows()) labels.push_back(row.label);
    return labels;
  }
};

}  // namespace

TEST_F(MadeUpDrivesTest, TwoRowsHiddenTogetherHideTheirOwnDrives) {
  Start();
  ASSERT_EQ(Labels(), (std::vector<std::wstring>{L"Drive C", L"Drive E", L"Drive F", L"Drive G"}));
  const std::vector<RowInfo> rows = Rows();
  // Both rows ask before the control has handled either request: the first hide
  // renumbers the rows, the second must still hide F:, not G:.
  ::SendMessageW(rows[1].window, WM_COMMAND, ID_HIDE_DRIVE, 0);
  ::SendMessageW(rows[2].window, WM_COMMAND, ID_HIDE_DRIVE, 0);
  test::PumpPending();
  EXPECT_EQ(Labels(), (std::vector<std::wstring>{L"Drive C", L"Drive G"}));
  UniqueVariant hidden;
  ASSERT_EQ(control_.Call(L"NowSetting", {}, hidden.put()), S_OK);
  EXPECT_EQ(std::wstring(V_BSTR(hidden.get())), L"E:\\F:\\");
}

TEST_F(MadeUpDrivesTest, AWatchedCardSlotWithoutACardGetsItsRowWhenTheCardComes) {
  tavolen::testing::FakeVolumes::Drive slot;
  slot.type = DriveType::Removable;
  slot.information = std::nullopt;  // no card
  TheWorld().volumes.Fake().Set(u"R:\\", slot);
  WriteIni(ini_, L"WatchRemovable", L"SETTING_STATE", L"1");
  Start();
  EXPECT_EQ(Labels().size(), 4u) << "no row for the empty slot";
  const uintptr_t window = uintptr_t(CZendrelApp::Instance().GadgetWnd());
  ASSERT_EQ(TheWorld().clock.Period(window, 4), std::optional<uint32_t>(5000)) << "the slot is polled";
  AdvanceClock(5000);
  EXPECT_EQ(Labels().size(), 4u);
  EXPECT_TRUE(TheWorld().clock.Running(window, 4)) << "still no card: polled again";

  slot.information = VolumeInformation{u"CARD", u"FAT32"};
  TheWorld().volumes.Fake().Set(u"R:\\", slot);
  AdvanceClock(5000);
  test::PumpPending();
  EXPECT_EQ(Labels(), (std::vector<std::wstring>{L"Drive C", L"Drive E", L"Drive F", L"Drive G", L"CARD"}));
  AdvanceClock(5000);  // the rebuild polls once more, finds nothing listed and stops
  EXPECT_FALSE(TheWorld().clock.Running(window, 4)) << "nothing left to poll";
}

// --- portable devices ----------------------------------------------------------------

namespace {

// Longer than a record's path field: the row names the device by its whole path.
const std::u16string kPhone = u"\\\\?\\usb#vid_05ac&pid_12a8#a1b2" + std::u16string(100, u'0') +
                              u"#{6ac27878-a6fa-4155-ba85-f98f491d4f33}";
const std::u16string kPlayer = u"\\\\?\\swd#wpdbusenum#player#{6ac27878-a6fa-4155-ba85-f98f491d4f33}";
const std::u16string kCamera = u"\\\\?\\swd#wpdbusenum#camera#{6ac27878-a6fa-4155-ba85-f98f491d4f33}";

// The made-up drives, and after them a phone with 500 MiB of 16 GiB free, a player without
// storage, and a camera that is only a mass-storage volume (its first storage is E:\).
class PortableRowsTest : public MadeUpDrivesTest {
 protected:
  void SetUp() override {
    MadeUpDrivesTest::SetUp();
    auto& portable = TheWorld().portableDevices;
    portable.Set(ToUpper(kPhone), {u"Phone", u"Apple Inc.", u"s10001", StorageSpace{16ull << 30, 500ull << 20}});
    portable.Set(ToUpper(kPlayer), {u"Player", u"Someone", u"", std::nullopt});
    portable.Set(ToUpper(kCamera), {u"Camera", u"Someone", u"E:\\", StorageSpace{1, 1}});
    TheWorld().source.Set(InterfaceClass::PortableDevice, {{kPhone, u"USB\\VID_05AC&PID_12A8\\A1B2"},
                                                           {kPlayer, std::nullopt},
                                                           {kCamera, std::nullopt}});
  }
  void TearDown() override {
    MadeUpDrivesTest::TearDown();
    TheWorld().source.Set(InterfaceClass::PortableDevice, {});
    TheWorld().portableDevices.Clear();
    TheWorld().processes.running.clear();
  }
  static std::u16string ToUpper(std::u16string path) {
    for (char16_t& c : path) c = (c >= u'a' && c <= u'z') ? char16_t(c - 32) : c;
    return path;
  }
  static std::wstring SizeLine(HWND row) {
    wchar_t size[64] = {};
    ::GetDlgItemTextW(row, IDC_DRIVE_SIZE, size, 63);
    return size;
  }
};

}  // namespace

TEST_F(PortableRowsTest, PortableDevicesGetRowsAfterTheDrivesWithTheirNameAndFreeSpace) {
  const int openBefore = TheWorld().portableDevices.Asked().openDevices;
  Start();
  EXPECT_EQ(Labels(), (std::vector<std::wstring>{L"Drive C", L"Drive E", L"Drive F", L"Drive G", L"Phone", L"Player"}))
      << "the camera is listed with the disks";
  EXPECT_EQ(DriveLetterCount(control_), 6);
  const std::vector<RowInfo> rows = Rows();
  for (std::size_t i = 1; i < rows.size(); ++i) EXPECT_EQ(rows[i].rect.top, rows[i - 1].rect.bottom + 1) << i;
  EXPECT_EQ(SizeLine(rows[4].window), L"Free 0.5 GB") << "the unit follows the capacity";
  EXPECT_EQ(::SendDlgItemMessageW(rows[4].window, IDC_DRIVE_BAR, PBM_GETPOS, 0, 0), 97);
  EXPECT_EQ(SizeLine(rows[5].window), L"") << "no storage, no size";
  EXPECT_EQ(TheWorld().portableDevices.Asked().openDevices, openBefore + 2) << "each row keeps its device open";

  // The recycle row comes below the portable rows.
  ASSERT_EQ(control_.Call(L"SetAdditionalOption", {Bool(true), Bool(false), Int(0), Int(0), Int(0)}), S_OK);
  ASSERT_TRUE(PumpUntil([&] { return DriveLetterCount(control_) == 7; }));
  EXPECT_EQ(Rows().back().rect.top, 6 * CZendrelApp::Instance().RowHeight());

  // A click on the row asks for information a portable device does not have: the flyout closes.
  control_.ClearEvents();
  ::SendMessageW(Rows()[4].window, WM_APP + 4, 0, 0);
  test::PumpPending();
  EXPECT_EQ(control_.Events(ev::FlyOutOff).size(), 1u);
  control_.Close();
  EXPECT_EQ(TheWorld().portableDevices.Asked().openDevices, openBefore) << "closed with their rows";
}

TEST_F(PortableRowsTest, EjectRefusesWhileThePlayerSoftwareRunsEvenWhenTheRowIsGone) {
  Start();
  const HWND phone = Rows()[4].window;
  TheWorld().processes.running.insert(u"iTunes.exe");
  BoxAnswerer person(L"iTunes is found, so don't unplug.", IDOK);
  ::SendMessageW(phone, WM_COMMAND, ID_EJECT_DEVICE, 0);
  control_.Close();  // the eject thread has its own copy of the record
  ASSERT_TRUE(person.Answered());
  EXPECT_EQ(person.Caption(), L"Caution");
  ASSERT_TRUE(PumpUntilWorkersEnded());
}
