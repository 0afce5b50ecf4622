#include "control/core/win/CZendrelCtrl.h"

#include <commctrl.h>
#include <dbt.h>
#include <process.h>

#include <memory>

#include "control/core/win/CZendrelApp.h"
#include "control/core/ControlHook.h"
#include "control/panels/win/DeviceIcon.h"
#include "control/panels/RowPlan.h"
#include "ports/win/Win32Volumes.h"
#include "control/core/FlyOutInfo.h"
#include "framework/Module.h"
#include "ports/win/PrivateProfileSettingsFile.h"
#include "control/core/win/ServiceCheck.h"
#include "control/device/win/ServiceClient.h"
#include "control/core/StandbyTimers.h"
#include "framework/UniqueBstr.h"
#include "framework/UniqueModule.h"
#include "framework/UniqueRegKey.h"
#include "framework/UniqueVariant.h"
#include "framework/Utf16.h"
#include "control/core/ZendrelDispatch.h"
#include "control/core/win/ZendrelIds.h"
#include "control/resources/resource.h"

namespace tavolen {

namespace {

constexpr UINT_PTR kTimerLabels = 1, kTimerDevices = 2, kTimerMedia = 4, kTimerPortable = 5;
constexpr uint32_t kAllClasses = DeviceList::kDisks | DeviceList::kOpticalDrives | DeviceList::kPortableDevices;
constexpr wchar_t kLauncherKey[] = L"Software\\Varnkeld\\Tavolen";
constexpr wchar_t kSidebarFolder[] = L"\\AppData\\Local\\Microsoft\\Windows Sidebar\\Gadgets\\";
// Registry value names are at most this long.
constexpr std::size_t kMaxValueName = 16383;

HHOOK g_hook = nullptr;

UniqueVariant Unsigned(uint32_t value) {
  UniqueVariant v;
  V_VT(v.put()) = VT_UI4;
  V_UI4(v.get()) = value;
  return v;
}

UniqueVariant Boolean(bool value) { return UniqueVariant::FromBool(value); }

std::u16string Bstr(const VARIANT& v) {
  if (V_VT(&v) != VT_BSTR || V_BSTR(&v) == nullptr) return {};
  return std::u16string(AsUtf16(V_BSTR(&v)), ::SysStringLen(V_BSTR(&v)));
}

// Runs a refresh thread's job: the list, the file and the window handle are copies, so
// the thread never reads the control object.
struct RefreshJob {
  bool first;  // thread A: send the rebuild and clear the marks; thread B: post and prune
  HWND window;
  DeviceList* devices;
  DeviceOpener* opener;
  std::u16string powerSavePath;
  ModuleReference hold;
};

unsigned __stdcall RefreshThreadMain(void* parameter) {
  std::unique_ptr<RefreshJob> job(static_cast<RefreshJob*>(parameter));
  job->devices->Refresh(kAllClasses);
  PrivateProfileSettingsFile powerSave(job->powerSavePath);
  const auto snapshot = job->devices->Snapshot();
  if (job->first) {
    // Sent, so the rows exist when the timers go out.
    ::SendMessageW(job->window, gadget_message::kRebuild, 0, 0);
    ClearSentMarks(powerSave);
  } else {
    ::PostMessageW(job->window, gadget_message::kRebuild, 0, 0);
    PruneSentMarks(snapshot->disks, powerSave);
  }
  ApplyStandbyTimers(snapshot->disks, powerSave, *job->opener, false);
  if (!job->first) ::PostMessageW(job->window, 0x8014, 0, 0);
  return 0;
}

LRESULT CALLBACK CallWndHook(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HC_ACTION && lParam != 0) {
    const auto* call = reinterpret_cast<const CWPSTRUCT*>(lParam);
    // What the hook itself sends to the control window is not looked at again.
    if (call->hwnd != g_hGadgetWnd && g_hGadgetWnd != nullptr) {
      uint32_t deviceType = 0;
      if (call->message == WM_DEVICECHANGE && call->lParam != 0 &&
          (call->wParam == DBT_DEVICEARRIVAL || call->wParam == DBT_DEVICEREMOVECOMPLETE))
        deviceType = reinterpret_cast<const DEV_BROADCAST_HDR*>(call->lParam)->dbch_devicetype;
      const HookAction action = MapHookMessage(call->message, call->wParam, deviceType);
      if (action.kind == HookAction::Kind::SendPowerBroadcast)
        ::SendMessageW(g_hGadgetWnd, WM_POWERBROADCAST, action.wParam, 0);
      else if (action.kind == HookAction::Kind::Post)
        ::PostMessageW(g_hGadgetWnd, action.message, action.wParam, 0);
    }
  }
  return ::CallNextHookEx(g_hook, code, wParam, lParam);
}

// A row template as a plain dialog, for measuring it.
INT_PTR CALLBACK PlainDialog(HWND, UINT message, WPARAM, LPARAM) { return message == WM_INITDIALOG; }

DispatchTable BuildDispatchTable() {
  DispatchTable table;
  for (const DispatchMember& m : ZendrelDispatchTable())
    table.push_back(DispatchEntry{AsWide(m.name), m.dispid, VARTYPE(m.result),
                                  std::vector<VARTYPE>(m.args.begin(), m.args.end())});
  return table;
}

}  // namespace

