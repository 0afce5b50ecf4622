#pragma once
// The erases of drives' free space that run in the process. Each erase has its own
// session: its drive, its own cancel flag and the way to close its dialog, shared by the
// dialog's thread and the writer, so that cancelling one erase stops no other and a new
// dialog never touches an older erase. The registry knows every session until the last
// of its holders lets go, so a drive is erased by one erase at a time and the control can
// stop them all before it goes. Any thread may use both.
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace tavolen {

class EraseSession {
 public:
  explicit EraseSession(std::u16string drivePath) : drivePath_(std::move(drivePath)) {}
  EraseSession(const EraseSession&) = delete;
  EraseSession& operator=(const EraseSession&) = delete;

  const std::u16string& DrivePath() const { return drivePath_; }
  // Stops this erase: its writer stops after the block it is writing, and its dialog,
  // while it is up, is told to close.
  void Cancel();
  bool Cancelled() const { return cancelled_.load(); }
  // Set by the dialog while it is up (a post to its window), cleared when it goes.
  void SetDialogCloser(std::function<void()> closer);

 private:
  const std::u16string drivePath_;
  std::atomic<bool> cancelled_{false};
  std::mutex mutex_;
  std::function<void()> closer_;
};

// Must outlive every session it made (the module object owns it).
class EraseRegistry {
 public:
  EraseRegistry() = default;
  EraseRegistry(const EraseRegistry&) = delete;
  EraseRegistry& operator=(const EraseRegistry&) = delete;

  // A new erase of `drivePath`, or none while an erase of that drive runs. It runs until
  // the last copy of the pointer is gone.
  std::shared_ptr<EraseSession> Begin(const std::u16string& drivePath);
  bool Running(const std::u16string& drivePath) const;
  std::size_t Count() const;
  void CancelAll();
  // Waits until no erase runs, at most `bound`; true when none runs.
  bool WaitUntilNoneRuns(std::chrono::milliseconds bound);

 private:
  void Ended(EraseSession* session);

  mutable std::mutex mutex_;
  std::condition_variable ended_;
  std::vector<std::unique_ptr<EraseSession>> running_;
};

}  // namespace tavolen
