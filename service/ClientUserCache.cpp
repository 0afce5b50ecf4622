#include "service/ClientUserCache.h"

#include <algorithm>
#include <utility>

namespace tavolen::service {

std::string ClientUserCache::UserOf(uint32_t processId) {
  const std::lock_guard<std::mutex> lock(mutex_);
  ++uses_;
  for (Entry& entry : entries_) {
    if (entry.processId == processId) {
      entry.lastUse = uses_;
      return entry.userSid;
    }
  }
  std::string userSid;
  std::unique_ptr<HeldProcess> process = open_(processId, &userSid);
  if (!process || userSid.empty()) return {};
  if (capacity_ == 0) return userSid;
  if (entries_.size() >= capacity_) {
    auto leaving = std::find_if(entries_.begin(), entries_.end(), [](const Entry& e) { return e.process->Ended(); });
    if (leaving == entries_.end()) {
      leaving = std::min_element(entries_.begin(), entries_.end(),
                                 [](const Entry& a, const Entry& b) { return a.lastUse < b.lastUse; });
    }
    entries_.erase(leaving);
  }
  entries_.push_back({processId, userSid, std::move(process), uses_});
  return userSid;
}

std::size_t ClientUserCache::HeldCount() const {
  const std::lock_guard<std::mutex> lock(mutex_);
  return entries_.size();
}

}  // namespace tavolen::service
