// The rows below the drives under Wine: the recycle-bin row (its size line through the
// bin's port, its drops through the shell's port) and a shortcut row loaded from a
// settings file holding each stored form, with clicks and drops on its buttons. The
// gadget has no drives here (made-up volumes), so the two rows are the only ones.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>
#include <shlobj.h>

#include "control/core/ZendrelDispatch.h"
#include "control/core/win/CZendrelApp.h"
#include "control/core/win/ZendrelIds.h"
#include "control/panels/ItemListText.h"
#include "control/resources/resource.h"
#include "control/widgets/win/PanelMessages.h"
#include "control/widgets/win/ShellMenuHandler.h"
#include "framework/ComInit.h"
#include "framework/ComObject.h"
#include "framework/ComPtr.h"
#include "framework/UniqueItemList.h"
#include "tests/control/ControlTestSupport.h"
#include "tests/control/ControlWorld.h"
#include "tests/control/CountingMenu.h"
#include "tests/control/DropTestSupport.h"
#include "tests/framework/MessagePump.h"

using namespace tavolen;
using namespace tavolen::test;
namespace ev = tavolen::zendrel_event;

namespace {

constexpr int kButtons[4] = {IDC_SHORTCUT_0, IDC_SHORTCUT_1, IDC_SHORTCUT_2, IDC_SHORTCUT_3};

std::wstring W(const std::u16string& s) { return std::wstring(s.begin(), s.end()); }
std::u16string U(const std::wstring& s) { return std::u16string(s.begin(), s.end()); }

std::wstring ItemText(HWND row, int id) {
  wchar_t text[128] = {};
  ::GetDlgItemTextW(row, id, text, 127);
  return text;
}

// The encoded form of an item list the shell makes for a path or a special folder.
std::wstring Encoded(PCIDLIST_ABSOLUTE list) {
  const auto text = EncodeItemList(reinterpret_cast<const uint8_t*>(list), ::ILGetSize(list));
  return text ? W(*text) : L"";
}

// A shell link to `target` with `arguments`, saved at `path`.
bool MakeLink(const std::wstring& path, const std::wstring& target, const std::wstring& arguments,
              const std::wstring& folder) {
  ComPtr<IShellLinkW> link;
  ComPtr<IPersistFile> file;
  return SUCCEEDED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                      link.put_void())) &&
         SUCCEEDED(link->SetPath(target.c_str())) && SUCCEEDED(link->SetArguments(arguments.c_str())) &&
         SUCCEEDED(link->SetWorkingDirectory(folder.c_str())) && SUCCEEDED(link.As(IID_IPersistFile, &file)) &&
         SUCCEEDED(file->Save(path.c_str(), TRUE));
}

// Whether the button's picture holds more than the grey background and its frame.
bool ShowsAnIcon(HWND button) {
  const auto bitmap = reinterpret_cast<HBITMAP>(::SendMessageW(button, BM_GETIMAGE, IMAGE_BITMAP, 0));
  if (!bitmap) return false;
  BITMAP info{};
  ::GetObjectW(bitmap, sizeof info, &info);
  const HDC dc = ::CreateCompatibleDC(nullptr);
  const HGDIOBJ old = ::SelectObject(dc, bitmap);
  bool drawn = false;
  for (int y = 2; y < info.bmHeight - 2 && !drawn; ++y)
    for (int x = 2; x < info.bmWidth - 2 && !drawn; ++x) drawn = ::GetPixel(dc, x, y) != RGB(190, 190, 190);
  ::SelectObject(dc, old);
  ::DeleteDC(dc);
  return drawn;
}

// Holds the keyboard's Shift key down for this thread while it lives.
class ShiftDown {
 public:
  ShiftDown() {
    ::GetKeyboardState(saved_);
    BYTE keys[256];
    std::copy(saved_, saved_ + 256, keys);
    keys[VK_SHIFT] = 0x80;
    ::SetKeyboardState(keys);
  }
  ~ShiftDown() { ::SetKeyboardState(saved_); }

