#include "control/panels/EraseSession.h"

#include <algorithm>

namespace tavolen {

void EraseSession::Cancel() {
  cancelled_ = true;
  std::lock_guard<std::mutex> lock(mutex_);
  if (closer_) closer_();
}

void EraseSession::SetDialogCloser(std::function<void()> closer) {
  std::lock_guard<std::mutex> lock(mutex_);
  closer_ = std::move(closer);
}

std::shared_ptr<EraseSession> EraseRegistry::Begin(const std::u16string& drivePath) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (std::any_of(running_.begin(), running_.end(), [&](const auto& session) { return session->DrivePath() == drivePath; }))
    return nullptr;
  running_.push_back(std::make_unique<EraseSession>(drivePath));
  // The holders share the session; the registry keeps it and lets it go with the last.
  return std::shared_ptr<EraseSession>(running_.back().get(), [this](EraseSession* session) { Ended(session); });
}

bool EraseRegistry::Running(const std::u16string& drivePath) const {
  std::lock_guard<std::mutex> lock(mutex_);
  return std::any_of(running_.begin(), running_.end(),
                     [&](const auto& session) { return session->DrivePath() == drivePath; });
}

std::size_t EraseRegistry::Count() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return running_.size();
}

void EraseRegistry::CancelAll() {
  std::lock_guard<std::mutex> lock(mutex_);
  for (const auto& session : running_) session->Cancel();
}

bool EraseRegistry::WaitUntilNoneRuns(std::chrono::milliseconds bound) {
  std::unique_lock<std::mutex> lock(mutex_);
  return ended_.wait_for(lock, bound, [this] { return running_.empty(); });
}

void EraseRegistry::Ended(EraseSession* session) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    running_.erase(std::remove_if(running_.begin(), running_.end(),
                                  [session](const auto& owned) { return owned.get() == session; }),
                   running_.end());
  }
  ended_.notify_all();
}

}  // namespace tavolen
