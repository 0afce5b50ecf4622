#pragma once
// Programs that would have been started, recorded instead; processes that "run" are the
// ones the test names. A program run to its end answers `runResult`, after `onRun` (on
// the running thread) when set. Any thread may use it.
#include <functional>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "ports/Processes.h"

namespace tavolen::testing {

class RecordingProcesses : public Processes {
 public:
  struct Started {
    std::u16string application, arguments, folder;
    bool hidden;
  };

  std::u16string SystemFolder() override { return systemFolder; }
  bool Start(const std::u16string& application, const std::u16string& arguments, const std::u16string& folder,
             bool hidden) override {
    std::lock_guard<std::mutex> lock(mutex_);
    started_.push_back(Started{application, arguments, folder, hidden});
    return true;
  }
  std::optional<uint32_t> Run(const std::u16string& application, const std::u16string& arguments,
                              const std::u16string& folder, bool hidden) override {
    std::function<void()> observer;
    std::optional<uint32_t> result;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      runs_.push_back(Started{application, arguments, folder, hidden});
      observer = onRun;
      result = runResult;
    }
    if (observer) observer();
    return result;
  }
  bool IsRunning(std::u16string_view exeName) override {
    std::lock_guard<std::mutex> lock(mutex_);
    return running.count(std::u16string(exeName)) != 0;
  }
  std::vector<Started> StartedPrograms() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return started_;
  }

  std::vector<Started> RunPrograms() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return runs_;
  }

  std::u16string systemFolder = u"C:\\windows\\system32";
  std::optional<uint32_t> runResult = 0;  // none: the program could not be started
  std::function<void()> onRun;
  std::set<std::u16string> running;

 private:
  mutable std::mutex mutex_;
  std::vector<Started> started_;
  std::vector<Started> runs_;
};

}  // namespace tavolen::testing
