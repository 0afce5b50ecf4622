// The drive details under Wine: a click on a row's text runs the property thread, the
// control opens its flyout (the native stand-in of the page here), refills it in place,
// and closes it on a second click, on OK, on EraseFlyoutSetting and at its release; the
// texts are inserted as text. A maker array's row shows its state and colour.
#include <gtest/gtest.h>

#include <windows.h>

#include <dbt.h>

#include "control/core/FlyOutInfo.h"
#include "control/core/ZendrelDispatch.h"
#include "control/core/win/CZendrelApp.h"
#include "control/core/win/ZendrelIds.h"
#include "control/device/Command.h"
#include "control/resources/resource.h"
#include "control/widgets/win/PanelMessages.h"
#include "sim/SimDevice.h"
#include "tests/control/ControlTestSupport.h"
#include "tests/control/ControlWorld.h"
#include "tests/framework/MessagePump.h"

using namespace tavolen;
using namespace tavolen::test;
namespace ev = tavolen::zendrel_event;

namespace {

std::wstring ItemText(HWND dialog, int id) {
  wchar_t text[128] = {};
  ::GetDlgItemTextW(dialog, id, text, 127);
  return text;
}

HWND Flyout() { return ::FindWindowW(L"#32770", L"FlyOutDialog"); }

COLORREF Background(HWND row) {
  const HBRUSH brush = reinterpret_cast<HBRUSH>(::SendMessageW(row, WM_CTLCOLORDLG, 0, LPARAM(row)));
  LOGBRUSH logical{};
  ::GetObjectW(brush, sizeof logical, &logical);
  return logical.lbColor;
}

class FlyoutTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetServiceInstalled(true);
    const std::wstring folder = MakeTempFolder(L"Flyout");
    ::DeleteFileW((folder + L"\\DragAndDropSetting.ini").c_str());
    ASSERT_EQ(control_.Create(zendrel::kControlClsid), S_OK);
    ASSERT_EQ(control_.Call(L"LoadGadgetPath", {Text((folder + L"\\Marvesk.htm").c_str())}), S_OK);
    ASSERT_TRUE(PumpUntilWorkersEnded());
    TheWorld().volumes.Fake().Clear();
    TheWorld().volumes.UseFake(true);
  }
  void TearDown() override {
    control_.Close();
    World& world = TheWorld();
    for (const std::u16string& path : added_) world.source.Remove(InterfaceClass::Disk, path);
    world.volumes.UseFake(false);
    world.volumes.Fake().Clear();
    CZendrelApp::Instance().FlyOut().Clear();
  }

  // A USB disk of the maker behind drive letter `letter` (number `number`): the only row.
  HWND AddDrive(wchar_t letter, uint32_t number, std::shared_ptr<sim::SimDevice> device, const char16_t* label) {
    World& world = TheWorld();
    device->deviceNumber = number;
    const std::u16string path = u"\\\\?\\usbstor#disk&ven_varnkeld&prod_flyout#9&1&0&00" + std::u16string(1, u'0' + char16_t(number)) +
                                u"00#{53f56307-b6bf-11d0-94f2-00a0c91efb8b}";
    const std::u16string root{char16_t(letter), u':', u'\\'};
    world.opener.Add(path, device, ChannelRoute::Service);
    world.opener.Add(PhysicalDrivePath(number), device, ChannelRoute::Service);
    world.opener.Add(u"\\\\.\\" + root.substr(0, 2), device, ChannelRoute::Service);
    world.source.Append(InterfaceClass::Disk, {path, u"USB\\VID_0BBB&PID_0001\\FLY" + std::u16string(1, u'0' + char16_t(number))});
    added_.push_back(path);
    tavolen::testing::FakeVolumes::Drive drive;
    drive.information = VolumeInformation{label, u"NTFS"};
    world.volumes.Fake().Set(root, drive);
    // The volume's arrival: the list learns of the disk, the rows get the new drive.
    DEV_BROADCAST_VOLUME volume{};
    volume.dbcv_size = sizeof volume;
    volume.dbcv_devicetype = DBT_DEVTYP_VOLUME;
    ::SendMessageW(control_.Window(), WM_DEVICECHANGE, DBT_DEVICEARRIVAL, reinterpret_cast<LPARAM>(&volume));
    PumpPending();
    AdvanceClock(1000);
    EXPECT_TRUE(PumpUntilWorkersEnded());
    HWND row = nullptr;
    for (HWND child = ::GetWindow(CZendrelApp::Instance().GadgetWnd(), GW_CHILD); child;
         child = ::GetWindow(child, GW_HWNDNEXT))
      if (::GetWindowLongPtrW(child, GWL_STYLE) & WS_VISIBLE) row = child;
    return row;
  }

  // The overlay's click, then what the page does on FlyOutOn.
  void Click(HWND row) {
    control_.ClearEvents();
    ::SendMessageW(row, panel_message::kFlyout, 0, 0);
    ASSERT_TRUE(PumpUntilWorkersEnded());
    PumpPending();
    if (!control_.Events(ev::FlyOutOn).empty()) {
      ASSERT_EQ(control_.Call(L"GetFlyOutInfo"), S_OK);
    }
  }

  HostedControl control_;
  std::vector<std::u16string> added_;
};

}  // namespace

