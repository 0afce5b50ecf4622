#include "control/core/win/RefreshWorker.h"

#include <memory>
#include <optional>

#include "control/core/ControlHook.h"
#include "control/core/StandbyTimers.h"
#include "framework/Module.h"
#include "framework/UniqueHandle.h"

namespace tavolen {

namespace {

constexpr uint32_t kAllClasses = DeviceList::kDisks | DeviceList::kOpticalDrives | DeviceList::kPortableDevices;

struct RefreshJob {
  RefreshWorker::Kind kind;
  HWND window;
  DeviceList* devices;
  DeviceOpener* opener;
  PowerSaveFile* powerSave;
  ModuleReference hold;
};

unsigned RefreshThreadMain(RefreshJob& job) {
  job.devices->Refresh(kAllClasses);
  const auto snapshot = job.devices->Snapshot();
  if (job.kind == RefreshWorker::Kind::First) {
    // Sent, so the rows exist when the timers go out.
    ::SendMessageW(job.window, gadget_message::kRebuild, 0, 0);
    RunStandbyStep(StandbyStep::Start, snapshot->disks, *job.powerSave, *job.opener);
  } else {
    ::PostMessageW(job.window, gadget_message::kRebuild, 0, 0);
    RunStandbyStep(StandbyStep::AfterRefresh, snapshot->disks, *job.powerSave, *job.opener);
    ::PostMessageW(job.window, RefreshWorker::kRefreshEnded, 0, 0);
  }
  return 0;
}

}  // namespace

bool RefreshWorker::Start(Kind kind, HWND control) {
  auto job = std::make_unique<RefreshJob>(RefreshJob{kind, control, &host_.Devices(), host_.Environment().opener,
                                                     &host_.PowerSave(), ModuleReference()});
  return slot_.Start(host_.Threads(), std::move(job), &RefreshThreadMain);
}

void RefreshWorker::Wait() {
  std::optional<WPARAM> quit;
  while (slot_.Running()) {
    // A handle of our own: a nested call may close the slot's while we wait.
    HANDLE own = nullptr;
    if (!::DuplicateHandle(::GetCurrentProcess(), slot_.Handle(), ::GetCurrentProcess(), &own, SYNCHRONIZE, FALSE, 0))
      break;
    const UniqueHandle waited(own);
    while (::MsgWaitForMultipleObjects(1, &own, FALSE, INFINITE, QS_ALLINPUT) == WAIT_OBJECT_0 + 1) {
      MSG msg;
      while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
          quit = msg.wParam;
          continue;
        }
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
      }
    }
  }
  slot_.ForgetFinished();
  if (quit) ::PostQuitMessage(int(*quit));
}

}  // namespace tavolen