 private:
  BYTE saved_[256] = {};
};

class BelowDrivesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    World& world = TheWorld();
    world.volumes.Fake().Clear();
    world.volumes.UseFake(true);
    world.shellFiles.Clear();
    world.shellFiles.PassTo(nullptr);  // recorded only, unless a test wants the files moved
    world.shellFiles.SetOpenResult(42);
    folder_ = MakeEmptyTempFolder(L"BelowDrives");
    items_ = MakeEmptyTempFolder(L"ShortcutItems");
    ini_ = folder_ + L"\\DragAndDropSetting.ini";
    ::DeleteFileW(ini_.c_str());
  }
  void TearDown() override {
    control_.Close();
    EXPECT_TRUE(PumpUntilWorkersEnded());
    World& world = TheWorld();
    world.volumes.UseFake(false);
    world.shellFiles.PassTo(&world.systemShellFiles);
    CZendrelApp::Instance().SetLastDragKeyState(0);
    for (const auto& folder : {folder_, items_}) RemoveTempFolder(folder);
  }
  // The control with the recycle-bin row and one shortcut row.
  void Start() {
    ASSERT_EQ(control_.Create(zendrel::kControlClsid), S_OK);
    ASSERT_EQ(control_.Call(L"LoadGadgetPath", {Text((folder_ + L"\\Marvesk.htm").c_str())}), S_OK);
    ASSERT_TRUE(PumpUntilWorkersEnded());
    ASSERT_EQ(control_.Call(L"SetAdditionalOption", {Bool(true), Bool(false), Int(1), Int(0), Int(0)}), S_OK);
    ASSERT_TRUE(PumpUntil([&] { return RecycleRow() && ShortcutRow(); }));
    ASSERT_TRUE(PumpUntilWorkersEnded());
  }
  HWND Child(int id) const {
    for (HWND child = ::GetWindow(CZendrelApp::Instance().GadgetWnd(), GW_CHILD); child;
         child = ::GetWindow(child, GW_HWNDNEXT))
      if ((::GetWindowLongPtrW(child, GWL_STYLE) & WS_VISIBLE) && ::GetDlgItem(child, id)) return child;
    return nullptr;
  }
  HWND RecycleRow() const { return Child(IDC_DRIVE_LABEL); }
  HWND ShortcutRow() const { return Child(IDC_SHORTCUT_0); }
  HWND Button(int column) const { return ::GetDlgItem(ShortcutRow(), kButtons[column]); }
  std::wstring Tooltip(int column) const { return TooltipText(ShortcutRow(), Button(column)); }
  std::wstring Stored(int column) const {
    return ReadIni(ini_, L"SHORTCUT_LINE0", std::to_wstring(column).c_str());
  }
  HDROP Drop(HWND window, const std::vector<std::wstring>& files, uint32_t keyState) {
    CZendrelApp::Instance().SetLastDragKeyState(keyState);
    const HDROP drop = MakeDrop(files);
    ::SendMessageW(window, WM_DROPFILES, WPARAM(drop), 0);
    return drop;
  }
  void Click(int column) {
    ::SendMessageW(ShortcutRow(), WM_COMMAND, MAKEWPARAM(kButtons[column], BN_CLICKED), LPARAM(Button(column)));
  }
  std::wstring Item(const wchar_t* name) { return MakeFile(items_ + L"\\" + name); }

  std::wstring folder_, items_, ini_;
  HostedControl control_;
};

}  // namespace

