#pragma once
// Logical drives the test makes up: roots in the order the system would give them, each
// with a type, a volume (none: no medium) and a size, or a size measured at each call.
// Any thread may read them.
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "ports/Volumes.h"

namespace tavolen::testing {

class FakeVolumes : public Volumes {
 public:
  struct Drive {
    DriveType type = DriveType::Fixed;
    std::optional<VolumeInformation> information = VolumeInformation{u"", u"NTFS"};
    std::optional<VolumeSpace> space = VolumeSpace{uint64_t(100) << 30, uint64_t(40) << 30};
    std::function<std::optional<VolumeSpace>()> measure;  // when set, in place of `space`
  };

  void Set(const std::u16string& root, Drive drive) {
    std::lock_guard<std::mutex> lock(mutex_);
    drives_[root] = std::move(drive);
  }
  void Clear() {
    std::lock_guard<std::mutex> lock(mutex_);
    drives_.clear();
  }
  void Remove(const std::u16string& root) {
    std::lock_guard<std::mutex> lock(mutex_);
    drives_.erase(root);
  }

  std::vector<std::u16string> DriveRoots() override {
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<std::u16string> roots;
    for (const auto& [root, drive] : drives_) roots.push_back(root);
    return roots;
  }
  DriveType Type(const std::u16string& root) override {
    std::lock_guard<std::mutex> lock(mutex_);
    const auto d = drives_.find(root);
    return d == drives_.end() ? DriveType::NoRootDir : d->second.type;
  }
  std::optional<VolumeInformation> Information(const std::u16string& root) override {
    std::lock_guard<std::mutex> lock(mutex_);
    const auto d = drives_.find(root);
    return d == drives_.end() ? std::nullopt : d->second.information;
  }
  std::optional<VolumeSpace> Space(const std::u16string& root) override {
    std::function<std::optional<VolumeSpace>()> measure;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      const auto d = drives_.find(root);
      if (d == drives_.end()) return std::nullopt;
      if (!d->second.measure) return d->second.space;
      measure = d->second.measure;
    }
    return measure();  // outside the lock: it may take its time
  }

 private:
  std::mutex mutex_;
  std::map<std::u16string, Drive> drives_;  // ordered by root, as the system lists them
};

}  // namespace tavolen::testing