ControlDescription CZendrelCtrl::Describe() {
  return ControlDescription{zendrel::kControlClsid, zendrel::kLibId,       zendrel::kLibMajor,
                            zendrel::kLibMinor,     zendrel::kDispatchIid, zendrel::kEventsIid,
                            zendrel::kPropertyPageClsid, 0x30191};
}

CZendrelCtrl::CZendrelCtrl() : ActiveXControl(Describe()) {
  SubMenuOpenMessage();
  // The row templates hold a progress bar and a rich edit.
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_PROGRESS_CLASS | ICC_BAR_CLASSES};
  ::InitCommonControlsEx(&controls);
  static UniqueModule richEdit(::LoadLibraryW(L"riched20.dll"));
}

CZendrelCtrl::~CZendrelCtrl() = default;

const DispatchTable& CZendrelCtrl::DispatchMembers() const {
  static const DispatchTable table = BuildDispatchTable();
  return table;
}

HRESULT CZendrelCtrl::CheckCreation() {
  // A control window of this process answers the probe: one control per process.
  if (g_hGadgetWnd != nullptr && ::SendMessageW(g_hGadgetWnd, gadget_message::kProbe, 0, 0) != 0) {
    ::MessageBoxW(g_hGadgetWnd, AsWide(LoadResourceString(IDS_ALREADY_RUNNING).c_str()),
                  AsWide(LoadResourceString(IDS_CAUTION).c_str()), MB_ICONWARNING | MB_TOPMOST);
    return E_FAIL;
  }
  serviceStatus_ = CheckService();
  const HWND launcher = LauncherWindow();
  if (serviceStatus_ == kServiceToInstall) {
    RunServiceInstaller(ControlHwnd());
    if (!IsServiceInstalled()) {
      CZendrelApp::Instance().ShowCautionBox(IDS_INSTALL_FAILED);
      if (launcher) ::PostMessageW(launcher, WM_CLOSE, 0, 0);
      return E_FAIL;
    }
    serviceStatus_ = CheckService();
  }
  if (serviceStatus_ != kServiceDeclined) return S_OK;
  if (launcher) ::PostMessageW(launcher, WM_CLOSE, 0, 0);
  return E_FAIL;
}

