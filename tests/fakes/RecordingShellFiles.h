#pragma once
// The shell's file operations and opens, recorded; each is also handed to `next` (the
// system's, in a Wine test that wants the files really moved) unless it is null. An open
// answers `openResult` when nothing is behind. Any thread may use it.
#include <mutex>
#include <string>
#include <vector>

#include "ports/ShellFiles.h"

namespace tavolen::testing {

class RecordingShellFiles : public ShellFiles {
 public:
  struct Operation {
    uintptr_t owner;
    uint32_t operation;
    std::u16string sources, destination;
    uint32_t flags;
  };
  struct Opened {
    uintptr_t owner;
    ShellOpen open;
  };

  bool Operate(uintptr_t owner, uint32_t operation, const std::u16string& sources, const std::u16string& destination,
               uint32_t flags) override {
    ShellFiles* next;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      operations_.push_back(Operation{owner, operation, sources, destination, flags});
      next = next_;
    }
    return next ? next->Operate(owner, operation, sources, destination, flags) : true;
  }
  intptr_t Open(uintptr_t owner, const ShellOpen& open) override {
    ShellFiles* next;
    intptr_t result;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      opens_.push_back(Opened{owner, open});
      next = next_;
      result = openResult_;
    }
    return next ? next->Open(owner, open) : result;
  }

  // Null: record only.
  void PassTo(ShellFiles* next) {
    std::lock_guard<std::mutex> lock(mutex_);
    next_ = next;
  }
  void SetOpenResult(intptr_t result) {
    std::lock_guard<std::mutex> lock(mutex_);
    openResult_ = result;
  }
  std::vector<Operation> Operations() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return operations_;
  }
  std::vector<Opened> Opens() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return opens_;
  }
  void Clear() {
    std::lock_guard<std::mutex> lock(mutex_);
    operations_.clear();
    opens_.clear();
  }

 private:
  mutable std::mutex mutex_;
  ShellFiles* next_ = nullptr;
  intptr_t openResult_ = 42;
  std::vector<Operation> operations_;
  std::vector<Opened> opens_;
};

}  // namespace tavolen::testing
