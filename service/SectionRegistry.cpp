#include "service/SectionRegistry.h"

#include <utility>
#include <vector>

namespace tavolen::service {

std::unique_ptr<HeldSection> SectionRegistry::EraseLocked(std::map<std::string, Entry>::iterator it) {
  std::unique_ptr<HeldSection> section = std::move(it->second.section);
  heldBytes_ -= it->second.size;
  held_.erase(it);
  return section;
}

SectionRegistry::Created SectionRegistry::Create(const SectionOwner& owner, const std::string& name, uint32_t size) {
  std::vector<std::unique_ptr<HeldSection>> expired;  // closed after the lock is released
  const std::lock_guard<std::mutex> lock(mutex_);
  const uint64_t now = nowMs_();
  for (auto it = held_.begin(); it != held_.end();) {
    if (now - it->second.madeAtMs >= kUnusedSectionMs) {
      expired.push_back(EraseLocked(it++));
    } else {
      ++it;
    }
  }
  if (held_.count(name) != 0) return Created::Failed;
  if (heldBytes_ + size > capacity_) return Created::OverCapacity;
  uint64_t processBytes = size;
  for (const auto& [heldName, entry] : held_) {
    if (entry.processId == owner.processId) processBytes += entry.size;
  }
  if (processBytes > perProcess_) return Created::OverCapacity;
  std::unique_ptr<HeldSection> section = store_.Create(name, size, owner.userSid);
  if (!section) return Created::Failed;
  held_.emplace(name, Entry{owner.processId, size, now, std::move(section)});
  heldBytes_ += size;
  return Created::Yes;
}

SectionRegistry::Found SectionRegistry::TakeForRequest(uint32_t processId, const std::string& name) {
  Found found;
  std::unique_ptr<HeldSection> taken;
  {
    const std::lock_guard<std::mutex> lock(mutex_);
    const auto it = held_.find(name);
    if (it == held_.end() || it->second.processId != processId) return found;
    taken = EraseLocked(it);
  }
  found.held = true;
  found.view = taken->Map();
  return found;
}

void SectionRegistry::Release(uint32_t processId, const std::string& name) {
  std::unique_ptr<HeldSection> released;
  const std::lock_guard<std::mutex> lock(mutex_);
  const auto it = held_.find(name);
  if (it != held_.end() && it->second.processId == processId) released = EraseLocked(it);
}

uint64_t SectionRegistry::HeldBytes() const {
  const std::lock_guard<std::mutex> lock(mutex_);
  return heldBytes_;
}

std::size_t SectionRegistry::HeldCount() const {
  const std::lock_guard<std::mutex> lock(mutex_);
  return held_.size();
}

}  // namespace tavolen::service