HRESULT CZendrelCtrl::Invoke(DISPID id, const std::vector<VARIANT>& args, VARIANT* result) {
  namespace d = zendrel_dispid;
  switch (id) {
    case d::GetDriveLetterCount:
      V_VT(result) = VT_I2;
      V_I2(result) = SHORT(RowTotal());
      return S_OK;
    case d::ShowAllDrive: this->ShowAllDrive(); return S_OK;
    case d::EraseFlyoutSetting: this->EraseFlyoutSetting(); return S_OK;
    case d::NowSetting:
      V_VT(result) = VT_BSTR;
      V_BSTR(result) = ::SysAllocStringLen(AsWide(hiddenDrives_.c_str()), UINT(hiddenDrives_.size()));
      return V_BSTR(result) ? S_OK : E_OUTOFMEMORY;
    case d::GetFocusState:
      V_VT(result) = VT_BOOL;
      V_BOOL(result) = VARIANT_FALSE;
      return S_OK;
    case d::LoadGadgetPath: return this->LoadGadgetPath(Bstr(args[0]));
    case d::ShowRenewInfo: ControlWindow().Post(gadget_message::kUpdate); return S_OK;
    case d::IsSetHideDrives:
      V_VT(result) = VT_BOOL;
      V_BOOL(result) = hiddenDrives_.empty() ? VARIANT_FALSE : VARIANT_TRUE;
      return S_OK;
    case d::GetFlyOutInfo: this->GetFlyOutInfo(); return S_OK;
    case d::SaveDriveCount: this->SaveDriveCount(); return S_OK;  // the count is not used
    case d::AddSetting: this->AddSetting(); return S_OK;
    case d::GetSettingData:
      V_VT(result) = VT_UI1;
      V_UI1(result) = this->GetSettingData(Bstr(args[0]));
      return S_OK;
    case d::SetAdditionalOption:
      this->SetAdditionalOption(V_BOOL(&args[0]) != VARIANT_FALSE, V_BOOL(&args[1]) != VARIANT_FALSE, V_UI1(&args[2]),
                                V_UI1(&args[3]), V_UI1(&args[4]));
      return S_OK;
    case d::SettingOverwrite:
      FireSettingOverwrite(V_UI4(&args[0]), V_BOOL(&args[1]) != VARIANT_FALSE, V_BOOL(&args[2]) != VARIANT_FALSE,
                           V_UI4(&args[3]), V_UI4(&args[4]));
      return S_OK;
    case d::SetSizeInfo: FireSetSizeInfo(V_UI4(&args[0]), V_UI4(&args[1])); return S_OK;
    default: return DISP_E_MEMBERNOTFOUND;
  }
}

// --- automation members ---------------------------------------------------------------

HRESULT CZendrelCtrl::LoadGadgetPath(const std::u16string& path) {
  // The timers and the rows live on the control window, which in-place activation makes.
  if (!ControlHwnd()) return E_UNEXPECTED;
  CZendrelApp& app = CZendrelApp::Instance();
  app.SetGadgetFolder(NormalizeGadgetPath(path));
  PrivateProfileSettingsFile ini(app.IniPath());
  options_ = ReadGadgetOptions(ini);
  hiddenDrives_ = ReadHiddenDrives(ini);
  FireSettingOverwrite(uint32_t(options_.showCount), options_.recycle != 0, options_.watchRemovable != 0,
                       options_.shortcutCount, uint32_t(options_.colorIndex));
  MeasureRow();
  // The rows come with the first refresh thread.
  PrivateProfileSettingsFile powerSave(app.PowerSavePath());
  ClearSentMarks(powerSave);
  // Device I/O on the window thread, as at resume and unload: the list may still be empty.
  ApplyStandbyTimers(app.Devices().Snapshot()->disks, powerSave, *app.Environment().opener, false);
  const ZendrelTimerPeriods& periods = app.Environment().periods;
  if (options_.watchRemovable) ControlWindow().SetTimer(kTimerMedia, periods.mediaPoll);
  WaitForRefreshThread();
  if (!RefreshThreadRunning()) StartRefreshThread(RefreshKind::A);
  ControlWindow().SetTimer(kTimerLabels, periods.labelRefresh);
  InstallHook();
  started_ = true;
  return S_OK;
}

void CZendrelCtrl::AddSetting() {
  PrivateProfileSettingsFile ini(CZendrelApp::Instance().IniPath());
  const GadgetOptions read = ReadGadgetOptions(ini);
  const bool recycleChanged = (read.recycle != 0) != (options_.recycle != 0);
  if (read.recycle != 0 && options_.recycle == 0) {
    SetRecyclePanel(1);
  } else if (read.recycle == 0 && !recyclePanel_.empty()) {
    SetRecyclePanel(0);
  }
  options_.recycle = read.recycle;
  options_.watchRemovable = read.watchRemovable;
  if (read.shortcutCount != options_.shortcutCount) {
    options_.shortcutCount = read.shortcutCount;
    SetShortcutRows(options_.shortcutCount != 0 ? 1 : 0);
    FireEvent(zendrel_event::ChangeSize);
  }
  if (recycleChanged && options_.shortcutCount != 0) SetShortcutRows(2);
  ControlWindow().Post(gadget_message::kRebuild);
}

void CZendrelCtrl::SetAdditionalOption(bool recycle, bool watchRemovable, uint8_t shortcuts, uint8_t showCount,
                                       uint8_t color) {
  PrivateProfileSettingsFile ini(CZendrelApp::Instance().IniPath());
  WriteGadgetOptions(ini, recycle, watchRemovable, shortcuts, showCount, color);
  AddSetting();
}

