#include "control/widgets/win/CGadgetButton.h"

#include <shlobj.h>
#include <shlwapi.h>

#include <set>
#include <vector>

#include "framework/ComPtr.h"
#include "control/core/ControlHook.h"
#include "control/device/DeviceInfo.h"
#include "control/panels/GadgetMenuPlan.h"
#include "control/core/GadgetOptions.h"
#include "framework/Module.h"
#include "control/panels/PanelTexts.h"
#include "control/widgets/win/LauncherNotice.h"
#include "control/widgets/win/PanelMessages.h"
#include "control/widgets/win/ShellMenuHandler.h"
#include "framework/ResourceString.h"
#include "framework/Utf16.h"
#include "control/resources/resource.h"

namespace tavolen {

namespace {
constexpr UINT kFirstShellCommand = 1, kLastShellCommand = 0x7FFF;
constexpr UINT kGadgetCommands[] = {ID_EJECT_DEVICE, ID_TRAY_CONTROL, ID_POWER_SAVE, ID_ERASE_FREE_SPACE};

// An item list from the shell allocator.
struct ItemList {
  ~ItemList() { ::CoTaskMemFree(pidl); }
  PIDLIST_ABSOLUTE pidl = nullptr;
};
// A popup with the same items as `source`, submenus copied as well.
UniqueMenu CopyPopup(HMENU source) {
  UniqueMenu copy(::CreatePopupMenu());
  const int count = ::GetMenuItemCount(source);
  for (int i = 0; copy && i < count; ++i) {
    const UINT state = ::GetMenuState(source, UINT(i), MF_BYPOSITION);
    wchar_t text[256] = {};
    ::GetMenuStringW(source, UINT(i), text, 255, MF_BYPOSITION);
    const UINT flags = MF_BYPOSITION | (state & (MF_CHECKED | MF_GRAYED | MF_DISABLED));
    if (HMENU sub = ::GetSubMenu(source, i)) {
      UniqueMenu subCopy = CopyPopup(sub);
      if (subCopy && ::InsertMenuW(copy.get(), UINT(-1), flags | MF_POPUP, UINT_PTR(subCopy.get()), text))
        subCopy.release();  // the copy owns it now
    } else if (state & MF_SEPARATOR) {
      ::InsertMenuW(copy.get(), UINT(-1), MF_BYPOSITION | MF_SEPARATOR, 0, nullptr);
    } else {
      ::InsertMenuW(copy.get(), UINT(-1), flags | MF_STRING, ::GetMenuItemID(source, i), text);
    }
  }
  return copy;
}

}  // namespace

bool CGadgetButton::Attach(HWND panel, int id, RowHost& host, ShellMenuHandler& menus) {
  host_ = &host;
  menus_ = &menus;
  return SubclassedControl::Attach(panel, id);
}

void CGadgetButton::InitButton(uint32_t driveNumber, uint32_t kind, const std::u16string& drivePath, bool systemDisk) {
  kind_ = kind;
  drivePath_ = drivePath;
  menu_.reset(::LoadMenuW(ModuleInstance(), MAKEINTRESOURCEW(IDR_MENU_TOP)));
  ApplySaveSettings(nullptr);
  HMENU items = ::GetSubMenu(menu_.get(), 0);
  if (!items) return;
  const auto snapshot = host_->Devices().Snapshot();
  const std::set<uint32_t> kept = KeptMenuCommands(driveNumber, kind, systemDisk, *snapshot);
  for (UINT id : kGadgetCommands) {
    if (kept.count(id))
      ::EnableMenuItem(items, id, MF_BYCOMMAND | MF_ENABLED);
    else
      ::DeleteMenu(items, id, MF_BYCOMMAND);
  }
}

void CGadgetButton::ApplySaveSettings(HMENU target) {
  const std::unique_ptr<SettingsFile> ini = host_->Environment().settingsFiles->Open(host_->IniPath());
  const SaveSettings settings =
      DecideSaveSettings(ini->Read(settings::kSaveMethod, drivePath_, kSaveSettingCapacity),
                         ini->Read(settings::kSaveAddress, drivePath_, kSaveSettingCapacity), drivePath_);
  saveFolder_ = settings.saveFolder;
  if (!target) return;
  for (const MenuTick& tick : SaveSettingTicks(settings))
    ::CheckMenuItem(target, tick.id, MF_BYCOMMAND | (tick.checked ? MF_CHECKED : MF_UNCHECKED));
}

void CGadgetButton::MergeMenuItems(HMENU target, HMENU source, int position) {
  const int count = ::GetMenuItemCount(source);
  int inserted = 0;
  for (int i = 0; i < count; ++i) {
    const UINT state = ::GetMenuState(source, UINT(i), MF_BYPOSITION);
    if (state == UINT(-1) || (state & MF_DISABLED) || (state & MF_GRAYED)) continue;
    wchar_t text[256] = {};
    if (::GetMenuStringW(source, UINT(i), text, 255, MF_BYPOSITION) <= 0 || text[0] == L'\0') continue;
    const UINT at = position < 0 ? UINT(-1) : UINT(position + inserted);
    if (HMENU sub = ::GetSubMenu(source, i)) {
      // The target gets its own copy: a submenu inserted as it is would belong to both
      // menus and be destroyed twice.
      UniqueMenu copy = CopyPopup(sub);
      if (!copy || !::InsertMenuW(target, at, MF_BYPOSITION | MF_POPUP | (state & MF_CHECKED), UINT_PTR(copy.get()), text))
        continue;
      copy.release();  // the target owns it now
    } else {
      ::InsertMenuW(target, at, MF_BYPOSITION | MF_STRING | (state & MF_CHECKED), ::GetMenuItemID(source, i), text);
    }
    ++inserted;
  }
  if (inserted > 0 && position >= 0) ::InsertMenuW(target, UINT(position + inserted), MF_BYPOSITION | MF_SEPARATOR, 0, nullptr);
}

void CGadgetButton::ShowDriveMenu(UINT flags, POINT point) {
  (void)flags;
  if (drivePath_.empty()) return;
  const HWND panel = ::GetParent(hwnd());
  // The control (the panel's parent) closes an open flyout.
  ::PostMessageW(::GetParent(panel), gadget_message::kFlyoutOff, 0, 0);
  const std::u16string recycleBin = LoadResourceString(panel_strings::kRecycleBin);

  ComPtr<IShellFolder> desktop;
  ItemList item;
  bool found = SUCCEEDED(::SHGetDesktopFolder(desktop.put()));
  if (found && drivePath_ == recycleBin) {
    found = SUCCEEDED(::SHGetSpecialFolderLocation(nullptr, CSIDL_BITBUCKET, &item.pidl));
  } else if (found) {
    std::wstring path = ToWide(drivePath_);
    found = SUCCEEDED(desktop->ParseDisplayName(nullptr, nullptr, path.data(), nullptr,
                                                reinterpret_cast<PIDLIST_RELATIVE*>(&item.pidl), nullptr));
  }
  if (!found || !item.pidl) {
    ::MessageBoxW(hwnd(), AsWide(LoadResourceString(IDS_FILE_NOT_FOUND).c_str()),
                  AsWide(LoadResourceString(IDS_CAUTION).c_str()),
                  MB_ICONEXCLAMATION | MB_TOPMOST);
    return;
  }
  ComPtr<IShellFolder> parent;
  PCUITEMID_CHILD child = nullptr;
  ComPtr<IContextMenu> shellMenu;
  if (FAILED(::SHBindToParent(item.pidl, IID_IShellFolder, reinterpret_cast<void**>(parent.put()), &child)) ||
      FAILED(parent->GetUIObjectOf(panel, 1, &child, IID_IContextMenu, nullptr,
                                   reinterpret_cast<void**>(shellMenu.put()))))
    return;
  ComPtr<IContextMenu2> shellMenu2;
  shellMenu.As(IID_IContextMenu2, &shellMenu2);
  UniqueMenu popup(::CreatePopupMenu());
  shellMenu->QueryContextMenu(popup.get(), 0, kFirstShellCommand, kLastShellCommand, CMF_EXPLORE);

  UniqueMenu bottom;
  if (drivePath_ != recycleBin) {
    if (HMENU top = ::GetSubMenu(menu_.get(), 0)) MergeMenuItems(popup.get(), top, 0);
    if (kind_ != PortableDevice) {
      bottom.reset(::LoadMenuW(ModuleInstance(), MAKEINTRESOURCEW(IDR_MENU_BOTTOM)));
      ::AppendMenuW(popup.get(), MF_SEPARATOR, 0, nullptr);
      if (HMENU items = ::GetSubMenu(bottom.get(), 0)) MergeMenuItems(popup.get(), items, -1);
    }
  }
  ApplySaveSettings(popup.get());

  const SubMenuOpenScope open;
  ::ClientToScreen(hwnd(), &point);
  UINT chosen = 0;
  {
    const MenuHandlerScope handler(*menus_, panel, shellMenu2.get());
    chosen = UINT(::TrackPopupMenu(popup.get(), TPM_RETURNCMD | TPM_RIGHTBUTTON, point.x, point.y, 0, panel, nullptr));
  }
  if (chosen != 0) {
    CMINVOKECOMMANDINFO invoke{};
    invoke.cbSize = sizeof invoke;
    invoke.lpVerb = MAKEINTRESOURCEA(chosen - kFirstShellCommand);
    invoke.nShow = SW_SHOWNORMAL;
    // The shell refuses the gadget's own ids, which are outside its range.
    if (chosen > kLastShellCommand || shellMenu->InvokeCommand(&invoke) == E_INVALIDARG)
      ::SendMessageW(panel, WM_COMMAND, chosen, 0);
  }
}

LRESULT CGadgetButton::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_MOUSEMOVE: ::SendMessageW(::GetParent(hwnd()), message, wParam, lParam); break;
    case WM_RBUTTONUP: {
      POINT point{short(LOWORD(lParam)), short(HIWORD(lParam))};
      ShowDriveMenu(UINT(wParam), point);
      return 0;
    }
    default: break;
  }
  return DefaultHandler(message, wParam, lParam);
}

}  // namespace tavolen