TEST_F(BelowDrivesTest, TheRecycleRowShowsTheBinsTotalAndDeletesWhatIsDroppedOnIt) {
  World& world = TheWorld();
  world.recycleBin.Set(uint64_t(3) << 29);
  Start();
  const HWND row = RecycleRow();
  EXPECT_EQ(ItemText(row, IDC_DRIVE_LABEL), L"Recycle Bin");
  EXPECT_EQ(ItemText(row, IDC_DRIVE_SIZE), L"Total 1.5 GB");
  EXPECT_TRUE(ShowsAnIcon(::GetDlgItem(row, IDC_DRIVE_BUTTON))) << "the shell's bin";
  EXPECT_FALSE(::IsWindowVisible(::GetDlgItem(row, IDC_DRIVE_BAR)));
  world.recycleBin.Set(uint64_t(300) << 20);
  ::SendMessageW(CZendrelApp::Instance().GadgetWnd(), 0x8003, 0, 0);
  EXPECT_EQ(ItemText(row, IDC_DRIVE_SIZE), L"Total 300.0 MB") << "refreshed with the rows";
  world.recycleBin.Set(std::nullopt);
  OutstandingBlocks& blocks = OutstandingBlocks::Instance();
  blocks.Watch(true);
  const std::size_t before = blocks.Count();
  for (int i = 0; i < 3; ++i) ::SendMessageW(CZendrelApp::Instance().GadgetWnd(), 0x8003, 0, 0);
  blocks.Watch(false);
  EXPECT_EQ(blocks.Count(), before) << "the bin's item list is freed at every refresh";
  EXPECT_EQ(ItemText(row, IDC_DRIVE_SIZE), L"Total 0.0 MB") << "a bin that cannot be read counts as empty";

  const std::wstring a = Item(L"a.txt"), b = Item(L"b.txt");
  const HDROP first = Drop(row, {a, b}, MK_LBUTTON);
  EXPECT_EQ(::GlobalSize(first), 0u) << "the handle is released at the drop";
  ASSERT_TRUE(PumpUntilWorkersEnded());  // the operations are recorded in their order
  {
    const ShiftDown shift;  // held at the drop; the key state of the drag says nothing of it
    Drop(row, {a}, MK_LBUTTON);
  }
  ASSERT_TRUE(PumpUntilWorkersEnded());
  const auto operations = world.shellFiles.Operations();
  ASSERT_EQ(operations.size(), 2u);
  EXPECT_EQ(operations[0].operation, 3u) << "FO_DELETE";
  EXPECT_EQ(operations[0].sources, U(a) + u'\0' + U(b) + u'\0' + u'\0');
  EXPECT_EQ(operations[0].flags, 0x50u) << "into the bin, without asking";
  EXPECT_EQ(operations[1].flags, 0x10u) << "with Shift: for good";
  EXPECT_EQ(operations[0].owner, uintptr_t(row));

  std::vector<std::wstring> offered;
  Person cancels(DropMenu, [&offered](HWND popup) {
    offered = MenuTexts(reinterpret_cast<HMENU>(::SendMessageW(popup, MN_GETHMENU, 0, 0)));
    ::PostMessageW(popup, WM_KEYDOWN, VK_ESCAPE, 0);
  });
  Drop(row, {a}, MK_RBUTTON);
  ASSERT_TRUE(cancels.Acted());
  EXPECT_EQ(offered, (std::vector<std::wstring>{L"Move", L"Cancel"}));
  ASSERT_TRUE(PumpUntilWorkersEnded());
  EXPECT_EQ(world.shellFiles.Operations().size(), 2u) << "cancelled: nothing deleted";
}