void CZendrelCtrl::ShowAllDrive() {
  // The hidden drives come back: the refresh without the hidden list.
  RefreshDrives();
  StackDrivePanels();
  if (options_.recycle != 0) SetRecyclePanel(2);
  if (options_.shortcutCount != 0) SetShortcutRows(2);
  FireEvent(zendrel_event::ChangeSize);
  hiddenDrives_.clear();
  PrivateProfileSettingsFile ini(CZendrelApp::Instance().IniPath());
  ForgetHiddenDrives(ini);
}

void CZendrelCtrl::EraseFlyoutSetting() { SharedFlyOutInfo::Instance().Clear(); }

void CZendrelCtrl::GetFlyOutInfo() {
  const FlyOutInfo info = SharedFlyOutInfo::Instance().Get();
  const std::u16string folder = CZendrelApp::Instance().GadgetFolder();
  if (folder.find(AsUtf16(kSidebarFolder)) != std::u16string::npos) {
    std::vector<UniqueVariant> fields;
    for (const std::u16string& field : FlyOutFields(info)) fields.push_back(UniqueVariant::FromString(ToWide(field)));
    FireEvent(zendrel_event::SetFlyOutInfo, fields);
    return;
  }
  // Outside the sidebar the control's own flyout window shows the record; until it
  // exists the launcher is not told of a flyout, so that it never waits for one.
}

void CZendrelCtrl::SaveDriveCount() {
  HKEY opened = nullptr;
  if (::RegOpenKeyExW(HKEY_CURRENT_USER, kLauncherKey, 0, KEY_ALL_ACCESS, &opened) != ERROR_SUCCESS) return;
  UniqueRegKey key(opened);
  const DWORD zero = 0;
  const LONG status = ::RegSetValueExW(key.get(), L"ShowDriveCount", 0, REG_DWORD,
                                       reinterpret_cast<const BYTE*>(&zero), sizeof zero);
  if (status != ERROR_SUCCESS) {
    wchar_t* text = nullptr;
    ::FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                     nullptr, DWORD(status), 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    CZendrelApp::Instance().ShowCautionBox(text ? ToUtf16(text) : std::u16string(u"?"));
    if (text) ::LocalFree(text);
  }
}

uint8_t CZendrelCtrl::GetSettingData(const std::u16string& name) const {
  if (name.empty() || name.size() > kMaxValueName || name.find(u'\0') != std::u16string::npos) return 0;
  HKEY opened = nullptr;
  if (::RegOpenKeyExW(HKEY_CURRENT_USER, kLauncherKey, 0, KEY_READ, &opened) != ERROR_SUCCESS) return 0;
  UniqueRegKey key(opened);
  DWORD value = 0, size = sizeof value, type = 0;
  if (::RegQueryValueExW(key.get(), AsWide(name.c_str()), nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) !=
          ERROR_SUCCESS ||
      size != sizeof value)
    return 0;
  return uint8_t(value & 0xFF);
}

void CZendrelCtrl::FireSettingOverwrite(uint32_t driveCount, bool recycle, bool watchRemovable, uint32_t shortcuts,
                                        uint32_t color) {
  std::vector<UniqueVariant> args;
  args.push_back(Unsigned(driveCount));
  args.push_back(Boolean(recycle));
  args.push_back(Boolean(watchRemovable));
  args.push_back(Unsigned(shortcuts));
  args.push_back(Unsigned(color));
  FireEvent(zendrel_event::SettingOverwrite, args);
}

void CZendrelCtrl::FireSetSizeInfo(uint32_t height, uint32_t width) {
  std::vector<UniqueVariant> args;
  args.push_back(Unsigned(height));
  args.push_back(Unsigned(width));
  FireEvent(zendrel_event::SetSizeInfo, args);
}

// --- window ---------------------------------------------------------------------------

void CZendrelCtrl::OnWindowCreated() { g_hGadgetWnd = ControlHwnd(); }

void CZendrelCtrl::OnPositionChanged(const RECT&) { FireEvent(zendrel_event::ChangeSize); }

