#include "control/widgets/win/CGadgetButton.h"

#include <shlobj.h>
#include <shlwapi.h>

#include <set>
#include <vector>

#include "control/core/win/CZendrelApp.h"
#include "framework/ComPtr.h"
#include "control/core/ControlHook.h"
#include "control/device/DeviceInfo.h"
#include "control/panels/GadgetMenuPlan.h"
#include "control/core/GadgetOptions.h"
#include "framework/Module.h"
#include "control/panels/PanelTexts.h"
#include "ports/win/PrivateProfileSettingsFile.h"
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
}  // namespace

HWND LauncherWindow() { return ::FindWindowW(L"#32770", L"Marvesk"); }

UINT SubMenuOpenMessage() {
  static const UINT message = ::RegisterWindowMessageW(L"IsSubMenuOpen");
  return message;
}

void TellLauncherSubMenuOpen(HWND launcher, bool open) {
  if (launcher) ::PostMessageW(launcher, SubMenuOpenMessage(), open ? 1 : 0, 0);
}

void CGadgetButton::InitButton(uint32_t driveNumber, uint32_t kind, const std::u16string& drivePath, bool systemDisk) {
  kind_ = kind;
  drivePath_ = drivePath;
  menu_.reset(::LoadMenuW(ModuleInstance(), MAKEINTRESOURCEW(IDR_MENU_TOP)));
  ApplySaveSettings(nullptr);
  HMENU items = ::GetSubMenu(menu_.get(), 0);
  if (!items) return;
  const auto snapshot = CZendrelApp::Instance().Devices().Snapshot();
  const std::set<uint32_t> kept = KeptMenuCommands(driveNumber, kind, systemDisk, *snapshot);
  for (UINT id : kGadgetCommands) {
    if (kept.count(id))
      ::EnableMenuItem(items, id, MF_BYCOMMAND | MF_ENABLED);
    else
      ::DeleteMenu(items, id, MF_BYCOMMAND);
  }
}

void CGadgetButton::ApplySaveSettings(HMENU target) {
  PrivateProfileSettingsFile ini(CZendrelApp::Instance().IniPath());
  const SaveSettings settings =
      DecideSaveSettings(ini.Read(settings::kSaveMethod, drivePath_, kSaveSettingCapacity),
                         ini.Read(settings::kSaveAddress, drivePath_, kSaveSettingCapacity), drivePath_);
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
      // A popup keeps its submenu so that its items stay reachable.
      ::InsertMenuW(target, at, MF_BYPOSITION | MF_POPUP | (state & MF_CHECKED), UINT_PTR(sub), text);
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
  ::PostMessageW(g_hGadgetWnd, gadget_message::kFlyoutOff, 0, 0);
  const HWND panel = ::GetParent(hwnd());
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
    ::MessageBoxW(hwnd(), AsWide(LoadResourceString(394).c_str()), AsWide(LoadResourceString(IDS_CAUTION).c_str()),
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

  const HWND launcher = LauncherWindow();
  TellLauncherSubMenuOpen(launcher, true);
  ::ClientToScreen(hwnd(), &point);
  ::SendMessageW(panel, WM_APP + 13, WPARAM(shellMenu2.get()), 0);
  const UINT chosen = UINT(::TrackPopupMenu(popup.get(), TPM_RETURNCMD | TPM_RIGHTBUTTON, point.x, point.y, 0, panel,
                                            nullptr));
  ::SendMessageW(panel, WM_APP + 13, 0, 0);
  if (chosen != 0) {
    CMINVOKECOMMANDINFO invoke{};
    invoke.cbSize = sizeof invoke;
    invoke.lpVerb = MAKEINTRESOURCEA(chosen - kFirstShellCommand);
    invoke.nShow = SW_SHOWNORMAL;
    // The shell refuses the gadget's own ids, which are outside its range.
    if (chosen > kLastShellCommand || shellMenu->InvokeCommand(&invoke) == E_INVALIDARG)
      ::SendMessageW(panel, WM_COMMAND, chosen, 0);
  }
  TellLauncherSubMenuOpen(launcher, false);
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
