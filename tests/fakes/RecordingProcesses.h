#pragma once
// Programs that would have been started, recorded instead; processes that "run" are the
// ones the test names. Any thread may use it.
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
  bool IsRunning(std::u16string_view exeName) override {
    std::lock_guard<std::mutex> lock(mutex_);
    return running.count(std::u16string(exeName)) != 0;
  }
  std::vector<Started> StartedPrograms() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return started_;
  }

  std::u16string systemFolder = u"C:\\windows\\system32";
  std::set<std::u16string> running;

 private:
  mutable std::mutex mutex_;
  std::vector<Started> started_;
};

}  // namespace tavolen::testing