LRESULT CZendrelCtrl::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  using namespace gadget_message;
  switch (message) {
    case kVolumeChange: return OnVolumeChange();
    case kDevNodes: return OnDevNodes();
    case kUpdate:
      if (RefreshThreadRunning()) return DefaultMessage(message, wParam, lParam);
      UpdateRows();
      return 0;
    case kHideDrive:
      HideDrive(uint32_t(wParam & 0xFF), lParam == 1);
      FireEvent(zendrel_event::ChangeSize);
      return 0;
    case kFlyoutOn: FireEvent(zendrel_event::FlyOutOn); return 0;
    case kFlyoutOff:
      FireEvent(zendrel_event::FlyOutOff);
      SharedFlyOutInfo::Instance().Clear();
      return 1;
    case kChangeSize: FireEvent(zendrel_event::ChangeSize); return 0;
    case kRepaint: RepaintRows(); return 0;
    case kRebuild: Rebuild(); return 0;
    case kProbe: return 1;
    case kRefreshEnded:
      ControlWindow().SetTimer(kTimerLabels, CZendrelApp::Instance().Environment().periods.labelRefresh);
      return 0;
    case WM_TIMER: OnTimer(wParam); return 0;
    case WM_POWERBROADCAST: OnPowerBroadcast(wParam); return 1;
    case WM_MOUSEMOVE:
      if (HWND parent = ::GetParent(ControlHwnd()))
        if (HWND grandParent = ::GetParent(parent)) ::PostMessageW(grandParent, message, wParam, lParam);
      return DefaultMessage(message, wParam, lParam);
    default: return ActiveXControl::OnMessage(message, wParam, lParam);
  }
}

LRESULT CZendrelCtrl::OnVolumeChange() {
  Window& window = ControlWindow();
  window.KillTimer(kTimerDevices);
  window.KillTimer(kTimerPortable);
  if (!RefreshThreadRunning()) refreshThread_.reset();
  window.SetTimer(kTimerDevices, CZendrelApp::Instance().Environment().periods.deviceRefresh);
  return 1;
}

LRESULT CZendrelCtrl::OnDevNodes() {
  Window& window = ControlWindow();
  window.KillTimer(kTimerPortable);
  if (RefreshThreadRunning()) return 1;
  refreshThread_.reset();
  window.SetTimer(kTimerPortable, CZendrelApp::Instance().Environment().periods.portableCheck);
  return 1;
}

void CZendrelCtrl::OnTimer(UINT_PTR id) {
  Window& window = ControlWindow();
  CZendrelApp& app = CZendrelApp::Instance();
  const ZendrelTimerPeriods& periods = app.Environment().periods;
  switch (id) {
    case kTimerLabels: window.Post(gadget_message::kUpdate); break;
    case kTimerDevices:
      window.KillTimer(kTimerDevices);
      window.KillTimer(kTimerMedia);
      window.KillTimer(kTimerPortable);
      if (RefreshThreadRunning()) {
        window.SetTimer(kTimerDevices, periods.deviceRefresh);
        break;
      }
      // Timer 1 rests while thread B runs; the thread's end starts it again.
      window.KillTimer(kTimerLabels);
      if (!StartRefreshThread(RefreshKind::B)) {
        window.SetTimer(kTimerLabels, periods.labelRefresh);
        window.SetTimer(kTimerDevices, periods.deviceRefresh);
      }
      break;
    case kTimerMedia: PollMedia(); break;
    case kTimerPortable: {
      window.KillTimer(kTimerPortable);
      const ZendrelEnvironment& env = app.Environment();
      DeviceList portable(*env.opener, *env.source, 0, env.portableDevices);
      portable.Refresh(DeviceList::kPortableDevices);
      if (portable.Snapshot()->portableDevices.size() != app.Devices().Snapshot()->portableDevices.size())
        window.SetTimer(kTimerDevices, periods.portableRefresh);
      break;
    }
    default: DefaultMessage(WM_TIMER, id, 0); break;
  }
}

void CZendrelCtrl::OnPowerBroadcast(WPARAM event) {
  CZendrelApp& app = CZendrelApp::Instance();
  PrivateProfileSettingsFile powerSave(app.PowerSavePath());
  if (event == PBT_APMSUSPEND) {
    ClearSentMarks(powerSave);
  } else if (event == PBT_APMRESUMESUSPEND) {
    ApplyStandbyTimers(app.Devices().Snapshot()->disks, powerSave, *app.Environment().opener, false);
  }
}

