#include "control/panels/win/CEraseFreeSpaceDlg.h"

#include <commctrl.h>

#include "control/panels/EraseProgress.h"
#include "control/panels/EraseWriter.h"
#include "control/resources/resource.h"
#include "framework/Module.h"
#include "framework/ResourceString.h"
#include "framework/Utf16.h"

namespace tavolen {

namespace {

constexpr UINT_PTR kBusyTimer = 2, kProgressTimer = 3;
constexpr uint32_t kBusyPeriodMs = 1000, kProgressPeriodMs = 5000;
// From the writer to the dialog.
constexpr UINT kWriterFinished = WM_APP;
constexpr UINT kWriterFailed = WM_APP + 1;

// The module reference comes first so that it is given back last.
struct EraseDialogJob {
  ModuleReference hold;
  std::shared_ptr<EraseSession> session;
  CEraseFreeSpaceDlg::Ports ports;
  UINT templateId;
};

struct EraseWriterJob {
  ModuleReference hold;
  std::shared_ptr<EraseSession> session;
  CEraseFreeSpaceDlg::Ports ports;
  HWND dialog;
};

unsigned EraseDialogMain(EraseDialogJob& job) {
  CEraseFreeSpaceDlg dialog(job.session, job.ports);
  dialog.DoModal(nullptr, job.templateId);
  return 0;
}

const wchar_t* FaultText(EraseFault fault) {
  switch (fault) {
    case EraseFault::NoVolume: return L"Volume Read Error\n";
    case EraseFault::NoBlock: return L"Block Alloc Error\n";
    case EraseFault::CreateFailed: return L"Handle Open Error\n";
    case EraseFault::WriteFailed: return L"Write Error\n";
    case EraseFault::None: break;
  }
  return nullptr;
}

unsigned EraseWriterMain(EraseWriterJob& job) {
  const EraseResult result =
      RunEraseWriter(*job.session, *job.ports.volumes, *job.ports.files, *job.ports.processes);
  if (const wchar_t* text = FaultText(result.fault)) ::OutputDebugStringW(text);
  // A cancelled erase tells nobody: its dialog is gone.
  if (result.outcome == EraseOutcome::Finished) ::PostMessageW(job.dialog, kWriterFinished, 0, 0);
  if (result.outcome == EraseOutcome::Failed) ::PostMessageW(job.dialog, kWriterFailed, 0, 0);
  return 0;
}

void SetText(HWND dialog, int id, const std::u16string& text) { ::SetDlgItemTextW(dialog, id, AsWide(text.c_str())); }

}  // namespace

bool CEraseFreeSpaceDlg::Start(RowHost& host, HWND row, const std::u16string& drivePath, uint32_t kind) {
  if (!ErasesFreeSpace(kind)) return false;
  // Taken before asking, so that a second gesture meanwhile asks nothing.
  std::shared_ptr<EraseSession> session = host.Erases().Begin(drivePath);
  if (!session) return false;
  const std::u16string caption = LoadResourceString(IDS_INFORMATION);
  if (::MessageBoxW(row, AsWide(erase_text::kConfirm), AsWide(caption.c_str()),
                    MB_YESNO | MB_ICONINFORMATION | MB_TOPMOST) != IDYES)
    return false;
  const ZendrelEnvironment& env = host.Environment();
  const Ports ports{env.volumes, env.unbufferedFiles, env.processes, env.clock, &host.Threads()};
  auto job = std::make_unique<EraseDialogJob>(
      EraseDialogJob{ModuleReference(), std::move(session), ports, TemplateFor(host.MeiryoFont())});
  return StartWorker(host.Threads(), std::move(job), &EraseDialogMain);
}

CEraseFreeSpaceDlg::CEraseFreeSpaceDlg(std::shared_ptr<EraseSession> session, const Ports& ports)
    : session_(std::move(session)), ports_(ports) {}

CEraseFreeSpaceDlg::~CEraseFreeSpaceDlg() { Destroy(); }

UINT CEraseFreeSpaceDlg::TemplateFor(bool meiryoFont) { return meiryoFont ? IDD_ERASE_MEIRYO : IDD_ERASE_TAHOMA; }

bool CEraseFreeSpaceDlg::OnInitDialog() {
  const std::u16string& drivePath = session_->DrivePath();
  ::SetWindowTextW(hwnd(), AsWide((u" " + drivePath).c_str()));
  const std::optional<VolumeSpace> space = ports_.volumes->Space(drivePath);
  initialFreeBytes_ = space ? space->freeBytes : 0;
  startMs_ = ports_.clock->NowMs();
  ports_.clock->StartTimer(uintptr_t(hwnd()), kBusyTimer, kBusyPeriodMs);
  ::SendDlgItemMessageW(hwnd(), IDC_ERASE_PROGRESS, PBM_SETRANGE32, 0, 100);
  ::SendDlgItemMessageW(hwnd(), IDC_ERASE_PROGRESS, PBM_SETPOS, 0, 0);
  ports_.clock->StartTimer(uintptr_t(hwnd()), kProgressTimer, kProgressPeriodMs);

  const HWND self = hwnd();
  session_->SetDialogCloser([self] { ::PostMessageW(self, WM_COMMAND, IDCANCEL, 0); });
  if (session_->Cancelled()) ::PostMessageW(self, WM_COMMAND, IDCANCEL, 0);  // cancelled before it was up
  auto job = std::make_unique<EraseWriterJob>(EraseWriterJob{ModuleReference(), session_, ports_, hwnd()});
  StartWorker(*ports_.threads, std::move(job), &EraseWriterMain);
  return true;
}

void CEraseFreeSpaceDlg::OnTimer(UINT_PTR id) {
  if (id == kBusyTimer) OnBusyTick();
  if (id == kProgressTimer) OnProgressTick();
}

void CEraseFreeSpaceDlg::OnBusyTick() {
  wchar_t status[64] = {};
  ::GetDlgItemTextW(hwnd(), IDC_ERASE_STATUS, status, 64);
  SetText(hwnd(), IDC_ERASE_STATUS, NextEraseStatus(AsUtf16(status)));
}

void CEraseFreeSpaceDlg::OnProgressTick() {
  const std::optional<VolumeSpace> space = ports_.volumes->Space(session_->DrivePath());
  if (!space) return;  // the drive cannot be read just now
  const EraseProgress progress =
      MeasureEraseProgress(initialFreeBytes_, space->freeBytes, ports_.clock->NowMs() - startMs_);
  ::SendDlgItemMessageW(hwnd(), IDC_ERASE_PROGRESS, PBM_SETPOS, progress.position, 0);
  SetText(hwnd(), IDC_ERASE_SPEED, progress.speedText);
  if (!progress.remainingText.empty()) SetText(hwnd(), IDC_ERASE_REMAINING, progress.remainingText);
  if (progress.lastUpdate) ports_.clock->StopTimer(uintptr_t(hwnd()), kProgressTimer);
}

void CEraseFreeSpaceDlg::OnWriterEnded(bool finished) {
  session_->SetDialogCloser(nullptr);
  if (finished) {
    ::MessageBoxW(hwnd(), AsWide(erase_text::kFinished), AsWide(LoadResourceString(IDS_INFORMATION).c_str()),
                  MB_ICONINFORMATION | MB_TOPMOST);
    End(IDOK);
  } else {
    ::MessageBoxW(hwnd(), AsWide(LoadResourceString(IDS_ERASE_FAILED).c_str()),
                  AsWide(LoadResourceString(IDS_CAUTION).c_str()), MB_ICONWARNING | MB_TOPMOST);
    End(IDABORT);
  }
}

void CEraseFreeSpaceDlg::OnCancel() {
  session_->SetDialogCloser(nullptr);
  session_->Cancel();
  End(IDCANCEL);
}

void CEraseFreeSpaceDlg::OnDestroy() {
  session_->SetDialogCloser(nullptr);
  ports_.clock->StopTimer(uintptr_t(hwnd()), kBusyTimer);
  ports_.clock->StopTimer(uintptr_t(hwnd()), kProgressTimer);
}

INT_PTR CEraseFreeSpaceDlg::HandleMessage(UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG: return OnInitDialog();
    case WM_TIMER: OnTimer(wParam); return TRUE;
    case WM_COMMAND:
      if (LOWORD(wParam) == IDCANCEL) OnCancel();
      return TRUE;
    case kWriterFinished: OnWriterEnded(true); return TRUE;
    case kWriterFailed: OnWriterEnded(false); return TRUE;
    case WM_DESTROY: OnDestroy(); return FALSE;
    default: return FALSE;
  }
}

}  // namespace tavolen
