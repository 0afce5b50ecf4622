#pragma once
// One way to start a worker thread with its job.
//
// A worker gets a heap job holding copies of everything it reads (never a pointer into a
// window object that may go away) and reports by posting messages. StartWorker hands the
// job to the new thread, which owns it from then on and destroys it when its function
// returns; when no thread can be made the job is destroyed at once, "Create Thread
// Failed\n" goes to the debugger output and the caller gets false. What a second request
// does while one runs is the caller's rule: WorkerSlot only tells whether its thread still
// runs.
#include <windows.h>

#include <memory>

#include "framework/UniqueHandle.h"

namespace tavolen {

// Makes threads. The product's makes real ones; a test can hand in one that refuses.
class ThreadStarter {
 public:
  using Entry = unsigned(__stdcall*)(void*);
  virtual ~ThreadStarter() = default;
  // Starts entry(argument); false when no thread could be made (the argument then still
  // belongs to the caller). The thread's handle goes to *thread when given.
  virtual bool Start(Entry entry, void* argument, UniqueHandle* thread) = 0;
};

// The system's threads (_beginthreadex, so the C runtime is set up for them).
ThreadStarter& SystemThreads();

// Writes "Create Thread Failed\n" to the debugger output.
void ReportThreadNotStarted();

namespace detail {
template <class Job>
struct WorkerPacket {
  std::unique_ptr<Job> job;
  unsigned (*work)(Job&);
  static unsigned __stdcall Run(void* argument) {
    const std::unique_ptr<WorkerPacket> owned(static_cast<WorkerPacket*>(argument));
    return owned->work(*owned->job);
  }
};
}  // namespace detail

template <class Job>
bool StartWorker(ThreadStarter& threads, std::unique_ptr<Job> job, unsigned (*work)(Job&),
                 UniqueHandle* thread = nullptr) {
  using Packet = detail::WorkerPacket<Job>;
  auto packet = std::make_unique<Packet>(Packet{std::move(job), work});
  if (!threads.Start(&Packet::Run, packet.get(), thread)) {
    ReportThreadNotStarted();
    return false;
  }
  packet.release();  // the thread owns it now
  return true;
}

// The handle of at most one worker of a kind (a panel's eject thread, the control's
// refresh thread). Only the window thread that owns the slot uses it.
class WorkerSlot {
 public:
  // The thread has not ended yet (its exit code still reads STILL_ACTIVE).
  bool Running() const;
  // Closes the handle of a thread that has ended; nothing while it runs.
  void ForgetFinished();
  // Starts the job unless a thread still runs (then false, and nothing starts).
  template <class Job>
  bool Start(ThreadStarter& threads, std::unique_ptr<Job> job, unsigned (*work)(Job&)) {
    if (Running()) return false;
    thread_.reset();
    return StartWorker(threads, std::move(job), work, &thread_);
  }
  // For a wait by the owner (the handle stays the slot's).
  HANDLE Handle() const { return thread_.get(); }

 private:
  UniqueHandle thread_;
};

}  // namespace tavolen