TEST_F(FlyoutTest, AClickOpensTheFlyoutBesideTheGadgetWithEveryTextInsertedAsText) {
  auto disk = std::make_shared<sim::SimDevice>(sim::Family::Varnkeld);
  disk->product = "<b>DISK</b>";
  disk->ata.SetModel("<i>MODEL</i> & <script>x()</script>");
  FakeLauncher launcher;
  const HWND row = AddDrive(L'Y', 5, disk, u"<b>Label</b>&amp;");
  ASSERT_NE(row, nullptr);
  Click(row);
  EXPECT_EQ(control_.Events(ev::FlyOutOn).size(), 1u);
  const HWND flyout = Flyout();
  ASSERT_NE(flyout, nullptr) << "outside the sidebar the control's own flyout opens";
  EXPECT_TRUE(::IsWindowVisible(flyout));
  EXPECT_EQ(::GetWindow(flyout, GW_OWNER), ::GetAncestor(CZendrelApp::Instance().GadgetWnd(), GA_ROOT));
  EXPECT_EQ(ItemText(flyout, IDC_FLYOUT_TITLE), L"(Y:) Properties");
  EXPECT_EQ(ItemText(flyout, IDC_FLYOUT_LABEL), L"<b>Label</b>&amp;") << "the label as it is, not as markup";
  EXPECT_EQ(ItemText(flyout, IDC_FLYOUT_PRODUCT), L"<b>DISK</b>");
  EXPECT_EQ(ItemText(flyout, IDC_FLYOUT_TITLE1), L"HDD Temp");
  EXPECT_EQ(ItemText(flyout, IDC_FLYOUT_DATA1), L"104 F");
  EXPECT_EQ(ItemText(flyout, IDC_FLYOUT_DATA3), L"Disable");
  // Beside the gadget, never over it.
  RECT at{}, gadget{};
  ::GetWindowRect(flyout, &at);
  ::GetWindowRect(CZendrelApp::Instance().GadgetWnd(), &gadget);
  EXPECT_TRUE(at.right == gadget.left || at.left == gadget.right);
  PumpPending();
  EXPECT_EQ(launcher.SubMenuOpen(), 2u) << "the launcher knows a flyout is open";

  // A second request while it is open: the same window, in the same place, new texts.
  FlyOutInfo other = CZendrelApp::Instance().FlyOut().Get();
  SetText(other.value1, u"<u>77 F</u>");
  CZendrelApp::Instance().FlyOut().Set(other);
  ASSERT_EQ(control_.Call(L"GetFlyOutInfo"), S_OK);
  EXPECT_EQ(Flyout(), flyout);
  RECT again{};
  ::GetWindowRect(flyout, &again);
  EXPECT_TRUE(::EqualRect(&at, &again));
  EXPECT_EQ(ItemText(flyout, IDC_FLYOUT_DATA1), L"<u>77 F</u>");

  // The same drive's text again: the details close and the device is not asked.
  disk->ClearLogs();
  Click(row);
  EXPECT_EQ(Flyout(), nullptr);
  EXPECT_EQ(control_.Events(ev::FlyOutOff).size(), 1u);
  EXPECT_TRUE(disk->Cdbs().empty());
  EXPECT_TRUE(FlyOutDriveRoot(CZendrelApp::Instance().FlyOut().Get()).empty()) << "the record is zeroed";
  PumpPending();
  EXPECT_EQ(launcher.SubMenuOpen(), 1u) << "and that it closed";

  // With Ctrl held at the click the bridge disk is asked for its own identity; the model
  // text too is shown as text.
  BYTE keys[256] = {};
  ::GetKeyboardState(keys);
  keys[VK_CONTROL] = 0x80;
  ::SetKeyboardState(keys);
  Click(row);
  keys[VK_CONTROL] = 0;
  ::SetKeyboardState(keys);
  ASSERT_NE(Flyout(), nullptr);
  EXPECT_EQ(ItemText(Flyout(), IDC_FLYOUT_VENDOR), L"<i>MODEL");
  EXPECT_EQ(ItemText(Flyout(), IDC_FLYOUT_PRODUCT), L"</i> & <script>x");
}

