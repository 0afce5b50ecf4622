#include "control/core/win/CZendrelCtrl.h"

#include <commctrl.h>

#include <chrono>

#include "control/core/ControlHook.h"
#include "control/core/ControlTimers.h"
#include "control/core/FlyOutInfo.h"
#include "control/core/LauncherValues.h"
#include "control/core/SiteLock.h"
#include "control/core/StandbyTimers.h"
#include "control/core/ZendrelDispatch.h"
#include "control/core/win/ContainerQuery.h"
#include "control/core/win/ServiceCheck.h"
#include "control/core/win/ZendrelIds.h"
#include "control/resources/resource.h"
#include "control/widgets/win/LauncherNotice.h"
#include "control/widgets/win/MessageBoxes.h"
#include "framework/ResourceString.h"
#include "framework/UniqueLocal.h"
#include "framework/UniqueVariant.h"
#include "framework/Utf16.h"

namespace tavolen {

namespace {

namespace timer = control_timer;
// How long the control's end waits for cancelled erases to clean up (a writer stops after
// the block it is writing); the module stays loaded for any that take longer.
constexpr std::chrono::milliseconds kEraseEndWait{5000};
constexpr char16_t kSidebarFolder[] = u"\\AppData\\Local\\Microsoft\\Windows Sidebar\\Gadgets\\";

UniqueVariant Unsigned(uint32_t value) {
  UniqueVariant v;
  V_VT(v.put()) = VT_UI4;
  V_UI4(v.get()) = value;
  return v;
}

std::u16string Bstr(const VARIANT& v) {
  if (V_VT(&v) != VT_BSTR || V_BSTR(&v) == nullptr) return {};
  return std::u16string(AsUtf16(V_BSTR(&v)), ::SysStringLen(V_BSTR(&v)));
}

bool Flag(const VARIANT& v) { return V_BOOL(&v) != VARIANT_FALSE; }

DispatchTable BuildDispatchTable() {
  DispatchTable table;
  for (const DispatchMember& m : ZendrelDispatchTable())
    table.push_back(DispatchEntry{AsWide(m.name), m.dispid, VARTYPE(m.result),
                                  std::vector<VARTYPE>(m.args.begin(), m.args.end())});
  return table;
}

// The system's text for a status code, or the code itself.
std::u16string StatusText(long status) {
  wchar_t* text = nullptr;
  ::FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                   DWORD(status), 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  const UniqueLocal owned(text);
  if (text) return ToUtf16(text);
  const std::string number = std::to_string(status);
  return std::u16string(number.begin(), number.end());
}

}  // namespace

ControlDescription CZendrelCtrl::Describe() {
  return ControlDescription{zendrel::kControlClsid, zendrel::kLibId,       zendrel::kLibMajor,
                            zendrel::kLibMinor,     zendrel::kDispatchIid, zendrel::kEventsIid,
                            zendrel::kPropertyPageClsid, 0x30191};
}

CZendrelCtrl::CZendrelCtrl()
    : ActiveXControl(Describe()),
      app_(CZendrelApp::Instance()),
      rows_(app_, options_, [this] { FireChangeSize(); }),
      refresh_(app_) {
  SubMenuOpenMessage();
  // The row templates hold a progress bar and a rich edit.
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_PROGRESS_CLASS | ICC_BAR_CLASSES};
  ::InitCommonControlsEx(&controls);
  richEdit_.reset(::LoadLibraryW(L"riched20.dll"));
}

CZendrelCtrl::~CZendrelCtrl() = default;

const DispatchTable& CZendrelCtrl::DispatchMembers() const {
  static const DispatchTable table = BuildDispatchTable();
  return table;
}

HRESULT CZendrelCtrl::CheckCreation() {
  // A control window of this process answers the probe: one control per process.
  const HWND running = app_.GadgetWnd();
  if (running != nullptr && ::SendMessageW(running, gadget_message::kProbe, 0, 0) != 0) {
    ::MessageBoxW(running, AsWide(LoadResourceString(IDS_ALREADY_RUNNING).c_str()),
                  AsWide(LoadResourceString(IDS_CAUTION).c_str()), MB_ICONWARNING | MB_TOPMOST);
    return E_FAIL;
  }
  serviceStatus_ = CheckService(app_);
  const HWND launcher = LauncherWindow();
  if (serviceStatus_ == kServiceToInstall) {
    RunServiceInstaller(ControlHwnd());
    if (!IsServiceInstalled(app_)) {
      ShowCautionBox(IDS_INSTALL_FAILED);
      if (launcher) ::PostMessageW(launcher, WM_CLOSE, 0, 0);
      return E_FAIL;
    }
    serviceStatus_ = CheckService(app_);
  }
  if (serviceStatus_ != kServiceDeclined) return S_OK;
  if (launcher) ::PostMessageW(launcher, WM_CLOSE, 0, 0);
  return E_FAIL;
}