TEST_F(BelowDrivesTest, AShortcutRowShowsEachStoredFormAndKeepsAHostileValueAsItIs) {
  const ComInit com;
  const std::wstring tool = Item(L"tool.exe"), doc = Item(L"doc.txt"), link = items_ + L"\\Tool.lnk";
  ::CreateDirectoryW((items_ + L"\\Inbox").c_str(), nullptr);
  ASSERT_TRUE(MakeLink(link, tool, L"-n", items_));
  UniqueItemList docItem;
  ASSERT_EQ(::SHParseDisplayName(doc.c_str(), nullptr, docItem.put(), 0, nullptr), S_OK);
  WriteIni(ini_, L"SHORTCUT_LINE0", L"0", link.c_str());
  WriteIni(ini_, L"SHORTCUT_LINE0", L"1", (items_ + L"\\Inbox").c_str());
  WriteIni(ini_, L"SHORTCUT_LINE0", L"2", Encoded(docItem.get()).c_str());
  WriteIni(ini_, L"SHORTCUT_LINE0", L"3", L"1036,0,");  // an item running past the buffer
  Start();

  EXPECT_EQ(Tooltip(0), L"Tool.lnk") << "the resolved link's title";
  EXPECT_EQ(Tooltip(1), L"Inbox");
  EXPECT_EQ(Tooltip(2), L"doc.txt") << "the encoded item's parsing name";
  for (int column : {0, 1, 2}) EXPECT_TRUE(ShowsAnIcon(Button(column))) << column;
  EXPECT_FALSE(ShowsAnIcon(Button(3)));
  EXPECT_EQ(Stored(3), L"1036,0,") << "a hostile value is left for the user";
  EXPECT_EQ(Stored(0).size(), 2u * 2608 + 2) << "the link is stored as its record";
  EXPECT_EQ(Stored(2), Encoded(docItem.get())) << "the text as given, not the parsed path";
  EXPECT_TRUE(::DeleteFileW(link.c_str())) << "no probe of the link is left open";

  // After a restart the record alone decides; a record whose checksum is broken reads as
  // text no encoder wrote, and stays.
  control_.Close();
  ASSERT_TRUE(PumpUntilWorkersEnded());
  std::wstring broken = Stored(0);
  broken.back() = broken.back() == L'0' ? L'1' : L'0';
  WriteIni(ini_, L"SHORTCUT_LINE0", L"3", broken.c_str());
  Start();
  EXPECT_EQ(Tooltip(0), L"Tool.lnk") << "the stored record, though the link is gone";
  EXPECT_TRUE(ShowsAnIcon(Button(0)));
  EXPECT_FALSE(ShowsAnIcon(Button(3)));
  EXPECT_EQ(Stored(3), broken);
}

TEST_F(BelowDrivesTest, ClicksAndDropsOpenFillOrStartTheShortcutsItems) {
  World& world = TheWorld();
  const ComInit com;
  const std::wstring tool = Item(L"tool.exe"), link = items_ + L"\\Tool.lnk", inbox = items_ + L"\\Inbox";
  ::CreateDirectoryW(inbox.c_str(), nullptr);
  ASSERT_TRUE(MakeLink(link, tool, L"-n", items_));
  UniqueItemList bin;
  ASSERT_EQ(::SHGetSpecialFolderLocation(nullptr, CSIDL_BITBUCKET, bin.put()), S_OK);
  WriteIni(ini_, L"SHORTCUT_LINE0", L"0", link.c_str());
  WriteIni(ini_, L"SHORTCUT_LINE0", L"1", inbox.c_str());
  WriteIni(ini_, L"SHORTCUT_LINE0", L"2", Encoded(bin.get()).c_str());
  Start();

  Click(0);
  Click(1);
  auto opens = world.shellFiles.Opens();
  ASSERT_EQ(opens.size(), 2u);
  EXPECT_EQ(W(opens[0].open.file), tool);
  EXPECT_EQ(opens[0].open.parameters, u"-n");
  EXPECT_EQ(W(opens[0].open.folder), items_);
  EXPECT_EQ(W(opens[1].open.file), inbox);
  EXPECT_EQ(W(opens[1].open.folder), inbox);
  EXPECT_EQ(opens[1].open.show, SW_SHOWNORMAL);

  // Two files on the program: started with both, quoted, after the link's arguments.
  const std::wstring a = Item(L"a 1.txt"), b = Item(L"b.txt");
  EXPECT_EQ(::GlobalSize(Drop(Button(0), {a, b}, MK_LBUTTON)), 0u) << "the handle is released";
  ASSERT_TRUE(PumpUntilWorkersEnded());
  opens = world.shellFiles.Opens();
  ASSERT_EQ(opens.size(), 3u);
  EXPECT_EQ(W(opens[2].open.parameters), L"-n \"" + a + L"\" \"" + b + L"\"");

  // On the folder: copied there by the system's shell.
  world.shellFiles.PassTo(&world.systemShellFiles);
  Drop(Button(1), {a}, MK_LBUTTON);
  ASSERT_TRUE(PumpUntilWorkersEnded());
  world.shellFiles.PassTo(nullptr);
  EXPECT_TRUE(Exists(inbox + L"\\a 1.txt"));
  EXPECT_TRUE(Exists(a)) << "copied";

  // On the recycle bin's shortcut: deleted, for good with Shift.
  Drop(Button(2), {b}, MK_LBUTTON);
  ASSERT_TRUE(PumpUntilWorkersEnded());
  {
    const ShiftDown shift;
    Drop(Button(2), {b}, MK_LBUTTON);
  }
  ASSERT_TRUE(PumpUntilWorkersEnded());
  auto operations = world.shellFiles.Operations();
  ASSERT_EQ(operations.size(), 3u);
  EXPECT_EQ(operations[1].operation, 3u);
  EXPECT_EQ(operations[1].flags, 0x50u);
  EXPECT_EQ(operations[2].flags, 0x10u);

  // On the empty button: the dropped file becomes its shortcut.
  Drop(Button(3), {a, b}, MK_LBUTTON);
  EXPECT_EQ(Stored(3), a);
  EXPECT_EQ(Tooltip(3), L"a 1.txt");
  EXPECT_TRUE(ShowsAnIcon(Button(3)));

  // An item the shell cannot open: the person agrees to forget it.
  world.shellFiles.SetOpenResult(2);
  BoxAnswerer forget(L"Setting is not found.", IDYES);
  Click(3);
  ASSERT_TRUE(forget.Answered());
  EXPECT_EQ(forget.Caption(), L"Caution");
  EXPECT_EQ(Stored(3), L"") << "the empty value is stored";
  EXPECT_FALSE(ShowsAnIcon(Button(3)));
}

