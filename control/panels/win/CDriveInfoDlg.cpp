#include "control/panels/win/CDriveInfoDlg.h"

#include <commctrl.h>
#include <mmsystem.h>
#include <shellapi.h>
#include <uxtheme.h>

#include <memory>

#include "control/core/ControlHook.h"
#include "control/device/CIoctl.h"
#include "control/device/COptCommand.h"
#include "control/device/SystemDrive.h"
#include "control/device/win/Win32DeviceOpener.h"
#include "control/panels/ArrayStatus.h"
#include "control/panels/DropCopyPlan.h"
#include "control/panels/EjectPlan.h"
#include "control/panels/GadgetMenuPlan.h"
#include "control/panels/PanelDevice.h"
#include "control/panels/PanelTexts.h"
#include "control/panels/TrayDecision.h"
#include "control/panels/win/CEraseFreeSpaceDlg.h"
#include "control/panels/win/CPowerSaveDlg.h"
#include "control/panels/win/DeviceIcon.h"
#include "control/panels/win/DropCopy.h"
#include "control/panels/win/PropertyThread.h"
#include "control/resources/resource.h"
#include "control/widgets/win/LauncherNotice.h"
#include "control/widgets/win/MessageBoxes.h"
#include "framework/Module.h"
#include "framework/ResourceString.h"
#include "framework/Utf16.h"