void CZendrelCtrl::OnClientSiteChanged() {
  if (ClientSite()) served_ = ServesSite(DescribeContainer(ClientSite()));
}

HRESULT CZendrelCtrl::Invoke(DISPID id, const std::vector<VARIANT>& args, VARIANT* result) {
  namespace d = zendrel_dispid;
  // A page from elsewhere gets nothing: no rows, no settings files, no registry values.
  if (!served_) return E_ACCESSDENIED;
  switch (id) {
    case d::GetDriveLetterCount:
      V_VT(result) = VT_I2;
      V_I2(result) = SHORT(rows_.RowTotal());
      return S_OK;
    case d::ShowAllDrive: ShowAllDrive(); return S_OK;
    case d::EraseFlyoutSetting: EraseFlyoutSetting(); return S_OK;
    case d::NowSetting: {
      const std::u16string& hidden = rows_.HiddenDrives();
      V_VT(result) = VT_BSTR;
      V_BSTR(result) = ::SysAllocStringLen(AsWide(hidden.c_str()), UINT(hidden.size()));
      return V_BSTR(result) ? S_OK : E_OUTOFMEMORY;
    }
    case d::GetFocusState:
      V_VT(result) = VT_BOOL;
      V_BOOL(result) = VARIANT_FALSE;
      return S_OK;
    case d::LoadGadgetPath: return LoadGadgetPath(Bstr(args[0]));
    case d::ShowRenewInfo: ControlWindow().Post(gadget_message::kUpdate); return S_OK;
    case d::IsSetHideDrives:
      V_VT(result) = VT_BOOL;
      V_BOOL(result) = rows_.HiddenDrives().empty() ? VARIANT_FALSE : VARIANT_TRUE;
      return S_OK;
    case d::GetFlyOutInfo: GetFlyOutInfo(); return S_OK;
    case d::SaveDriveCount: SaveDriveCount(); return S_OK;  // the count is not used
    case d::AddSetting: AddSetting(); return S_OK;
    case d::GetSettingData:
      V_VT(result) = VT_UI1;
      V_UI1(result) = ReadSettingByte(*app_.Environment().registry, Bstr(args[0]));
      return S_OK;
    case d::SetAdditionalOption:
      SetAdditionalOption(Flag(args[0]), Flag(args[1]), V_UI1(&args[2]), V_UI1(&args[3]), V_UI1(&args[4]));
      return S_OK;
    case d::SettingOverwrite:
      FireSettingOverwrite(V_UI4(&args[0]), Flag(args[1]), Flag(args[2]), V_UI4(&args[3]), V_UI4(&args[4]));
      return S_OK;
    case d::SetSizeInfo: FireSetSizeInfo(V_UI4(&args[0]), V_UI4(&args[1])); return S_OK;
    default: return DISP_E_MEMBERNOTFOUND;
  }
}

std::unique_ptr<SettingsFile> CZendrelCtrl::Ini() const {
  return app_.Environment().settingsFiles->Open(app_.IniPath());
}

void CZendrelCtrl::StartTimer(uintptr_t id, uint32_t periodMs) {
  if (ControlHwnd()) app_.Environment().clock->StartTimer(uintptr_t(ControlHwnd()), id, periodMs);
}

void CZendrelCtrl::StopTimer(uintptr_t id) {
  if (ControlHwnd()) app_.Environment().clock->StopTimer(uintptr_t(ControlHwnd()), id);
}

// --- automation members ---------------------------------------------------------------

