#include "framework/Worker.h"

#include <process.h>

namespace tavolen {

namespace {
class SystemThreadStarter : public ThreadStarter {
 public:
  bool Start(Entry entry, void* argument, UniqueHandle* thread) override {
    const uintptr_t handle = ::_beginthreadex(nullptr, 0, entry, argument, 0, nullptr);
    if (handle == 0) return false;
    UniqueHandle owned(reinterpret_cast<HANDLE>(handle));
    if (thread) *thread = std::move(owned);
    return true;
  }
};
}  // namespace

ThreadStarter& SystemThreads() {
  static SystemThreadStarter threads;
  return threads;
}

void ReportThreadNotStarted() { ::OutputDebugStringW(L"Create Thread Failed\n"); }

bool WorkerSlot::Running() const {
  DWORD code = 0;
  return thread_ && ::GetExitCodeThread(thread_.get(), &code) && code == STILL_ACTIVE;
}

void WorkerSlot::ForgetFinished() {
  if (!Running()) thread_.reset();
}

}  // namespace tavolen