namespace tavolen {

namespace {

constexpr COLORREF kBackground = RGB(190, 190, 190);
static_assert(kBackground == kRowBackground, "the rows' plain background");
constexpr UINT_PTR kMediaPollTimer = 4;

std::u16string Text(UINT id) { return LoadResourceString(id); }

// The label or size line as the panel writes it.
std::u16string Widen(const std::string& text) { return std::u16string(text.begin(), text.end()); }

// What an eject thread needs, copied from the panel: the panel may be destroyed while
// the thread runs. The ports belong to the module, which the reference keeps loaded; it
// comes first, so that it goes last, after the copies.
struct EjectJob {
  ModuleReference hold;
  HWND panel;
  uint32_t kind;
  uint32_t driveNumber;
  std::shared_ptr<const DeviceSnapshot> devices;
  std::optional<DeviceInfo> portableRecord;  // the portable-device panel's copy
  ConfigManager* configManager;
  Processes* processes;
  Clock* clock;
};

struct TrayJob {
  ModuleReference hold;
  uint32_t driveNumber;
  std::u16string drivePath;
  DeviceOpener* opener;
};

unsigned EjectThreadMain(EjectJob& job) {
  Processes& processes = *job.processes;
  const DeviceInfo* portableRecord = job.portableRecord ? &*job.portableRecord : nullptr;
  const EjectPlan plan = PlanEject(job.kind, job.driveNumber, *job.devices, portableRecord,
                                   [&processes](std::u16string_view name) { return processes.IsRunning(name); });
  switch (plan.action) {
    case EjectAction::Nothing: return 0;
    case EjectAction::SafeRemovalApplet: {
      const ProgramStart applet = SafeRemovalApplet(processes.SystemFolder());
      if (!applet.application.empty()) processes.Start(applet.application, applet.arguments, applet.folder, true);
      return 0;
    }
    case EjectAction::Refuse:
    case EjectAction::RequestEject: break;
  }
  const SubMenuOpenScope open;
  const bool ejected =
      plan.action == EjectAction::RequestEject && EjectDevice(plan.instanceId, *job.configManager, *job.clock);
  if (ejected) {
    ::PostMessageW(job.panel, panel_message::kEjected, 0, 0);
    ShowInfoBox(Text(eject_strings::kRemoved));
  } else {
    ShowCautionBox(plan.failureMessage);
  }
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

unsigned TrayThreadMain(TrayJob& job) {
  TrayAction action;
  {
    COptCommand drive(*job.opener, job.driveNumber);
    action = DecideTrayAction(drive);
  }  // the drive is closed before the door moves
  if (action == TrayAction::Failed || !SetDoor(job.drivePath, action == TrayAction::Open)) {
    ShowCautionBox(IDS_TRAY_FAILED);
    return 1;
  }
  return 0;
}

}  // namespace

CDriveInfoDlg::CDriveInfoDlg(RowHost& host, std::u16string drivePath) : host_(host), drivePath_(std::move(drivePath)) {}

CDriveInfoDlg::~CDriveInfoDlg() {
  // The threads keep their own copies; their handles are closed without waiting.
  Destroy();
}

bool CDriveInfoDlg::CreatePanel(HWND control, UINT templateId) { return Create(control, templateId); }

bool CDriveInfoDlg::OnInitDialog() {
  SetBackground(kBackground);
  button_.Attach(hwnd(), IDC_DRIVE_BUTTON, host_, menuHandler_);
  bar_.Attach(hwnd(), IDC_DRIVE_BAR);
  overlay_.Attach(hwnd(), IDC_DRIVE_OVERLAY, host_);
  dropTarget_ = DropTargetRegistration(hwnd(), host_);

  tooltip_.reset(::CreateWindowExW(0, TOOLTIPS_CLASSW, nullptr, TTS_ALWAYSTIP, CW_USEDEFAULT, CW_USEDEFAULT,
                                   CW_USEDEFAULT, CW_USEDEFAULT, hwnd(), nullptr, ModuleInstance(), nullptr));
  if (tooltip_) {
    TTTOOLINFOW tool{};
    tool.cbSize = sizeof tool;
    tool.uFlags = TTF_IDISHWND;
    tool.hwnd = hwnd();
    tool.uId = UINT_PTR(Item(IDC_DRIVE_BUTTON));
    tool.lpszText = const_cast<wchar_t*>(L"");
    ::SendMessageW(tooltip_.get(), TTM_ADDTOOLW, 0, LPARAM(&tool));
    ::SendMessageW(tooltip_.get(), TTM_SETDELAYTIME, TTDT_AUTOMATIC, 1000);
    ::SendMessageW(tooltip_.get(), TTM_ACTIVATE, TRUE, 0);
  }
  // A themed bar would ignore the bar colour.
  ::SetWindowTheme(Item(IDC_DRIVE_BAR), L" ", L" ");
  UpdatePanel();
  return true;
}

void CDriveInfoDlg::OnDestroy() {
  // OLE holds the drop target until it is revoked, which needs the window.
  dropTarget_.Revoke();
  StopMediaPoll();
  tooltip_.reset();
  menuHandler_.Reset();
}

void CDriveInfoDlg::UpdatePanel() {
  const ZendrelEnvironment& env = host_.Environment();
  DeviceOpener& opener = *env.opener;
  {
    CIoctl volume(opener, u"\\\\.\\" + drivePath_.substr(0, 2));
    StorageDeviceNumber number;
    driveNumber_ = volume.GetDeviceNumber(number) ? number.deviceNumber : kNoDeviceNumber;
  }
  const DriveType type = env.volumes->Type(drivePath_);
  const auto devices = host_.Devices().Snapshot();
  kind_ = PanelKind(type, driveNumber_, *devices);
  const DeviceInfo* record = PanelRecord(type, driveNumber_, *devices);
  bool systemDisk = false;
  if (type == DriveType::Fixed)
    systemDisk = IsSystemDisk(type, driveNumber_, SystemDriveNumber(opener, WindowsDirectory()), record);
  UniqueIcon icon;
  if (type == DriveType::Removable || type == DriveType::Fixed)
    icon = GetDeviceIcon(host_, driveNumber_, false);
  else if (type == DriveType::CdRom)
    icon = GetDeviceIcon(host_, driveNumber_, true);
  ComposeButtonImage(icon.get(), true);

  RefreshLabelAndSize();
  button_.InitButton(driveNumber_ == kNoDeviceNumber ? kButtonNoDriveNumber : driveNumber_, kind_, drivePath_,
                     systemDisk);
  saveFolder_ = button_.SaveFolder();
  SetTooltipText(SaveFolderTooltip(Text(panel_strings::kSaveFolder), saveFolder_));
}

void CDriveInfoDlg::SetTooltipText(const std::u16string& text) {
  if (!tooltip_) return;
  TTTOOLINFOW tool{};
  tool.cbSize = sizeof tool;
  tool.uFlags = TTF_IDISHWND;
  tool.hwnd = hwnd();
  tool.uId = UINT_PTR(Item(IDC_DRIVE_BUTTON));
  tool.lpszText = const_cast<wchar_t*>(AsWide(text.c_str()));
  ::SendMessageW(tooltip_.get(), TTM_UPDATETIPTEXTW, 0, LPARAM(&tool));
}

void CDriveInfoDlg::RefreshLabelAndSize() {
  ::SetDlgItemTextW(hwnd(), IDC_DRIVE_LABEL, AsWide(GetLabelText(drivePath_, true).c_str()));
  ::SetDlgItemTextW(hwnd(), IDC_DRIVE_SIZE, AsWide(GetCapacityText(drivePath_).c_str()));
}

void CDriveInfoDlg::SetDevice(std::u16string drivePath, uint32_t kind) {
  drivePath_ = std::move(drivePath);
  kind_ = kind;
}

void CDriveInfoDlg::ResetBackground() { SetBackground(kBackground); }

std::u16string CDriveInfoDlg::GetLabelText(const std::u16string& path, bool arrayState) {
  Volumes& volumes = *host_.Environment().volumes;
  const auto information = volumes.Information(path);
  const LabelText text = DriveLabelText(information ? std::optional<std::u16string>(information->label) : std::nullopt,
                                        volumes.Type(path));
  std::u16string label = text.stringId != 0 ? Text(text.stringId) : text.label;
  if (!ShowsArrayState(kind_)) {
    SetBackground(kBackground);
  } else if (arrayState) {
    label = ApplyArrayState(std::move(label));
  }
  return label;
}

std::u16string CDriveInfoDlg::ApplyArrayState(std::u16string label) {
  // One or two device commands on the window thread, as every label refresh of these rows.
  const auto devices = host_.Devices().Snapshot();
  const DeviceInfo* found = FindByDriveNumber(devices->disks, driveNumber_);
  DeviceInfo disk = found ? *found : ZeroDeviceInfo();
  disk.kind = kind_;
  disk.driveNumber = driveNumber_;
  const std::optional<ArrayStatusBlock> block = ReadArrayStatus(*host_.Environment().opener, disk);
  const std::optional<ArrayRowState> state = ArrayRowStateOf(block.value_or(ArrayStatusBlock{}));
  if (!state) return label;
  SetBackground(COLORREF(state->background));
  if (state->label) label = Text(state->label->stringId) + state->label->text;
  return label;
}

void CDriveInfoDlg::SetBackground(COLORREF colour) {
  if (background_ && colour == backgroundColour_) return;
  background_.reset(::CreateSolidBrush(colour));
  backgroundColour_ = colour;
  if (hwnd()) ::InvalidateRect(hwnd(), nullptr, TRUE);
}

void CDriveInfoDlg::RequestDetails() {
  const bool ctrlDown = (::GetKeyState(VK_CONTROL) & 0x8000) != 0;
  StartPropertyThread(propertyThread_, host_, ::GetParent(hwnd()),
                      DetailsRequest{drivePath_, driveNumber_, kind_, ctrlDown,
                                     host_.Environment().uiLanguage->UserDefaultUiLanguage()});
}

std::u16string CDriveInfoDlg::GetCapacityText(const std::u16string& path) {
  const CapacityLine line = DriveCapacityLine(host_.Environment().volumes->Space(path));
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
  UniqueBitmap image;
  UniqueDc dc;
  {
    const WindowDc windowDc(button);
    image.reset(::CreateCompatibleBitmap(windowDc.get(), width, height));
    dc.reset(::CreateCompatibleDC(windowDc.get()));
  }
  if (!image || !dc) return;
  {
    const SelectedObject drawing(dc.get(), image.get());
    const UniqueBrush fill(::CreateSolidBrush(kBackground));
    ::FillRect(dc.get(), &client, fill.get());

    UniqueIcon shellIcon;
    HICON icon = deviceIcon;
    if (!icon) {
      shellIcon = ShellIconOf(drivePath_, Text(panel_strings::kRecycleBin));
      icon = shellIcon.get();
    }
    DrawCentredIcon(dc.get(), icon, width, height);
    const auto letter = overlay ? DriveLetterBitmap(drivePath_) : std::nullopt;
    if (letter) {
      const UniqueBitmap letterBitmap(::LoadBitmapW(ModuleInstance(), MAKEINTRESOURCEW(*letter)));
      const UniqueBitmap maskBitmap(::LoadBitmapW(ModuleInstance(), MAKEINTRESOURCEW(kOverlayMaskBitmap)));
      const UniqueDc source(::CreateCompatibleDC(dc.get()));
      if (letterBitmap && maskBitmap && source) {
        BITMAP bits{};
        ::GetObjectW(maskBitmap.get(), sizeof bits, &bits);
        const int x = width - bits.bmWidth - 2, y = height - bits.bmHeight - 2;
        {
          const SelectedObject selected(source.get(), maskBitmap.get());
          ::BitBlt(dc.get(), x, y, bits.bmWidth, bits.bmHeight, source.get(), 0, 0, NOTSRCCOPY);
        }
        const SelectedObject selected(source.get(), letterBitmap.get());
        ::BitBlt(dc.get(), x, y, bits.bmWidth, bits.bmHeight, source.get(), 0, 0, SRCPAINT);
      }
    }
  }  // the image is deselected before the button takes it
  buttonImage_ = std::move(image);
  ::SendMessageW(button, BM_SETIMAGE, IMAGE_BITMAP, LPARAM(buttonImage_.get()));
}

void CDriveInfoDlg::OpenPowerSave() {
  const SubMenuOpenScope open;
  CPowerSaveDlg dialog(driveNumber_, CPowerSaveDlg::TemplateFor(host_.MeiryoFont()), ModulePowerSaveSources(host_));
  dialog.DoModal(hwnd());
}

void CDriveInfoDlg::StartEjectThread() {
  if (ejectThread_.Running()) return;  // one eject at a time
  const ZendrelEnvironment& env = host_.Environment();
  auto job = std::make_unique<EjectJob>(EjectJob{ModuleReference(), hwnd(), kind_, driveNumber_,
                                                          host_.Devices().Snapshot(), EjectRecord(),
                                                          env.configManager, env.processes, env.clock});
  if (!ejectThread_.Start(host_.Threads(), std::move(job), &EjectThreadMain)) ShowCautionBox(IDS_DEVICE_IN_USE);
}

void CDriveInfoDlg::StartTrayThread() {
  if (trayThread_.Running()) return;  // one tray command at a time
  auto job = std::make_unique<TrayJob>(TrayJob{ModuleReference(), driveNumber_, drivePath_, host_.Environment().opener});
  trayThread_.Start(host_.Threads(), std::move(job), &TrayThreadMain);
}

void CDriveInfoDlg::HideRow(bool noMedium) {
  // The drive letter rides along, so the control finds this row even after another hide
  // renumbered the rows.
  ::PostMessageW(::GetParent(hwnd()), gadget_message::kHideDrive, HideDriveWParam(slotIndex_, drivePath_),
                 noMedium ? 1 : 0);
  StopMediaPoll();
}

void CDriveInfoDlg::SwitchMediaPoll(bool watchRemovable) {
  StopMediaPoll();
  if (WatchesMedium(watchRemovable ? 1 : 0, kind_))
    host_.Environment().clock->StartTimer(uintptr_t(hwnd()), kMediaPollTimer, host_.Environment().periods.mediaPoll);
}

void CDriveInfoDlg::StopMediaPoll() { host_.Environment().clock->StopTimer(uintptr_t(hwnd()), kMediaPollTimer); }

void CDriveInfoDlg::OnMediaPoll() {
  Volumes& volumes = *host_.Environment().volumes;
  if (MediumTakenOut(volumes.Type(drivePath_), volumes.Information(drivePath_).has_value())) HideRow(true);
}

void CDriveInfoDlg::OnCommand(UINT id) {
  switch (id) {
    case IDC_DRIVE_BUTTON:
      host_.FlyOut().Clear();
      // Left Ctrl with left Alt (not the right-hand keys) erases the free space.
      if ((::GetKeyState(VK_LCONTROL) & 0x8000) && (::GetKeyState(VK_LMENU) & 0x8000))
        StartErase();
      else
        OpenInExplorer();
      break;
    case ID_OPEN: OpenInExplorer(); break;
    case ID_PROPERTIES: ::SHObjectProperties(hwnd(), SHOP_FILEPATH, AsWide(drivePath_.c_str()), nullptr); break;
    case ID_EJECT_DEVICE: StartEjectThread(); break;
    case ID_TRAY_CONTROL: StartTrayThread(); break;
    case ID_POWER_SAVE: OpenPowerSave(); break;
    case ID_HIDE_DRIVE: HideRow(false); break;
    case ID_NO_FOLDER: OnSaveMethod(SaveMethod::NoFolder); break;
    case ID_DAY_FOLDER: OnSaveMethod(SaveMethod::DayFolder); break;
    case ID_MONTH_FOLDER: OnSaveMethod(SaveMethod::MonthFolder); break;
    case ID_ROOT_DIRECTORY: OnRootDirectory(); break;
    case ID_CUSTOM_FOLDER: OnCustomFolder(); break;
    default: break;
  }
}

// --- erasing free space and drop copy ---------------------------------------------------

std::unique_ptr<SettingsFile> CDriveInfoDlg::Ini() const {
  return host_.Environment().settingsFiles->Open(host_.IniPath());
}

void CDriveInfoDlg::StartErase() { CEraseFreeSpaceDlg::Start(host_, hwnd(), drivePath_, kind_); }

void CDriveInfoDlg::OnDropFiles(HDROP drop) {
  // The drag's keys and the paths belong to this drop: taken now, on this thread.
  const uint32_t keyState = host_.LastDragKeyState();
  const std::vector<std::u16string> files = DropCopy::TakePaths(drop);
  if (files.empty()) return;
  const std::optional<FileOperation> operation = DropCopy::ChooseOperation(hwnd(), keyState, true);
  if (!operation) return;
  const std::u16string folder =
      DropFolder(ReadSaveSettings(*Ini(), drivePath_), drivePath_, host_.Environment().clock->Today());
  DropCopy::Start(host_.Threads(), *host_.Environment().shellFiles, hwnd(), PlanDropCopy(*operation, files, folder));
}

void CDriveInfoDlg::OnSaveMethod(SaveMethod method) { WriteSaveMethod(*Ini(), drivePath_, method); }

void CDriveInfoDlg::OnRootDirectory() {
  // The save folder follows, so the tooltip and a later "Custom" start at the root.
  saveFolder_ = drivePath_;
  SetTooltipText(SaveFolderTooltip(Text(panel_strings::kSaveFolder), saveFolder_));
  WriteSaveAddress(*Ini(), drivePath_, u"");
}

void CDriveInfoDlg::OnCustomFolder() {
  const SubMenuOpenScope open;
  const std::optional<std::u16string> folder =
      DropCopy::ChooseFolder(hwnd(), saveFolder_.empty() ? drivePath_ : saveFolder_);
  if (!folder) return;
  saveFolder_ = folder->empty() ? drivePath_ : *folder;
  SetTooltipText(SaveFolderTooltip(Text(panel_strings::kSaveFolder), saveFolder_));
  WriteSaveAddress(*Ini(), drivePath_, saveFolder_);
}

void CDriveInfoDlg::RelayToTooltip(UINT message, WPARAM wParam, LPARAM lParam) {
  if (!tooltip_) return;
  MSG relayed{Item(IDC_DRIVE_BUTTON), message, wParam, lParam, 0, {short(LOWORD(lParam)), short(HIWORD(lParam))}};
  ::SendMessageW(tooltip_.get(), TTM_RELAYEVENT, 0, LPARAM(&relayed));
}

INT_PTR CDriveInfoDlg::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG: return OnInitDialog();
    case WM_DESTROY: OnDestroy(); return FALSE;
    case WM_COMMAND: OnCommand(LOWORD(wParam)); return TRUE;
    case WM_DROPFILES: OnDropFiles(reinterpret_cast<HDROP>(wParam)); return TRUE;
    case WM_MBUTTONDBLCLK: StartErase(); return FALSE;
    case WM_RBUTTONDOWN:
    case WM_RBUTTONDBLCLK:
      button_.ShowDriveMenu(UINT(wParam), POINT{short(LOWORD(lParam)), short(HIWORD(lParam))});
      host_.FlyOut().Clear();
      return FALSE;
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORBTN: return INT_PTR(background_.get());
    case WM_CTLCOLORSTATIC:
      ::SetBkMode(reinterpret_cast<HDC>(wParam), TRANSPARENT);
      return INT_PTR(::GetStockObject(HOLLOW_BRUSH));
    case WM_TIMER:
      if (wParam == kMediaPollTimer) OnMediaPoll();
      return TRUE;
    case panel_message::kFlyout: RequestDetails(); return TRUE;
    case panel_message::kEjected: StopMediaPoll(); return TRUE;
    case panel_message::kWatchRemovable:
      SwitchMediaPoll(wParam != 0);
      SetResult(1);
      return TRUE;
    case WM_MOUSEMOVE:
      RelayToTooltip(message, wParam, lParam);
      ::PostMessageW(::GetParent(hwnd()), message, wParam, lParam);
      return FALSE;
    case WM_NCHITTEST: ::PostMessageW(::GetParent(hwnd()), message, wParam, lParam); return FALSE;
    default: break;
  }
  const std::optional<LRESULT> served = menuHandler_.Handle(message, wParam, lParam);
  if (served) SetResult(*served);
  return served.has_value();
}

}  // namespace tavolen