TEST_F(BelowDrivesTest, AShortcutRowTakesNoMenuObjectItsButtonsDidNotMake) {
  Start();
  bool gone = false;
  ComPtr<CountingMenu> foreign = MakeComObject<CountingMenu>(&gone);
  CountingMenu* const raw = foreign.get();
  ::SendMessageW(ShortcutRow(), panel_message::kMenuHandler, WPARAM(static_cast<IContextMenu2*>(raw)), 0);
  ::SendMessageW(ShortcutRow(), panel_message::kMenuHandler, WPARAM(0x10), 0);  // never an object here
  ::SendMessageW(ShortcutRow(), WM_MEASUREITEM, 0, 0);
  ::SendMessageW(ShortcutRow(), WM_INITMENUPOPUP, 0, 0);
  EXPECT_EQ(raw->drawn, 0) << "the row did not call it";
  foreign.reset();
  EXPECT_TRUE(gone) << "the row took no reference";
}

TEST_F(BelowDrivesTest, TheRecycleBinsShortcutOffersChangeAndDeleteToo) {
  const ComInit com;
  UniqueItemList bin;
  ASSERT_EQ(::SHGetSpecialFolderLocation(nullptr, CSIDL_BITBUCKET, bin.put()), S_OK);
  WriteIni(ini_, L"SHORTCUT_LINE0", L"0", Encoded(bin.get()).c_str());
  Start();
  std::wstring title;
  std::vector<std::wstring> settings;
  Person looks(DropMenu, [&](HWND popup) {
    const auto menu = reinterpret_cast<HMENU>(::SendMessageW(popup, MN_GETHMENU, 0, 0));
    const int last = ::GetMenuItemCount(menu) - 1;
    title = MenuTexts(menu).back();
    settings = MenuTexts(::GetSubMenu(menu, last));
    ::PostMessageW(popup, WM_KEYDOWN, VK_ESCAPE, 0);
  });
  ::SendMessageW(Button(0), WM_RBUTTONUP, 0, MAKELPARAM(5, 5));
  ASSERT_TRUE(looks.Acted());
  EXPECT_EQ(title, L"\u8a2d\u5b9a");
  EXPECT_EQ(settings, (std::vector<std::wstring>{L"Change", L"Delete"}));
}