HRESULT CZendrelCtrl::LoadGadgetPath(const std::u16string& path) {
  // The timers and the rows live on the control window, which in-place activation makes.
  if (!ControlHwnd()) return E_UNEXPECTED;
  // Settings files and icons are read from this folder: never another computer's.
  const std::optional<std::u16string> folder = CheckedGadgetFolder(path);
  if (!folder) return E_INVALIDARG;
  app_.SetGadgetFolder(*folder);
  {
    const std::unique_ptr<SettingsFile> ini = Ini();
    options_ = ReadGadgetOptions(*ini);
  }
  FireSettingOverwrite(uint32_t(options_.showCount), options_.recycle != 0, options_.watchRemovable != 0,
                       options_.shortcutCount, uint32_t(options_.colorIndex));
  MeasureRow();
  // Device I/O on the window thread, as at resume and unload: the list may still be empty.
  RunStandbyStep(StandbyStep::Start, app_.Devices().Snapshot()->disks, app_.PowerSave(), *app_.Environment().opener);
  const ZendrelTimerPeriods& periods = app_.Environment().periods;
  if (options_.watchRemovable) StartTimer(timer::kMedia, periods.mediaPoll);
  // The rows come with the first refresh thread.
  refresh_.Wait();
  StartRefresh(RefreshWorker::Kind::First);
  StartTimer(timer::kLabels, periods.labelRefresh);
  if (!hook_) hook_ = HookOwner::Install();
  started_ = true;
  return S_OK;
}

void CZendrelCtrl::StartRefresh(RefreshWorker::Kind kind) {
  if (refresh_.Start(kind, ControlHwnd())) return;
  // No thread could be made: the device timer tries again (as a later refresh), so the
  // rows come as soon as a thread can run.
  StartTimer(timer::kDevices, app_.Environment().periods.deviceRefresh);
}

void CZendrelCtrl::AddSetting() {
  GadgetOptions read;
  {
    const std::unique_ptr<SettingsFile> ini = Ini();
    read = ReadGadgetOptions(*ini);
  }
  const bool recycleChanged = (read.recycle != 0) != (options_.recycle != 0);
  const bool recycleWasOn = options_.recycle != 0;
  options_.recycle = read.recycle;
  if (read.recycle != 0 && !recycleWasOn) {
    rows_.SetRecyclePanel(RowStack::Change::Show);
  } else if (read.recycle == 0 && rows_.HasRecyclePanel()) {
    rows_.SetRecyclePanel(RowStack::Change::Remove);
  }
  options_.watchRemovable = read.watchRemovable;
  if (read.shortcutCount != options_.shortcutCount) {
    options_.shortcutCount = read.shortcutCount;
    rows_.SetShortcutRows(options_.shortcutCount != 0 ? RowStack::Change::Show : RowStack::Change::Remove);
    FireChangeSize();
  }
  if (recycleChanged && options_.shortcutCount != 0) rows_.SetShortcutRows(RowStack::Change::Place);
  ControlWindow().Post(gadget_message::kRebuild);
}

void CZendrelCtrl::SetAdditionalOption(bool recycle, bool watchRemovable, uint8_t shortcuts, uint8_t showCount,
                                       uint8_t color) {
  {
    const std::unique_ptr<SettingsFile> ini = Ini();
    WriteGadgetOptions(*ini, recycle, watchRemovable, shortcuts, showCount, color);
  }
  AddSetting();
}

void CZendrelCtrl::ShowAllDrive() { rows_.ShowAllDrives(); }

void CZendrelCtrl::GetFlyOutInfo() {
  const FlyOutInfo info = app_.FlyOut().Get();
  if (app_.GadgetFolder().find(kSidebarFolder) != std::u16string::npos) {
    // The sidebar's page draws its own flyout. The fields are plain strings, a volume
    // label or a device's identity among them: pages must insert them as text, never as
    // markup.
    std::vector<UniqueVariant> fields;
    for (const std::u16string& field : FlyOutFields(info)) fields.push_back(UniqueVariant::FromString(ToWide(field)));
    FireEvent(zendrel_event::SetFlyOutInfo, fields);
    return;
  }
  if (flyout_ && flyout_->IsOpen()) {
    flyout_->Update(info);  // the window keeps its place
    return;
  }
  if (!ControlHwnd()) return;
  flyout_ = std::make_unique<CFlyoutDlg>(info, app_.GadgetFolder(), app_.HtmlEngine());
  if (!flyout_->Open(ControlHwnd())) flyout_.reset();
}

void CZendrelCtrl::EraseFlyoutSetting() {
  CloseFlyout();
  app_.FlyOut().Clear();
}

void CZendrelCtrl::CloseFlyout() { flyout_.reset(); }