TEST_F(FlyoutTest, OkEraseFlyoutSettingAndTheControlsReleaseCloseTheFlyout) {
  auto disk = std::make_shared<sim::SimDevice>(sim::Family::Varnkeld);
  const HWND row = AddDrive(L'Y', 6, disk, u"DATA");
  ASSERT_NE(row, nullptr);
  // OK: the control learns of it, closes the window and zeroes the record.
  Click(row);
  ASSERT_NE(Flyout(), nullptr);
  ::SendMessageW(Flyout(), WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
  PumpPending();
  EXPECT_EQ(Flyout(), nullptr);
  EXPECT_EQ(control_.Events(ev::FlyOutOff).size(), 1u);
  // A click afterwards opens a new one (the control holds no dead window).
  Click(row);
  ASSERT_NE(Flyout(), nullptr);
  EXPECT_EQ(ItemText(Flyout(), IDC_FLYOUT_LABEL), L"DATA");
  // EraseFlyoutSetting, as the launcher's page calls it when the launcher is deactivated.
  ASSERT_EQ(control_.Call(L"EraseFlyoutSetting"), S_OK);
  EXPECT_EQ(Flyout(), nullptr);
  EXPECT_TRUE(FlyOutDriveRoot(CZendrelApp::Instance().FlyOut().Get()).empty());
  // The control's release takes an open flyout with it.
  Click(row);
  ASSERT_NE(Flyout(), nullptr);
  control_.Close();
  PumpPending();
  EXPECT_EQ(Flyout(), nullptr);
}

TEST_F(FlyoutTest, AMakerArrayRowShowsItsStateInItsLabelAndColour) {
  auto array = std::make_shared<sim::SimDevice>(sim::Family::Varnkeld);
  array->product = "VEX5-G";
  array->ata.arrayStatus = {1, 0, 0x11, 0, 0x00, 0x10};  // RAID 1, degraded, member 1 failed
  const HWND row = AddDrive(L'X', 7, array, u"ARRAY");
  ASSERT_NE(row, nullptr);
  EXPECT_EQ(ItemText(row, IDC_DRIVE_LABEL), L"Degrade");
  EXPECT_EQ(Background(row), RGB(230, 40, 40));
  // The details of the same row.
  Click(row);
  ASSERT_NE(Flyout(), nullptr);
  EXPECT_EQ(ItemText(Flyout(), IDC_FLYOUT_DATA1), L"RAID 1");
  EXPECT_EQ(ItemText(Flyout(), IDC_FLYOUT_DATA2), L"Degrade");
  EXPECT_EQ(ItemText(Flyout(), IDC_FLYOUT_TITLE3), L"Ejectting");
  EXPECT_EQ(ItemText(Flyout(), IDC_FLYOUT_DATA3), L"HDD 1");
  // The refresh finds it rebuilding, then in a state the table does not know: grey, and
  // the volume label again.
  array->ata.arrayStatus = {1, 0, 0x12, 42};
  ASSERT_EQ(control_.Call(L"ShowRenewInfo"), S_OK);
  PumpPending();
  EXPECT_EQ(ItemText(row, IDC_DRIVE_LABEL), L"Rebuilding( 42\xFF05 )");
  EXPECT_EQ(Background(row), RGB(220, 220, 80));
  array->ata.arrayStatus = {1, 0, 0x19};
  ASSERT_EQ(control_.Call(L"ShowRenewInfo"), S_OK);
  PumpPending();
  EXPECT_EQ(ItemText(row, IDC_DRIVE_LABEL), L"ARRAY");
  EXPECT_EQ(Background(row), RGB(190, 190, 190));
}