void CZendrelCtrl::Rebuild() {
  RefreshDrives();
  ApplyHiddenDrives();
  StackDrivePanels();
  if (options_.recycle != 0) {
    SetRecyclePanel(recyclePanel_.empty() ? 1 : 2);
  } else if (!recyclePanel_.empty()) {
    SetRecyclePanel(0);
  }
  SetShortcutRows(options_.shortcutCount != 0 ? 1 : 0);
  ControlWindow().Post(gadget_message::kChangeSize);
}

void CZendrelCtrl::UpdateRows() {
  for (auto& panel : drivePanels_) panel->UpdatePanel();
  ControlWindow().Post(gadget_message::kRepaint);
}

void CZendrelCtrl::RepaintRows() {
  for (auto& panel : drivePanels_) ::InvalidateRect(panel->hwnd(), nullptr, TRUE);
  for (auto& row : recyclePanel_) ::InvalidateRect(row->hwnd(), nullptr, TRUE);
  for (auto& row : shortcutRows_) ::InvalidateRect(row->hwnd(), nullptr, TRUE);
  ::InvalidateRect(ControlHwnd(), nullptr, TRUE);
}

void CZendrelCtrl::RefreshDrives() {
  Win32Volumes volumes;
  const bool watch = options_.watchRemovable != 0;
  std::vector<std::u16string> roots;
  for (const auto& panel : drivePanels_) roots.push_back(panel->DrivePath());
  const DriveRefreshPlan plan = PlanDriveRefresh(SurveyDrives(volumes, watch), roots, watch);

  std::vector<std::unique_ptr<CDriveInfoDlg>> previous = std::move(drivePanels_);
  for (std::size_t index : plan.removed) {
    ::ShowWindow(previous[index]->hwnd(), SW_HIDE);
    previous[index].reset();
  }
  const UINT rowTemplate = CZendrelApp::Instance().DriveTemplate();
  drivePanels_.clear();
  for (const PlannedPanel& planned : plan.panels) {
    std::unique_ptr<CDriveInfoDlg> panel;
    if (planned.kept && planned.previousIndex < previous.size() && previous[planned.previousIndex]) {
      panel = std::move(previous[planned.previousIndex]);
      // A kept panel gets its picture again: the device may have changed behind the letter.
      UniqueIcon icon;
      if (planned.icon == PanelIcon::Disk) icon = GetDeviceIcon(panel->DriveNumber(), false);
      if (planned.icon == PanelIcon::Optical) icon = GetDeviceIcon(panel->DriveNumber(), true);
      panel->ComposeButtonImage(icon.get(), true);
    } else {
      panel = std::make_unique<CDriveInfoDlg>(planned.root);
      if (!panel->CreatePanel(ControlHwnd(), rowTemplate)) continue;
    }
    drivePanels_.push_back(std::move(panel));
  }
  noMedia_ = plan.noMedia;
  for (std::size_t i = 0; i < drivePanels_.size(); ++i) {
    ::ShowWindow(drivePanels_[i]->hwnd(), SW_SHOWNA);
    drivePanels_[i]->SetSlotIndex(uint32_t(i));
    ::PostMessageW(drivePanels_[i]->hwnd(), panel_message::kWatchRemovable, options_.watchRemovable, 0);
  }
  if (plan.startMediaPoll) ControlWindow().SetTimer(kTimerMedia, CZendrelApp::Instance().Environment().periods.mediaPoll);
  rowCount_ = uint32_t(drivePanels_.size());
}

void CZendrelCtrl::ApplyHiddenDrives() {
  PrivateProfileSettingsFile ini(CZendrelApp::Instance().IniPath());
  hiddenDrives_ = BoundHiddenDrives(ReadHiddenDrives(ini));
  std::vector<std::u16string> roots;
  for (const auto& panel : drivePanels_) roots.push_back(panel->DrivePath());
  const std::vector<std::size_t> hidden = HiddenPanels(hiddenDrives_, roots);
  for (std::size_t index : hidden) {
    ::ShowWindow(drivePanels_[index]->hwnd(), SW_HIDE);
    drivePanels_.erase(drivePanels_.begin() + std::ptrdiff_t(index));
  }
  if (!hidden.empty()) RenumberPanels();
  rowCount_ = uint32_t(drivePanels_.size());
}

