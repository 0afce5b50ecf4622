#pragma once
// Recycle bins holding what the test says; none when the system could not tell. Any
// thread may use it.
#include <atomic>
#include <mutex>

#include "ports/RecycleBin.h"

namespace tavolen::testing {

class FakeRecycleBin : public RecycleBin {
 public:
  std::optional<uint64_t> TotalSize() override {
    std::lock_guard<std::mutex> lock(mutex_);
    ++queries_;
    return size_;
  }
  void Set(std::optional<uint64_t> size) {
    std::lock_guard<std::mutex> lock(mutex_);
    size_ = size;
  }
  int Queries() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return queries_;
  }

 private:
  mutable std::mutex mutex_;
  std::optional<uint64_t> size_ = 0;
  int queries_ = 0;
};

}  // namespace tavolen::testing
