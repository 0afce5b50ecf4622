#include "control/panels/win/CDriveInfoDlg.h"

#include <commctrl.h>
#include <mmsystem.h>
#include <process.h>
#include <shellapi.h>
#include <tlhelp32.h>
#include <uxtheme.h>

#include <memory>

#include "control/device/CIoctl.h"
#include "control/device/COptCommand.h"
#include "control/core/win/CZendrelApp.h"
#include "control/core/ControlHook.h"
#include "control/core/DeviceEjector.h"
#include "control/panels/win/DeviceIcon.h"
#include "control/panels/EjectPlan.h"
#include "control/core/FlyOutInfo.h"
#include "control/panels/GadgetMenuPlan.h"
#include "framework/Module.h"
#include "control/panels/PanelDevice.h"
#include "control/panels/PanelTexts.h"
#include "control/panels/win/PowerSaveEntry.h"
#include "control/device/SystemDrive.h"
#include "control/panels/TrayDecision.h"
#include "framework/Utf16.h"
#include "control/core/win/Win32ConfigManager.h"
#include "control/device/win/Win32DeviceOpener.h"
#include "ports/win/Win32Volumes.h"
#include "control/resources/resource.h"

namespace tavolen {

namespace {

constexpr COLORREF kBackground = RGB(190, 190, 190);
constexpr UINT_PTR kMediaPollTimer = 4;
constexpr UINT kMediaPollPeriod = 5000;

std::u16string Text(UINT id) { return LoadResourceString(id); }

// The label or size line as the panel writes it.
std::u16string Widen(const std::string& text) { return std::u16string(text.begin(), text.end()); }

// What an eject thread needs, copied from the panel: the panel may be destroyed while
// the thread runs.
struct EjectJob {
  HWND panel;
  uint32_t kind;
  uint32_t driveNumber;
  std::shared_ptr<const DeviceSnapshot> devices;
  ModuleReference hold;
};

struct TrayJob {
  uint32_t driveNumber;
  std::u16string drivePath;
  DeviceOpener* opener;
  ModuleReference hold;
};

bool IsProcessRunning(std::u16string_view exeName) {
  UniqueHandle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  if (!snapshot) return false;
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof entry;
  for (BOOL more = ::Process32FirstW(snapshot.get(), &entry); more; more = ::Process32NextW(snapshot.get(), &entry)) {
    if (std::u16string_view(AsUtf16(entry.szExeFile)) == exeName) return true;
  }
  return false;
}

unsigned __stdcall EjectThreadMain(void* parameter) {
  std::unique_ptr<EjectJob> job(static_cast<EjectJob*>(parameter));
  const EjectPlan plan = PlanEject(job->kind, job->driveNumber, *job->devices, nullptr, &IsProcessRunning);
  switch (plan.action) {
    case EjectAction::Nothing: return 0;
    case EjectAction::SafeRemovalApplet: {
      const std::string command(std::begin(kSafeRemovalCommand), std::end(kSafeRemovalCommand) - 1);
      ::WinExec(command.c_str(), SW_HIDE);
      return 0;
    }
    case EjectAction::Refuse:
    case EjectAction::RequestEject: break;
  }
  const HWND launcher = LauncherWindow();
  TellLauncherSubMenuOpen(launcher, true);
  CZendrelApp& app = CZendrelApp::Instance();
  bool ejected = false;
  if (plan.action == EjectAction::RequestEject) {
    Win32ConfigManager manager;
    SystemSleeper sleeper;
    ejected = EjectDevice(plan.instanceId, manager, sleeper);
  }
  if (ejected) {
    ::PostMessageW(job->panel, panel_message::kEjected, 0, 0);
    app.ShowInfoBox(Text(eject_strings::kRemoved));
  } else {
    app.ShowCautionBox(plan.failureMessage);
  }
  TellLauncherSubMenuOpen(launcher, false);
  return 0;
}

// The door command through the multimedia interface's CD audio device.
bool SetDoor(const std::u16string& drivePath, bool open) {
  MCI_OPEN_PARMSW openParameters{};
  openParameters.lpstrDeviceType = L"cdaudio";
  const std::wstring element = ToWide(drivePath);
  openParameters.lpstrElementName = element.c_str();
  if (::mciSendCommandW(0, MCI_OPEN, MCI_OPEN_TYPE | MCI_OPEN_ELEMENT | MCI_WAIT, DWORD_PTR(&openParameters)) != 0)
    return false;
  MCI_SET_PARMS set{};
  const bool ok = ::mciSendCommandW(openParameters.wDeviceID, MCI_SET,
                                    (open ? MCI_SET_DOOR_OPEN : MCI_SET_DOOR_CLOSED) | MCI_WAIT, DWORD_PTR(&set)) == 0;
  MCI_GENERIC_PARMS close{};
  ::mciSendCommandW(openParameters.wDeviceID, MCI_CLOSE, MCI_WAIT, DWORD_PTR(&close));
  return ok;
}

unsigned __stdcall TrayThreadMain(void* parameter) {
  std::unique_ptr<TrayJob> job(static_cast<TrayJob*>(parameter));
  TrayAction action;
  {
    COptCommand drive(*job->opener, job->driveNumber);
    action = DecideTrayAction(drive);
  }  // the drive is closed before the door moves
  if (action == TrayAction::Failed || !SetDoor(job->drivePath, action == TrayAction::Open)) {
    CZendrelApp::Instance().ShowCautionBox(IDS_TRAY_FAILED);
    return 1;
  }
  return 0;
}

}  // namespace

CDriveInfoDlg::CDriveInfoDlg(std::u16string drivePath) : drivePath_(std::move(drivePath)) {}

CDriveInfoDlg::~CDriveInfoDlg() {
  // The threads keep their own copies; their handles are closed without waiting.
  dropTarget_.Revoke();
  Destroy();
}

bool CDriveInfoDlg::CreatePanel(HWND control, UINT templateId) { return Create(control, templateId); }

bool CDriveInfoDlg::OnInitDialog() {
  background_.reset(::CreateSolidBrush(kBackground));
  button_.Attach(hwnd(), IDC_DRIVE_BUTTON);
  bar_.Attach(hwnd(), IDC_DRIVE_BAR);
  overlay_.Attach(hwnd(), IDC_DRIVE_OVERLAY);
  dropTarget_ = DropTargetRegistration(hwnd());

  tooltip_ = ::CreateWindowExW(0, TOOLTIPS_CLASSW, nullptr, TTS_ALWAYSTIP, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                               CW_USEDEFAULT, hwnd(), nullptr, ModuleInstance(), nullptr);
  if (tooltip_) {
    TTTOOLINFOW tool{};
    tool.cbSize = sizeof tool;
    tool.uFlags = TTF_IDISHWND;
    tool.hwnd = hwnd();
    tool.uId = UINT_PTR(Item(IDC_DRIVE_BUTTON));
    tool.lpszText = const_cast<wchar_t*>(L"");
    ::SendMessageW(tooltip_, TTM_ADDTOOLW, 0, LPARAM(&tool));
    ::SendMessageW(tooltip_, TTM_SETDELAYTIME, TTDT_AUTOMATIC, 1000);
    ::SendMessageW(tooltip_, TTM_ACTIVATE, TRUE, 0);
  }
  // A themed bar would ignore the bar colour.
  ::SetWindowTheme(Item(IDC_DRIVE_BAR), L" ", L" ");
  UpdatePanel();
  return true;
}

void CDriveInfoDlg::UpdatePanel() {
  CZendrelApp& app = CZendrelApp::Instance();
  DeviceOpener& opener = *app.Environment().opener;
  {
    CIoctl volume(opener, u"\\\\.\\" + drivePath_.substr(0, 2));
    StorageDeviceNumber number;
    driveNumber_ = volume.GetDeviceNumber(number) ? number.deviceNumber : kNoDeviceNumber;
  }
  Win32Volumes volumes;
  const DriveType type = volumes.Type(drivePath_);
  const auto devices = app.Devices().Snapshot();
  kind_ = PanelKind(type, driveNumber_, *devices);
  const DeviceInfo* record = PanelRecord(type, driveNumber_, *devices);
  bool systemDisk = false;
  if (type == DriveType::Fixed)
    systemDisk = IsSystemDisk(type, driveNumber_, SystemDriveNumber(opener, WindowsDirectory()), record);
  UniqueIcon icon;
  if (type == DriveType::Removable || type == DriveType::Fixed)
    icon = GetDeviceIcon(driveNumber_, false);
  else if (type == DriveType::CdRom)
    icon = GetDeviceIcon(driveNumber_, true);
  ComposeButtonImage(icon.get(), true);

  ::SetDlgItemTextW(hwnd(), IDC_DRIVE_LABEL, AsWide(GetLabelText(drivePath_, true).c_str()));
  ::SetDlgItemTextW(hwnd(), IDC_DRIVE_SIZE, AsWide(GetCapacityText(drivePath_).c_str()));
  button_.InitButton(driveNumber_ == kNoDeviceNumber ? kButtonNoDriveNumber : driveNumber_, kind_, drivePath_,
                     systemDisk);
  saveFolder_ = button_.SaveFolder();
  if (tooltip_) {
    const std::u16string tip = SaveFolderTooltip(Text(panel_strings::kSaveFolder), saveFolder_);
    TTTOOLINFOW tool{};
    tool.cbSize = sizeof tool;
    tool.uFlags = TTF_IDISHWND;
    tool.hwnd = hwnd();
    tool.uId = UINT_PTR(Item(IDC_DRIVE_BUTTON));
    tool.lpszText = const_cast<wchar_t*>(AsWide(tip.c_str()));
    ::SendMessageW(tooltip_, TTM_UPDATETIPTEXTW, 0, LPARAM(&tool));
  }
}

void CDriveInfoDlg::RefreshLabelAndSize() {
  ::SetDlgItemTextW(hwnd(), IDC_DRIVE_LABEL, AsWide(GetLabelText(drivePath_, true).c_str()));
  ::SetDlgItemTextW(hwnd(), IDC_DRIVE_SIZE, AsWide(GetCapacityText(drivePath_).c_str()));
}

std::u16string CDriveInfoDlg::GetLabelText(const std::u16string& path, bool) {
  Win32Volumes volumes;
  const auto information = volumes.Information(path);
  const LabelText text = DriveLabelText(information ? std::optional<std::u16string>(information->label) : std::nullopt,
                                        volumes.Type(path));
  if (!ShowsArrayState(kind_)) background_.reset(::CreateSolidBrush(kBackground));
  return text.stringId != 0 ? Text(text.stringId) : text.label;
}

std::u16string CDriveInfoDlg::GetCapacityText(const std::u16string& path) {
  Win32Volumes volumes;
  const CapacityLine line = DriveCapacityLine(volumes.Space(path));
  bar_.SetCapacity(line.barPosition, COLORREF(kCapacityBarColour));
  return Widen(line.text);
}

void CDriveInfoDlg::OpenInExplorer() {
  ::ShellExecuteW(hwnd(), L"explore", AsWide(drivePath_.c_str()), nullptr, AsWide(drivePath_.c_str()), SW_SHOWNORMAL);
}

void CDriveInfoDlg::ComposeButtonImage(HICON deviceIcon, bool overlay) {
  buttonImage_.reset();
  if (drivePath_.empty()) return;
  const HWND button = Item(IDC_DRIVE_BUTTON);
  RECT client{};
  ::GetClientRect(button, &client);
  const int width = client.right, height = client.bottom;
  HDC windowDc = ::GetDC(button);
  HDC dc = ::CreateCompatibleDC(windowDc);
  UniqueBitmap image(::CreateCompatibleBitmap(windowDc, width, height));
  ::ReleaseDC(button, windowDc);
  HGDIOBJ previous = ::SelectObject(dc, image.get());
  UniqueBrush fill(::CreateSolidBrush(kBackground));
  ::FillRect(dc, &client, fill.get());

  UniqueIcon shellIcon;
  HICON icon = deviceIcon;
  if (!icon) {
    shellIcon = ShellIconOf(drivePath_, Text(panel_strings::kRecycleBin));
    icon = shellIcon.get();
  }
  if (icon) {
    ICONINFO info{};
    if (::GetIconInfo(icon, &info)) {
      UniqueBitmap mask(info.hbmMask), colour(info.hbmColor);
      BITMAP bits{};
      ::GetObjectW(info.hbmMask, sizeof bits, &bits);
      const int iconWidth = bits.bmWidth, iconHeight = info.hbmColor ? bits.bmHeight : bits.bmHeight / 2;
      ::DrawIconEx(dc, (width - iconWidth) / 2, (height - iconHeight) / 2, icon, iconWidth, iconHeight, 0, nullptr,
                   DI_NORMAL);
    }
  }
  if (overlay) {
    if (const auto letter = DriveLetterBitmap(drivePath_)) {
      UniqueBitmap letterBitmap(::LoadBitmapW(ModuleInstance(), MAKEINTRESOURCEW(*letter)));
      UniqueBitmap maskBitmap(::LoadBitmapW(ModuleInstance(), MAKEINTRESOURCEW(kOverlayMaskBitmap)));
      if (letterBitmap && maskBitmap) {
        BITMAP bits{};
        ::GetObjectW(maskBitmap.get(), sizeof bits, &bits);
        const int x = width - bits.bmWidth - 2, y = height - bits.bmHeight - 2;
        HDC source = ::CreateCompatibleDC(dc);
        HGDIOBJ old = ::SelectObject(source, maskBitmap.get());
        ::BitBlt(dc, x, y, bits.bmWidth, bits.bmHeight, source, 0, 0, NOTSRCCOPY);
        ::SelectObject(source, letterBitmap.get());
        ::BitBlt(dc, x, y, bits.bmWidth, bits.bmHeight, source, 0, 0, SRCPAINT);
        ::SelectObject(source, old);
        ::DeleteDC(source);
      }
    }
  }
  ::SelectObject(dc, previous);
  ::DeleteDC(dc);
  buttonImage_ = std::move(image);
  ::SendMessageW(button, BM_SETIMAGE, IMAGE_BITMAP, LPARAM(buttonImage_.get()));
}

void CDriveInfoDlg::OpenPowerSave() {
  const HWND launcher = LauncherWindow();
  TellLauncherSubMenuOpen(launcher, true);
  RunPowerSaveDialog(hwnd(), driveNumber_);
  TellLauncherSubMenuOpen(launcher, false);
}

bool CDriveInfoDlg::Running(const UniqueHandle& thread) {
  DWORD code = 0;
  return thread && ::GetExitCodeThread(thread.get(), &code) && code == STILL_ACTIVE;
}

void CDriveInfoDlg::StartEjectThread() {
  if (Running(ejectThread_)) return;
  ejectThread_.reset();
  auto job = std::make_unique<EjectJob>(
      EjectJob{hwnd(), kind_, driveNumber_, CZendrelApp::Instance().Devices().Snapshot(), ModuleReference()});
  const uintptr_t thread = ::_beginthreadex(nullptr, 0, &EjectThreadMain, job.get(), 0, nullptr);
  if (thread == 0) {
    CZendrelApp::Instance().ShowCautionBox(IDS_DEVICE_IN_USE);
    return;
  }
  job.release();  // the thread owns it
  ejectThread_.reset(reinterpret_cast<HANDLE>(thread));
}

void CDriveInfoDlg::StartTrayThread() {
  if (Running(trayThread_)) return;
  trayThread_.reset();
  auto job = std::make_unique<TrayJob>(
      TrayJob{driveNumber_, drivePath_, CZendrelApp::Instance().Environment().opener, ModuleReference()});
  const uintptr_t thread = ::_beginthreadex(nullptr, 0, &TrayThreadMain, job.get(), 0, nullptr);
  if (thread == 0) {
    ::OutputDebugStringW(L"Create Thread Failed\n");
    return;
  }
  job.release();
  trayThread_.reset(reinterpret_cast<HANDLE>(thread));
}

void CDriveInfoDlg::SwitchMediaPoll(bool watchRemovable) {
  ::KillTimer(hwnd(), kMediaPollTimer);
  if (WatchesMedium(watchRemovable ? 1 : 0, kind_)) ::SetTimer(hwnd(), kMediaPollTimer, kMediaPollPeriod, nullptr);
}

void CDriveInfoDlg::OnMediaPoll() {
  Win32Volumes volumes;
  if (MediumTakenOut(volumes.Type(drivePath_), volumes.Information(drivePath_).has_value())) {
    ::PostMessageW(g_hGadgetWnd, gadget_message::kHideDrive, slotIndex_, 1);
    ::KillTimer(hwnd(), kMediaPollTimer);
  }
}

void CDriveInfoDlg::OnCommand(UINT id) {
  switch (id) {
    case IDC_DRIVE_BUTTON:
      SharedFlyOutInfo::Instance().Clear();
      // Erasing free space (left Ctrl with left Alt) is not offered from here yet.
      if (!((::GetKeyState(VK_LCONTROL) & 0x8000) && (::GetKeyState(VK_LMENU) & 0x8000))) OpenInExplorer();
      break;
    case ID_OPEN: OpenInExplorer(); break;
    case ID_PROPERTIES:
      ::SHObjectProperties(hwnd(), SHOP_FILEPATH, AsWide(drivePath_.c_str()), nullptr);
      break;
    case ID_EJECT_DEVICE: StartEjectThread(); break;
    case ID_TRAY_CONTROL: StartTrayThread(); break;
    case ID_POWER_SAVE: OpenPowerSave(); break;
    case ID_HIDE_DRIVE:
      ::PostMessageW(g_hGadgetWnd, gadget_message::kHideDrive, slotIndex_, 0);
      ::KillTimer(hwnd(), kMediaPollTimer);
      break;
    default: break;  // the drop-copy settings are kept by the drop handler's own dialog
  }
}

void CDriveInfoDlg::RelayToTooltip(UINT message, WPARAM wParam, LPARAM lParam) {
  if (!tooltip_) return;
  MSG relayed{Item(IDC_DRIVE_BUTTON), message, wParam, lParam, 0, {short(LOWORD(lParam)), short(HIWORD(lParam))}};
  ::SendMessageW(tooltip_, TTM_RELAYEVENT, 0, LPARAM(&relayed));
}

INT_PTR CDriveInfoDlg::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG: return OnInitDialog();
    case WM_DESTROY:
      // OLE holds the drop target until it is revoked, which needs the window.
      dropTarget_.Revoke();
      return FALSE;
    case WM_COMMAND: OnCommand(LOWORD(wParam)); return TRUE;
    case WM_DROPFILES: ::DragFinish(reinterpret_cast<HDROP>(wParam)); return TRUE;
    case WM_RBUTTONDOWN:
    case WM_RBUTTONDBLCLK:
      button_.ShowDriveMenu(UINT(wParam), POINT{short(LOWORD(lParam)), short(HIWORD(lParam))});
      SharedFlyOutInfo::Instance().Clear();
      return FALSE;
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORBTN: return INT_PTR(background_.get());
    case WM_CTLCOLORSTATIC:
      ::SetBkMode(reinterpret_cast<HDC>(wParam), TRANSPARENT);
      return INT_PTR(::GetStockObject(HOLLOW_BRUSH));
    case WM_TIMER:
      if (wParam == kMediaPollTimer) OnMediaPoll();
      return TRUE;
    case panel_message::kFlyout: return TRUE;  // the drive information comes with the flyout
    case panel_message::kMenuHandler:
      menuHandler_ = reinterpret_cast<IContextMenu2*>(wParam);
      SetResult(1);
      return TRUE;
    case panel_message::kEjected: ::KillTimer(hwnd(), kMediaPollTimer); return TRUE;
    case panel_message::kWatchRemovable:
      SwitchMediaPoll(wParam != 0);
      SetResult(1);
      return TRUE;
    case WM_DRAWITEM:
    case WM_MEASUREITEM:
    case WM_INITMENUPOPUP:
      if (menuHandler_) menuHandler_->HandleMenuMsg(message, wParam, lParam);
      SetResult(message == WM_INITMENUPOPUP ? 0 : 1);
      return TRUE;
    case WM_MOUSEMOVE:
      RelayToTooltip(message, wParam, lParam);
      ::PostMessageW(::GetParent(hwnd()), message, wParam, lParam);
      return FALSE;
    case WM_NCHITTEST: ::PostMessageW(::GetParent(hwnd()), message, wParam, lParam); return FALSE;
    default: return FALSE;
  }
}

}  // namespace tavolen
