#pragma once
// The power-save settings file (%APPDATA%\VARNKELD\PowerSave\Setting.ini), shared by the
// control's window thread, its refresh threads and the power-save dialog. Every
// read-modify-write of it (sending the stored timers and marking them sent, pruning and
// clearing the marks, storing or forgetting a chosen timer) runs under one lock, so a
// prune on a refresh thread never brings back marks the window thread cleared meanwhile.
// The module object owns the one instance; any thread may use it. Never hold the lock
// while waiting for another thread.
#include <memory>
#include <mutex>
#include <string>
#include <utility>

#include "ports/SettingsFile.h"

namespace tavolen {

class PowerSaveFile {
 public:
  PowerSaveFile(SettingsFileFactory& files, std::u16string path) : files_(&files), path_(std::move(path)) {}

  const std::u16string& Path() const { return path_; }

  // Runs work(file) with the lock held and returns what it returns.
  template <class Work>
  auto Locked(Work&& work) {
    std::lock_guard<std::mutex> lock(mutex_);
    const std::unique_ptr<SettingsFile> file = files_->Open(path_);
    return work(*file);
  }

 private:
  SettingsFileFactory* files_;
  std::u16string path_;
  std::mutex mutex_;
};

}  // namespace tavolen