void CZendrelCtrl::RenumberPanels() {
  for (std::size_t i = 0; i < drivePanels_.size(); ++i) drivePanels_[i]->SetSlotIndex(uint32_t(i));
}

void CZendrelCtrl::StackDrivePanels() {
  if (drivePanels_.empty()) return;
  RECT first{};
  ::GetWindowRect(drivePanels_.front()->hwnd(), &first);
  const RowSize size{first.right - first.left, first.bottom - first.top};
  const std::vector<RowPlace> places = StackPanels(drivePanels_.size(), size, 0, RowSize{});
  for (std::size_t i = 0; i < drivePanels_.size() && i < places.size(); ++i)
    ::SetWindowPos(drivePanels_[i]->hwnd(), nullptr, places[i].x, places[i].y, places[i].width, places[i].height,
                   SWP_NOZORDER | SWP_NOACTIVATE);
}

void CZendrelCtrl::SetRecyclePanel(int mode) {
  if (mode == 0) {
    recyclePanel_.clear();
    FireEvent(zendrel_event::ChangeSize);
    return;
  }
  if (mode == 1 && recyclePanel_.empty()) {
    auto row = std::make_unique<PlainRow>();
    if (!row->Create(ControlHwnd(), CZendrelApp::Instance().DriveTemplate())) return;
    recyclePanel_.push_back(std::move(row));
  }
  for (auto& row : recyclePanel_) {
    ::ShowWindow(row->hwnd(), SW_SHOWNA);
    ::SetWindowPos(row->hwnd(), nullptr, 0, RecycleRowTop(rowCount_, g_nRowHeight), 0, 0,
                   SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
}

UINT CZendrelCtrl::ShortcutTemplate() const { return g_bMeiryoFont ? IDD_SHORTCUT_MEIRYO : IDD_SHORTCUT_TAHOMA; }

void CZendrelCtrl::SetShortcutRows(int mode) {
  PrivateProfileSettingsFile ini(CZendrelApp::Instance().IniPath());
  auto forget = [&](std::size_t index) {
    const std::string number = std::to_string(index);
    ini.DeleteSection(settings::kShortcutLine + std::u16string(number.begin(), number.end()));
  };
  if (mode == 0) {
    for (std::size_t i = 0; i < shortcutRows_.size(); ++i) forget(i);
    shortcutRows_.clear();
    FireEvent(zendrel_event::ChangeSize);
    return;
  }
  if (mode == 1) {
    while (shortcutRows_.size() > options_.shortcutCount) {
      forget(shortcutRows_.size() - 1);
      shortcutRows_.pop_back();
    }
    while (shortcutRows_.size() < options_.shortcutCount) {
      auto row = std::make_unique<PlainRow>();
      if (!row->Create(ControlHwnd(), ShortcutTemplate())) break;
      if (g_bPreVista) {
        const LONG_PTR style = ::GetWindowLongPtrW(row->hwnd(), GWL_EXSTYLE);
        ::SetWindowLongPtrW(row->hwnd(), GWL_EXSTYLE, style ^ WS_EX_STATICEDGE);
      }
      ::ShowWindow(row->hwnd(), SW_SHOWNA);
      shortcutRows_.push_back(std::move(row));
    }
  }
  for (std::size_t k = 0; k < shortcutRows_.size(); ++k)
    ::SetWindowPos(shortcutRows_[k]->hwnd(), nullptr, 0,
                   ShortcutRowTop(uint32_t(k), rowCount_, !recyclePanel_.empty(), g_nRowHeight), 0, 0,
                   SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void CZendrelCtrl::HideDrive(uint32_t index, bool noMedium) {
  if (index >= drivePanels_.size()) return;  // a message from a panel that is gone
  const std::u16string root = drivePanels_[index]->DrivePath();
  if (noMedium) {
    noMedia_.push_back(root);
  } else {
    hiddenDrives_ = WithHiddenDrive(hiddenDrives_, root);
    PrivateProfileSettingsFile ini(CZendrelApp::Instance().IniPath());
    WriteHiddenDrives(ini, hiddenDrives_);
  }
  ::ShowWindow(drivePanels_[index]->hwnd(), SW_HIDE);
  drivePanels_.erase(drivePanels_.begin() + std::ptrdiff_t(index));
  RenumberPanels();
  rowCount_ = uint32_t(drivePanels_.size());
  StackDrivePanels();
  if (!recyclePanel_.empty()) SetRecyclePanel(2);
  SetShortcutRows(2);
}

void CZendrelCtrl::PollMedia() {
  Win32Volumes volumes;
  switch (PollNoMediaDrives(noMedia_, volumes)) {
    case MediaPoll::Stop: ControlWindow().KillTimer(kTimerMedia); break;
    case MediaPoll::Rebuild:
      ControlWindow().KillTimer(kTimerMedia);
      ControlWindow().Post(gadget_message::kRebuild);
      break;
    case MediaPoll::PollAgain: break;  // the timer keeps its period
  }
}

void CZendrelCtrl::MeasureRow() {
  // A drive row made from its template, measured and thrown away.
  HWND row = ::CreateDialogParamW(ModuleInstance(), MAKEINTRESOURCEW(CZendrelApp::Instance().DriveTemplate()),
                                  ControlHwnd(), &PlainDialog, 0);
  if (!row) return;
  RECT rect{};
  ::GetWindowRect(row, &rect);
  ::DestroyWindow(row);
  g_nRowHeight = rect.bottom - rect.top + 1;
  g_nRowWidth = rect.right - rect.left;
  FireSetSizeInfo(uint32_t(g_nRowHeight), uint32_t(g_nRowWidth - 1));
}

uint32_t CZendrelCtrl::RowTotal() const {
  return tavolen::RowTotal(RowCounts{drivePanels_.size(), 0, recyclePanel_.size(), shortcutRows_.size()});
}

// --- refresh threads ------------------------------------------------------------------

bool CZendrelCtrl::RefreshThreadRunning() const {
  DWORD code = 0;
  return refreshThread_ && ::GetExitCodeThread(refreshThread_.get(), &code) && code == STILL_ACTIVE;
}

bool CZendrelCtrl::StartRefreshThread(RefreshKind kind) {
  CZendrelApp& app = CZendrelApp::Instance();
  auto job = std::make_unique<RefreshJob>(RefreshJob{kind == RefreshKind::A, ControlHwnd(), &app.Devices(),
                                                     app.Environment().opener, app.PowerSavePath(), ModuleReference()});
  const uintptr_t thread = ::_beginthreadex(nullptr, 0, &RefreshThreadMain, job.get(), 0, nullptr);
  if (thread == 0) {
    ::OutputDebugStringW(L"Create Thread Failed\n");
    return false;
  }
  job.release();  // the thread owns its job now
  refreshThread_.reset(reinterpret_cast<HANDLE>(thread));
  return true;
}

void CZendrelCtrl::WaitForRefreshThread() {
  while (RefreshThreadRunning()) {
    // A handle of our own: a nested call may close the member's while we wait.
    HANDLE own = nullptr;
    if (!::DuplicateHandle(::GetCurrentProcess(), refreshThread_.get(), ::GetCurrentProcess(), &own, SYNCHRONIZE,
                           FALSE, 0))
      break;
    UniqueHandle waited(own);
    while (::MsgWaitForMultipleObjects(1, &own, FALSE, INFINITE, QS_ALLINPUT) == WAIT_OBJECT_0 + 1) {
      MSG msg;
      while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
      }
    }
  }
  refreshThread_.reset();
}

// --- hook and lifetime ----------------------------------------------------------------

void CZendrelCtrl::InstallHook() {
  if (g_hook == nullptr) g_hook = ::SetWindowsHookExW(WH_CALLWNDPROC, &CallWndHook, nullptr, ::GetCurrentThreadId());
}

void CZendrelCtrl::RemoveHook() {
  if (g_hook != nullptr) ::UnhookWindowsHookEx(g_hook);
  g_hook = nullptr;
}

void CZendrelCtrl::OnFinalRelease() {
  WaitForRefreshThread();
  if (started_) {
    // The disks get their timers switched off before the library can go away.
    CZendrelApp& app = CZendrelApp::Instance();
    PrivateProfileSettingsFile powerSave(app.PowerSavePath());
    ApplyStandbyTimers(app.Devices().Snapshot()->disks, powerSave, *app.Environment().opener, true);
  }
  RemoveHook();
  if (g_hGadgetWnd == ControlHwnd()) g_hGadgetWnd = nullptr;
}

HRESULT CZendrelCtrl::Create(REFIID riid, void** out) { return CreateControlInstance<CZendrelCtrl>(riid, out); }

}  // namespace tavolen
