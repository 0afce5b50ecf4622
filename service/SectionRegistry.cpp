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
  std::unique_ptr<HeldSection> replaced;
  const std::lock_guard<std::mutex> lock(mutex_);
  const auto it = held_.find(name);
  if (it != held_.end()) {
    if (it->second.processId != owner.processId) return Created::Failed;
    replaced = EraseLocked(it);
  }
  if (heldBytes_ + size > capacity_) return Created::OverCapacity;
  // The earlier section of this name must be gone before the store makes it again.
  replaced.reset();
  std::unique_ptr<HeldSection> section = store_.Create(name, size, owner.userSid);
  if (!section) return Created::Failed;
  held_.emplace(name, Entry{owner.processId, size, std::move(section)});
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

void SectionRegistry::ConnectionBegins(uint32_t processId) {
  const std::lock_guard<std::mutex> lock(mutex_);
  ++connections_[processId];
}

void SectionRegistry::ConnectionEnds(uint32_t processId) {
  std::vector<std::unique_ptr<HeldSection>> released;
  const std::lock_guard<std::mutex> lock(mutex_);
  const auto count = connections_.find(processId);
  if (count == connections_.end()) return;
  if (--count->second > 0) return;
  connections_.erase(count);
  for (auto it = held_.begin(); it != held_.end();) {
    if (it->second.processId == processId) {
      released.push_back(EraseLocked(it++));
    } else {
      ++it;
    }
  }
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
