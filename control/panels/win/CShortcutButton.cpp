#include "control/panels/win/CShortcutButton.h"

#include <commctrl.h>
#include <shlwapi.h>

#include "control/core/ControlHook.h"
#include "control/panels/ItemListText.h"
#include "control/panels/PanelTexts.h"
#include "control/panels/win/DeviceIcon.h"
#include "control/panels/win/DropCopy.h"
#include "control/resources/resource.h"
#include "control/widgets/win/LauncherNotice.h"
#include "control/widgets/win/MessageBoxes.h"
#include "control/widgets/win/ShellMenuHandler.h"
#include "framework/ComInit.h"
#include "framework/ComPtr.h"
#include "framework/Module.h"
#include "framework/ResourceString.h"
#include "framework/UniqueHandle.h"
#include "framework/UniqueIcon.h"
#include "framework/UniqueItemList.h"
#include "framework/UniqueMenu.h"
#include "framework/Utf16.h"

namespace tavolen {

namespace {

constexpr COLORREF kBackground = RGB(190, 190, 190);
constexpr COLORREF kFrame = RGB(170, 170, 170);
constexpr UINT kFirstShellCommand = 1, kLastShellCommand = 0x7FFF;
constexpr UINT kShellMenuItemRemoved = 18;
constexpr UINT kRepaintButton = WM_APP + 12;
// The settings popup's title and the question when a path is gone: fixed texts.
constexpr wchar_t kSettingsPopup[] = L"\u8a2d\u5b9a";
constexpr char16_t kFileGone[] =
    u"\u6307\u5b9a\u3057\u305f\u30d5\u30a1\u30a4\u30eb\u304c\u898b\u3064\u304b\u308a\u307e\u305b\u3093\n"
    u"\u8a2d\u5b9a\u3092\u524a\u9664\u3057\u307e\u3059\u304b\uff1f";
static_assert(shortcut_strings::kNotFoundDelete == IDS_NOT_FOUND_DELETE && shortcut_strings::kSelectItem == IDS_SELECT_ITEM,
              "string ids");

// The bytes of an item list the shell made.
std::vector<uint8_t> ItemListBytes(PCIDLIST_ABSOLUTE list) {
  const UINT size = ::ILGetSize(list);
  const auto* bytes = reinterpret_cast<const uint8_t*>(list);
  return std::vector<uint8_t>(bytes, bytes + size);
}

// The file system's view of a path: its attributes, none when it does not exist. A
// folder is known by its attributes (an open fails for unreadable files too).
std::optional<DWORD> Attributes(const std::u16string& path) {
  if (path.empty()) return std::nullopt;
  const DWORD attributes = ::GetFileAttributesW(AsWide(path.c_str()));
  if (attributes == INVALID_FILE_ATTRIBUTES) return std::nullopt;
  return attributes;
}

bool IsFolder(const std::u16string& path) {
  const auto attributes = Attributes(path);
  return attributes && (*attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool IsFile(const std::u16string& path) {
  const auto attributes = Attributes(path);
  return attributes && !(*attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::u16string LongPath(const wchar_t* path) {
  if (!*path) return std::u16string();
  wchar_t longPath[MAX_PATH] = {};
  const DWORD length = ::GetLongPathNameW(path, longPath, MAX_PATH);
  return std::u16string(AsUtf16(length > 0 && length < MAX_PATH ? longPath : path));
}

// Resolves the shell link at `path` into `record` (all its steps, or false).
bool ResolveLink(HWND owner, const std::u16string& path, ShortcutRecord& record) {
  {
    const UniqueHandle probe(::CreateFileW(AsWide(path.c_str()), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                           nullptr, OPEN_EXISTING, 0, nullptr));
    if (!probe) return false;
  }  // the probe is closed before the shell reads the file
  const ComInit com;
  ComPtr<IShellLinkW> link;
  ComPtr<IPersistFile> file;
  if (FAILED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, link.put_void())) ||
      FAILED(link.As(IID_IPersistFile, &file)) || FAILED(file->Load(AsWide(path.c_str()), 0)) ||
      FAILED(link->Resolve(owner, SLR_ANY_MATCH | SLR_NO_UI)))
    return false;
  ShortcutRecord resolved = EmptyShortcutRecord();
  SetShortcutField(resolved.title, FileTitle(path));
  wchar_t text[MAX_PATH + 1] = {};
  if (FAILED(link->GetPath(text, MAX_PATH, nullptr, SLGP_SHORTPATH))) return false;
  SetShortcutField(resolved.targetPath, LongPath(text));
  text[0] = L'\0';
  if (FAILED(link->GetArguments(text, MAX_PATH))) return false;
  SetShortcutField(resolved.arguments, AsUtf16(text));
  int iconIndex = 0;
  text[0] = L'\0';
  if (FAILED(link->GetIconLocation(text, MAX_PATH, &iconIndex))) return false;
  SetShortcutField(resolved.iconPath, LongPath(text));
  resolved.iconIndex = iconIndex;
  int show = SW_SHOWNORMAL;
  if (FAILED(link->GetShowCmd(&show))) return false;
  resolved.showCommand = uint32_t(show);
  text[0] = L'\0';
  if (FAILED(link->GetWorkingDirectory(text, MAX_PATH))) return false;
  SetShortcutField(resolved.workingDirectory, LongPath(text));
  if (ShortcutField(resolved.targetPath).empty()) return false;
  record = resolved;
  return true;
}

// The desktop's name of an item (SHGDN_* `flags`); empty when it has none.
std::u16string DisplayName(PCIDLIST_ABSOLUTE list, SHGDNF flags) {
  ComPtr<IShellFolder> desktop;
  STRRET name{};
  wchar_t text[MAX_PATH * 2] = {};
  if (FAILED(::SHGetDesktopFolder(desktop.put())) ||
      FAILED(desktop->GetDisplayNameOf(reinterpret_cast<PCUITEMID_CHILD>(list), flags, &name)) ||
      FAILED(::StrRetToBufW(&name, reinterpret_cast<PCUITEMID_CHILD>(list), text, MAX_PATH * 2)))
    return std::u16string();
  return std::u16string(AsUtf16(text));
}

// The item a shortcut names: parsed from its path by the desktop, or its decoded list.
class ShortcutItem {
 public:
  static std::optional<ShortcutItem> Of(const std::u16string& itemText) {
    ShortcutItem item;
    if (IsEncodedItemList(itemText)) {
      auto decoded = DecodeItemList(itemText);
      if (!decoded) return std::nullopt;
      item.decoded_ = std::move(*decoded);
      return item;
    }
    ComPtr<IShellFolder> desktop;
    std::wstring path = ToWide(itemText);
    if (FAILED(::SHGetDesktopFolder(desktop.put())) ||
        FAILED(desktop->ParseDisplayName(nullptr, nullptr, path.data(), nullptr,
                                         reinterpret_cast<PIDLIST_RELATIVE*>(item.parsed_.put()), nullptr)) ||
        !item.parsed_)
      return std::nullopt;
    return item;
  }
  PCIDLIST_ABSOLUTE get() const {
    return parsed_ ? parsed_.get() : reinterpret_cast<PCIDLIST_ABSOLUTE>(decoded_.data());
  }

 private:
  UniqueItemList parsed_;
  std::vector<uint8_t> decoded_;  // the checked 1036-byte buffer
};

// The shell's context menu of an item, filled into a popup of our own.
struct ItemMenu {
  ComPtr<IContextMenu> menu;
  ComPtr<IContextMenu2> menu2;
  UniqueMenu popup;
};

std::optional<ItemMenu> MakeItemMenu(HWND owner, PCIDLIST_ABSOLUTE item, UINT flags) {
  ComPtr<IShellFolder> parent;
  PCUITEMID_CHILD child = nullptr;
  ItemMenu made;
  if (FAILED(::SHBindToParent(item, IID_IShellFolder, parent.put_void(), &child)) ||
      FAILED(parent->GetUIObjectOf(owner, 1, &child, IID_IContextMenu, nullptr, made.menu.put_void())))
    return std::nullopt;
  made.menu.As(IID_IContextMenu2, &made.menu2);
  made.popup.reset(::CreatePopupMenu());
  if (!made.popup || FAILED(made.menu->QueryContextMenu(made.popup.get(), 0, kFirstShellCommand, kLastShellCommand, flags)))
    return std::nullopt;
  return made;
}

HRESULT Invoke(IContextMenu& menu, UINT id) {
  CMINVOKECOMMANDINFO invoke{};
  invoke.cbSize = sizeof invoke;
  invoke.lpVerb = MAKEINTRESOURCEA(id - kFirstShellCommand);
  invoke.nShow = SW_SHOWNORMAL;
  return menu.InvokeCommand(&invoke);
}

}  // namespace

bool CShortcutButton::Attach(HWND row, int id, RowHost& host, ShellMenuHandler& menus) {
  host_ = &host;
  menus_ = &menus;
  background_.reset(::CreateSolidBrush(kBackground));
  UniqueItemList bin;
  if (SUCCEEDED(::SHGetSpecialFolderLocation(nullptr, CSIDL_BITBUCKET, bin.put())) && bin)
    recycleBin_ = ItemListBytes(bin.get());
  return SubclassedControl::Attach(row, id);
}

void CShortcutButton::SetShortcut(const std::u16string& text, uint32_t row, uint8_t column,
                                  const ShortcutRecord* record) {
  row_ = row;
  column_ = column;
  itemText_ = text;
  record_ = EmptyShortcutRecord();
  hasRecord_ = false;
  if (record) {
    record_ = *record;
    itemText_ = ShortcutField(record_.targetPath);
    hasRecord_ = true;
  } else if (IsLinkPath(itemText_) && ResolveLink(hwnd(), itemText_, record_)) {
    itemText_ = ShortcutField(record_.targetPath);
    hasRecord_ = true;
  }

  std::optional<std::vector<uint8_t>> list;
  std::u16string name = itemText_;
  if (IsEncodedItemList(itemText_)) {
    list = DecodeItemList(itemText_);
    if (!list) {
      // A value no encoder wrote: an empty button, and the stored value stays for the user.
      itemText_.clear();
      ComposeImage(std::nullopt);
      SetTooltip(u"");
      return;
    }
    const auto item = reinterpret_cast<PCIDLIST_ABSOLUTE>(list->data());
    const std::u16string parsing = DisplayName(item, SHGDN_FORPARSING);
    if (parsing.empty() || parsing[0] == u':') {
      name = DisplayName(item, SHGDN_NORMAL);  // a virtual folder, named by its class
    } else {
      itemText_ = parsing;
      name = parsing;
    }
  }
  name = ShortcutTooltipName(name, Record(), IsFile(itemText_));
  ComposeImage(list);
  SetTooltip(name);
  const std::unique_ptr<SettingsFile> ini = host_->Environment().settingsFiles->Open(host_->IniPath());
  WriteStoredShortcut(*ini, row_, column_, text, Record());
}

void CShortcutButton::ComposeImage(const std::optional<std::vector<uint8_t>>& itemList) {
  RECT client{};
  ::GetClientRect(hwnd(), &client);
  UniqueBitmap image;
  UniqueDc dc;
  {
    const WindowDc windowDc(hwnd());
    image.reset(::CreateCompatibleBitmap(windowDc.get(), client.right, client.bottom));
    dc.reset(::CreateCompatibleDC(windowDc.get()));
  }
  if (!image || !dc) return;
  {
    const SelectedObject drawing(dc.get(), image.get());
    ::FillRect(dc.get(), &client, background_.get());
    const UniqueBrush frame(::CreateSolidBrush(kFrame));
    ::FrameRect(dc.get(), &client, frame.get());
    UniqueIcon icon;
    if (!itemText_.empty()) {
      SHFILEINFOW info{};
      if (itemList && IsEncodedItemList(itemText_)) {
        ::SHGetFileInfoW(reinterpret_cast<LPCWSTR>(itemList->data()), 0, &info, sizeof info, SHGFI_PIDL | SHGFI_ICON);
        icon.reset(info.hIcon);
      } else {
        const std::u16string iconPath = hasRecord_ ? ShortcutField(record_.iconPath) : std::u16string();
        if (!iconPath.empty()) ::ExtractIconExW(AsWide(iconPath.c_str()), record_.iconIndex, icon.put(), nullptr, 1);
        const std::u16string target = hasRecord_ ? ShortcutField(record_.targetPath) : std::u16string();
        if (!icon && !target.empty()) icon = ShellIconOf(target, std::u16string());
        if (!icon) icon = ShellIconOf(itemText_, std::u16string());
      }
    }
    DrawCentredIcon(dc.get(), icon.get(), client.right, client.bottom);
  }  // the image is deselected before the button takes it
  image_ = std::move(image);
  ::SendMessageW(hwnd(), BM_SETIMAGE, IMAGE_BITMAP, LPARAM(image_.get()));
}

void CShortcutButton::SetTooltip(const std::u16string& name) {
  TTTOOLINFOW tool{};
  tool.cbSize = sizeof tool;
  tool.uFlags = TTF_IDISHWND;
  tool.hwnd = Row();
  tool.uId = UINT_PTR(hwnd());
  tool.lpszText = const_cast<wchar_t*>(AsWide(name.c_str()));
  if (!tooltip_) {
    tooltip_.reset(::CreateWindowExW(0, TOOLTIPS_CLASSW, nullptr, TTS_ALWAYSTIP, CW_USEDEFAULT, CW_USEDEFAULT,
                                     CW_USEDEFAULT, CW_USEDEFAULT, Row(), nullptr, ModuleInstance(), nullptr));
    if (!tooltip_) return;
    ::SendMessageW(tooltip_.get(), TTM_ADDTOOLW, 0, LPARAM(&tool));
  } else {
    ::SendMessageW(tooltip_.get(), TTM_UPDATETIPTEXTW, 0, LPARAM(&tool));
  }
  ::SendMessageW(tooltip_.get(), TTM_ACTIVATE, TRUE, 0);
}

void CShortcutButton::RelayToTooltip(UINT message, WPARAM wParam, LPARAM lParam) {
  if (!tooltip_) return;
  MSG relayed{hwnd(), message, wParam, lParam, 0, {short(LOWORD(lParam)), short(HIWORD(lParam))}};
  ::SendMessageW(tooltip_.get(), TTM_RELAYEVENT, 0, LPARAM(&relayed));
}

void CShortcutButton::DeleteShortcut() { SetShortcut(u"", row_, column_, nullptr); }

void CShortcutButton::AskToForget(const std::u16string& question) {
  if (AskCautionQuestion(hwnd(), question)) DeleteShortcut();
}

void CShortcutButton::OpenShortcut() {
  ::PostMessageW(::GetParent(Row()), gadget_message::kFlyoutOff, 0, 0);
  if (itemText_.empty()) {
    ChooseShortcut();
    return;
  }
  if (IsEncodedItemList(itemText_)) {
    const auto item = ShortcutItem::Of(itemText_);
    if (!item) return;
    const ComInit com;
    PCUITEMID_CHILD selected = reinterpret_cast<PCUITEMID_CHILD>(item->get());
    ::SHOpenFolderAndSelectItems(item->get(), 1, &selected, 0);
    return;
  }
  const intptr_t result =
      host_->Environment().shellFiles->Open(uintptr_t(hwnd()), ShortcutOpenRequest(itemText_, Record()));
  switch (OpenOutcomeOf(result)) {
    case OpenOutcome::Done: return;
    case OpenOutcome::OpenWith: {
      const auto item = ShortcutItem::Of(itemText_);
      const auto menu = item ? MakeItemMenu(Row(), item->get(), CMF_NORMAL) : std::nullopt;
      const UINT first = menu ? ::GetMenuItemID(menu->popup.get(), 0) : 0;
      if (first >= kFirstShellCommand && first <= kLastShellCommand) Invoke(*menu->menu.get(), first);
      return;
    }
    case OpenOutcome::AskToForget: AskToForget(LoadResourceString(IDS_NOT_FOUND_DELETE)); return;
  }
}

void CShortcutButton::ChooseShortcut() {
  const ComInit com;
  const std::u16string title = LoadResourceString(IDS_SELECT_ITEM);
  BROWSEINFOW browse{};
  browse.hwndOwner = hwnd();
  browse.lpszTitle = AsWide(title.c_str());
  browse.ulFlags = BIF_BROWSEINCLUDEFILES | BIF_NOTRANSLATETARGETS | BIF_NEWDIALOGSTYLE;
  std::optional<UniqueItemList> chosen;
  {
    const SubMenuOpenScope open;
    chosen.emplace(::SHBrowseForFolderW(&browse));
  }
  if (!*chosen) return;
  wchar_t path[MAX_PATH + 1] = {};
  ::SHGetPathFromIDListW(chosen->get(), path);
  std::u16string text = AsUtf16(path);
  if (!IsLinkPath(text)) {
    const std::vector<uint8_t> bytes = ItemListBytes(chosen->get());
    const std::optional<std::u16string> encoded = EncodeItemList(bytes.data(), bytes.size());
    if (!encoded) return;  // a list too long to be read back
    text = *encoded;
  }
  SetShortcut(text, row_, column_, nullptr);
}

void CShortcutButton::ShowShortcutMenu(POINT point) {
  if (itemText_.empty()) return;
  ::PostMessageW(::GetParent(Row()), gadget_message::kFlyoutOff, 0, 0);
  const auto item = ShortcutItem::Of(itemText_);
  if (!item) {
    AskToForget(kFileGone);
    return;
  }
  std::optional<ItemMenu> menu = MakeItemMenu(Row(), item->get(), CMF_EXPLORE);
  if (!menu) return;
  // "Change" and "Delete" for every shortcut, the bin's too.
  UniqueMenu settings(::LoadMenuW(ModuleInstance(), MAKEINTRESOURCEW(IDR_MENU_SHORTCUT)));
  if (const HMENU items = ::GetSubMenu(settings.get(), 0)) {
    ::RemoveMenu(settings.get(), 0, MF_BYPOSITION);  // the popup is the shell menu's from here on
    ::AppendMenuW(menu->popup.get(), MF_SEPARATOR, 0, nullptr);
    if (!::AppendMenuW(menu->popup.get(), MF_POPUP, UINT_PTR(items), kSettingsPopup)) ::DestroyMenu(items);
  }
  ::DeleteMenu(menu->popup.get(), kShellMenuItemRemoved, MF_BYCOMMAND);

  UINT chosen = 0;
  {
    const SubMenuOpenScope open;
    ::ClientToScreen(hwnd(), &point);
    const MenuHandlerScope handler(*menus_, Row(), menu->menu2.get());
    chosen = UINT(::TrackPopupMenu(menu->popup.get(), TPM_RETURNCMD | TPM_RIGHTBUTTON, point.x, point.y, 0, Row(),
                                   nullptr));
  }
  if (chosen == 0) return;
  if (chosen == ID_SHORTCUT_CHANGE || chosen == ID_SHORTCUT_DELETE) {
    ::SendMessageW(hwnd(), WM_COMMAND, chosen, 0);
  } else if (Invoke(*menu->menu.get(), chosen) == E_INVALIDARG) {
    ::SendMessageW(Row(), WM_COMMAND, chosen, 0);
  }
}

void CShortcutButton::ShowSettingMenu(POINT point) {
  ::SendMessageW(::GetParent(Row()), gadget_message::kFlyoutOff, 0, 0);
  const SubMenuOpenScope open;
  if (itemText_.empty()) {
    ChooseShortcut();
    return;
  }
  const UniqueMenu settings(::LoadMenuW(ModuleInstance(), MAKEINTRESOURCEW(IDR_MENU_SHORTCUT)));
  const HMENU items = ::GetSubMenu(settings.get(), 0);
  if (!items) return;
  ::ClientToScreen(hwnd(), &point);
  const UINT chosen = UINT(::TrackPopupMenu(items, TPM_RETURNCMD | TPM_RIGHTBUTTON, point.x, point.y, 0, hwnd(), nullptr));
  if (chosen != 0) ::SendMessageW(hwnd(), WM_COMMAND, chosen, 0);
}

void CShortcutButton::OnDropFiles(HDROP drop) {
  // The drag's keys, Shift and the paths belong to this drop: taken now, on this thread.
  const uint32_t keyState = host_->LastDragKeyState();
  const bool shiftDown = (::GetKeyState(VK_SHIFT) & 0x8000) != 0;
  const std::vector<std::u16string> files = DropCopy::TakePaths(drop);
  if (files.empty()) return;
  if (itemText_.empty()) {
    // The first dropped item becomes the shortcut (its tooltip and picture are this
    // thread's windows).
    SetShortcut(files.front(), row_, column_, nullptr);
    return;
  }
  const std::optional<FileOperation> chosen = DropCopy::ChooseOperation(hwnd(), keyState, true);
  if (!chosen) return;

  DropTargetKind kind = DropTargetKind::Missing;
  std::u16string path = itemText_;
  if (IsEncodedItemList(itemText_)) {
    const auto list = DecodeItemList(itemText_);
    if (list && SameItemList(*list, recycleBin_)) kind = DropTargetKind::RecycleBin;
  } else {
    if (IsLinkPath(itemText_)) {
      ShortcutRecord link = EmptyShortcutRecord();
      if (!ResolveLink(hwnd(), itemText_, link)) return;
      if (IsFolder(ShortcutField(link.targetPath))) path = ShortcutField(link.targetPath);
    }
    if (IsFolder(path))
      kind = DropTargetKind::Folder;
    else if (IsFile(path))
      kind = DropTargetKind::File;
  }
  const ShortcutDropPlan plan = PlanShortcutDrop(kind, path, Record(), files, *chosen, shiftDown);
  ShellFiles& shell = *host_->Environment().shellFiles;
  switch (plan.action) {
    case ShortcutDropPlan::Action::Nothing: return;
    case ShortcutDropPlan::Action::Operate: DropCopy::Start(host_->Threads(), shell, hwnd(), plan.operation); return;
    case ShortcutDropPlan::Action::Start: DropCopy::Open(host_->Threads(), shell, hwnd(), plan.start); return;
  }
}

LRESULT CShortcutButton::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  const POINT point{short(LOWORD(lParam)), short(HIWORD(lParam))};
  switch (message) {
    case WM_RBUTTONUP: ShowShortcutMenu(point); return 0;
    case WM_RBUTTONDBLCLK: ShowSettingMenu(point); return 0;
    case WM_RBUTTONDOWN:
      if (!itemText_.empty()) break;
      ChooseShortcut();
      return 0;
    case WM_COMMAND:
      if (LOWORD(wParam) == ID_SHORTCUT_CHANGE) ChooseShortcut();
      if (LOWORD(wParam) == ID_SHORTCUT_DELETE) DeleteShortcut();
      return 0;
    case WM_DROPFILES: OnDropFiles(reinterpret_cast<HDROP>(wParam)); return 0;
    // The shell menu's owner-drawn items are served by the row.
    case WM_DRAWITEM:
    case WM_MEASUREITEM: return 1;
    case WM_INITMENUPOPUP: return 0;
    case WM_MOUSEMOVE:
      RelayToTooltip(message, wParam, lParam);
      ::PostMessageW(Row(), message, wParam, lParam);
      break;
    case kRepaintButton: ::InvalidateRect(hwnd(), nullptr, TRUE); break;
    case WM_DESTROY: tooltip_.reset(); break;
    default: break;
  }
  return DefaultHandler(message, wParam, lParam);
}

}  // namespace tavolen