// --- the rows' shell menu handler, on a window of its own --------------------------------

namespace {

// A window that serves a shell menu the way a row does.
class MenuRow {
 public:
  MenuRow() {
    WNDCLASSW type{};
    type.lpfnWndProc = &Procedure;
    type.hInstance = ::GetModuleHandleW(nullptr);
    type.lpszClassName = L"MenuRowTest";
    ::RegisterClassW(&type);
    window_ = ::CreateWindowW(L"MenuRowTest", L"", 0, 0, 0, 10, 10, HWND_MESSAGE, nullptr, type.hInstance, nullptr);
    ::SetWindowLongPtrW(window_, GWLP_USERDATA, LONG_PTR(&menus_));
  }
  ~MenuRow() {
    ::DestroyWindow(window_);
    menus_.Reset();
  }
  HWND Window() const { return window_; }
  ShellMenuHandler& Menus() { return menus_; }
  LRESULT Send(UINT message, WPARAM wParam = 0) { return ::SendMessageW(window_, message, wParam, 0); }

 private:
  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* menus = reinterpret_cast<ShellMenuHandler*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
    if (menus)
      if (const std::optional<LRESULT> served = menus->Handle(message, wParam, lParam)) return *served;
    return ::DefWindowProcW(window, message, wParam, lParam);
  }
  ShellMenuHandler menus_;
  HWND window_ = nullptr;
};

WPARAM AsWParam(CountingMenu* menu) { return WPARAM(static_cast<IContextMenu2*>(menu)); }

}  // namespace

TEST(ShellMenuHandler, ARowCallsOnlyTheObjectItsOwnButtonHandedOverWhileTheMenuIsOpen) {
  MenuRow row;
  bool ownGone = false, foreignGone = false;
  ComPtr<CountingMenu> own = MakeComObject<CountingMenu>(&ownGone);
  ComPtr<CountingMenu> foreign = MakeComObject<CountingMenu>(&foreignGone);
  CountingMenu* const ownRaw = own.get();
  {
    // The button's own menu: announced, handed over, held for the menu's life.
    const MenuHandlerScope open(row.Menus(), row.Window(), own.get());
    own.reset();
    EXPECT_FALSE(ownGone) << "the row holds a reference of its own";
    EXPECT_EQ(row.Send(WM_MEASUREITEM), 1);
    EXPECT_EQ(row.Send(WM_INITMENUPOPUP), 0);
    EXPECT_EQ(ownRaw->drawn, 2);

    // Meanwhile someone else hands over other values: none is taken or called.
    EXPECT_EQ(row.Send(panel_message::kMenuHandler, AsWParam(foreign.get())), 1);
    EXPECT_EQ(row.Send(panel_message::kMenuHandler, WPARAM(0x10)), 1);
    EXPECT_EQ(row.Send(panel_message::kMenuHandler, AsWParam(ownRaw) + 1), 1);
    row.Send(WM_DRAWITEM);
    EXPECT_EQ(foreign->drawn, 0);
    EXPECT_EQ(ownRaw->drawn, 3) << "the own object is still the one called";
  }
  EXPECT_TRUE(ownGone) << "given back when the menu ended";
  // The ended menu's object, replayed: never touched again (it is gone).
  EXPECT_EQ(row.Send(panel_message::kMenuHandler, AsWParam(ownRaw)), 1);
  row.Send(WM_MEASUREITEM);

  // After the menu no value is taken, the old object's neither.
  EXPECT_EQ(row.Send(panel_message::kMenuHandler, AsWParam(foreign.get())), 1);
  row.Send(WM_MEASUREITEM);
  EXPECT_EQ(foreign->drawn, 0);
  foreign.reset();
  EXPECT_TRUE(foreignGone) << "the row never held the foreign object";
}