void CZendrelCtrl::SaveDriveCount() {
  const std::optional<long> status = ResetShowDriveCount(*app_.Environment().registry);
  if (status && *status != Registry::kSuccess) ShowCautionBox(StatusText(*status));
}

void CZendrelCtrl::FireSettingOverwrite(uint32_t driveCount, bool recycle, bool watchRemovable, uint32_t shortcuts,
                                        uint32_t color) {
  std::vector<UniqueVariant> args;
  args.push_back(Unsigned(driveCount));
  args.push_back(UniqueVariant::FromBool(recycle));
  args.push_back(UniqueVariant::FromBool(watchRemovable));
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

void CZendrelCtrl::FireChangeSize() { FireEvent(zendrel_event::ChangeSize); }

void CZendrelCtrl::MeasureRow() {
  const RowSize row = rows_.MeasureRow();
  if (row.height == 0) return;
  app_.SetRowSize(row.height + 1, row.width);
  FireSetSizeInfo(uint32_t(app_.RowHeight()), uint32_t(app_.RowWidth() - 1));
}

// --- window ---------------------------------------------------------------------------

void CZendrelCtrl::OnWindowCreated() {
  app_.SetGadgetWnd(ControlHwnd());
  rows_.Attach(ControlHwnd());
  if (!started_) return;
  // Back after an in-place deactivation: the rows and the timers went with the old
  // window; the rows come back with a rebuild, the timers start again.
  const ZendrelTimerPeriods& periods = app_.Environment().periods;
  StartTimer(timer::kLabels, periods.labelRefresh);
  if (options_.watchRemovable) StartTimer(timer::kMedia, periods.mediaPoll);
  ControlWindow().Post(gadget_message::kRebuild);
}

void CZendrelCtrl::OnDestroy() {
  // The flyout is owned by this window and would go with it; it goes first, so the
  // launcher is told.
  CloseFlyout();
  // The rows are child windows: they go with this one, and so do its timers.
  rows_.Attach(nullptr);
  for (uintptr_t id : {timer::kLabels, timer::kDevices, timer::kMedia, timer::kPortable}) StopTimer(id);
  if (app_.GadgetWnd() == ControlHwnd()) app_.SetGadgetWnd(nullptr);
}

void CZendrelCtrl::OnPositionChanged(const RECT&) { FireChangeSize(); }

LRESULT CZendrelCtrl::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  using namespace gadget_message;
  switch (message) {
    case kVolumeChange: return OnVolumeChange();
    case kDevNodes: return OnDevNodes();
    case kUpdate:
      if (refresh_.Running()) return DefaultMessage(message, wParam, lParam);
      OnUpdate();
      return 0;
    case kHideDrive: OnHideDrive(wParam, lParam == 1); return 0;
    case kFlyoutOn: FireEvent(zendrel_event::FlyOutOn); return 0;
    case kFlyoutOff: OnFlyoutOff(); return 1;
    case kChangeSize: FireChangeSize(); return 0;
    case kRepaint: rows_.RepaintRows(); return 0;
    case kRebuild:
      rows_.Rebuild();
      ControlWindow().Post(kChangeSize);
      return 0;
    case kProbe: return 1;
    case RefreshWorker::kRefreshEnded: OnRefreshEnded(); return 0;
    case WM_TIMER: OnTimer(wParam); return 0;
    case WM_POWERBROADCAST: OnPowerBroadcast(wParam); return 1;
    case WM_MOUSEMOVE: OnMouseMove(wParam, lParam); return DefaultMessage(message, wParam, lParam);
    case WM_DESTROY: OnDestroy(); return DefaultMessage(message, wParam, lParam);
    default: return ActiveXControl::OnMessage(message, wParam, lParam);
  }
}

LRESULT CZendrelCtrl::OnVolumeChange() {
  StopTimer(timer::kDevices);
  StopTimer(timer::kPortable);
  refresh_.ForgetFinished();
  StartTimer(timer::kDevices, app_.Environment().periods.deviceRefresh);
  return 1;
}

LRESULT CZendrelCtrl::OnDevNodes() {
  StopTimer(timer::kPortable);
  if (refresh_.Running()) return 1;
  refresh_.ForgetFinished();
  StartTimer(timer::kPortable, app_.Environment().periods.portableCheck);
  return 1;
}

void CZendrelCtrl::OnUpdate() { rows_.UpdateRows(); }

void CZendrelCtrl::OnHideDrive(WPARAM request, bool noMedium) {
  rows_.HideDrive(ReadHideDriveWParam(request), noMedium);
  FireChangeSize();
}

void CZendrelCtrl::OnFlyoutOff() {
  CloseFlyout();
  FireEvent(zendrel_event::FlyOutOff);
  app_.FlyOut().Clear();
}

void CZendrelCtrl::OnRefreshEnded() { StartTimer(timer::kLabels, app_.Environment().periods.labelRefresh); }

void CZendrelCtrl::OnTimer(UINT_PTR id) {
  switch (id) {
    case timer::kLabels: OnLabelTimer(); break;
    case timer::kDevices: OnDeviceTimer(); break;
    case timer::kMedia: OnMediaTimer(); break;
    case timer::kPortable: OnPortableTimer(); break;
    default: DefaultMessage(WM_TIMER, id, 0); break;
  }
}

void CZendrelCtrl::OnLabelTimer() { ControlWindow().Post(gadget_message::kUpdate); }

void CZendrelCtrl::OnDeviceTimer() {
  const ZendrelTimerPeriods& periods = app_.Environment().periods;
  StopTimer(timer::kDevices);
  StopTimer(timer::kMedia);
  StopTimer(timer::kPortable);
  if (refresh_.Running()) {
    StartTimer(timer::kDevices, periods.deviceRefresh);
    return;
  }
  // Timer 1 rests while thread B runs; the thread's end starts it again.
  StopTimer(timer::kLabels);
  if (!refresh_.Start(RefreshWorker::Kind::Later, ControlHwnd())) {
    StartTimer(timer::kLabels, periods.labelRefresh);
    StartTimer(timer::kDevices, periods.deviceRefresh);
  }
}

void CZendrelCtrl::OnMediaTimer() {
  switch (rows_.PollMedia()) {
    case MediaPoll::Stop: StopTimer(timer::kMedia); break;
    case MediaPoll::Rebuild:
      StopTimer(timer::kMedia);
      ControlWindow().Post(gadget_message::kRebuild);
      break;
    case MediaPoll::PollAgain: break;  // the timer keeps its period
  }
}

void CZendrelCtrl::OnPortableTimer() {
  StopTimer(timer::kPortable);
  // Opens the devices on this thread, but reads no capacity and leaves the list alone.
  DeviceList& devices = app_.Devices();
  if (devices.CountPortableDevices() != devices.Snapshot()->portableDevices.size())
    StartTimer(timer::kDevices, app_.Environment().periods.portableRefresh);
}

void CZendrelCtrl::OnPowerBroadcast(WPARAM event) {
  const auto disks = app_.Devices().Snapshot()->disks;
  if (event == kPbtApmSuspend)
    RunStandbyStep(StandbyStep::Suspend, disks, app_.PowerSave(), *app_.Environment().opener);
  else if (event == kPbtApmResumeSuspend)
    RunStandbyStep(StandbyStep::Resume, disks, app_.PowerSave(), *app_.Environment().opener);
}

void CZendrelCtrl::OnMouseMove(WPARAM wParam, LPARAM lParam) {
  if (HWND parent = ::GetParent(ControlHwnd()))
    if (HWND grandParent = ::GetParent(parent)) ::PostMessageW(grandParent, WM_MOUSEMOVE, wParam, lParam);
}

// --- lifetime -------------------------------------------------------------------------

void CZendrelCtrl::OnFinalRelease() {
  // No fill file of an erase outlives the control.
  app_.Erases().CancelAll();
  app_.Erases().WaitUntilNoneRuns(kEraseEndWait);
  refresh_.Wait();
  if (started_) {
    // The disks get their timers switched off before the library can go away.
    RunStandbyStep(StandbyStep::Unload, app_.Devices().Snapshot()->disks, app_.PowerSave(),
                   *app_.Environment().opener);
  }
  CloseFlyout();
  // Only the control that installed the hook removes it.
  hook_.reset();
  if (app_.GadgetWnd() == ControlHwnd() && ControlHwnd()) app_.SetGadgetWnd(nullptr);
}

HRESULT CZendrelCtrl::Create(REFIID riid, void** out) { return CreateControlInstance<CZendrelCtrl>(riid, out); }

}  // namespace tavolen
