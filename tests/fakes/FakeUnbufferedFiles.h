#pragma once
// A small disk in memory for the erase writer: files with a size and nothing in them, and
// a free space the writes use up, so that a write finds the disk full when no block fits
// any more. A test can make a create fail, make writes fail after a number of them (as
// when the drive goes away), and run code before every write on the writing thread (to
// hold the writer, or cancel it). Any thread may use it.
#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "ports/UnbufferedFiles.h"

namespace tavolen::testing {

class FakeUnbufferedFiles : public UnbufferedFiles {
 public:
  explicit FakeUnbufferedFiles(uint64_t freeBytes = 0) : free_(freeBytes) {}

  std::unique_ptr<UnbufferedFile> Create(const std::u16string& path, bool deleteOnClose) override {
    std::lock_guard<std::mutex> lock(mutex_);
    created_.push_back(path);
    madeDeleteOnClose_[path] = deleteOnClose;
    if (failCreate.count(path)) return nullptr;
    files_[path] = FileState{0, deleteOnClose};
    return std::make_unique<File>(*this, path);
  }
  bool Remove(const std::u16string& path) override {
    std::lock_guard<std::mutex> lock(mutex_);
    DropFile(path);
    return true;
  }

  void SetFreeBytes(uint64_t freeBytes) {
    std::lock_guard<std::mutex> lock(mutex_);
    free_ = freeBytes;
  }
  uint64_t FreeBytes() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return free_;
  }
  // Files that exist now, with their sizes.
  std::map<std::u16string, uint64_t> Files() const {
    std::lock_guard<std::mutex> lock(mutex_);
    std::map<std::u16string, uint64_t> sizes;
    for (const auto& [path, state] : files_) sizes[path] = state.size;
    return sizes;
  }
  // Every file the writer asked to create, in order.
  std::vector<std::u16string> Created() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return created_;
  }
  int Writes() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return writes_;
  }
  // Whether the file was last created delete-on-close.
  bool MadeDeleteOnClose(const std::u16string& path) const {
    std::lock_guard<std::mutex> lock(mutex_);
    const auto f = madeDeleteOnClose_.find(path);
    return f != madeDeleteOnClose_.end() && f->second;
  }

  std::set<std::u16string> failCreate;    // set before the writer runs
  std::atomic<int> failWritesAfter{-1};   // writes that succeed before all fail; -1: never
  std::function<void(const std::u16string& path)> beforeWrite;

 private:
  struct FileState {
    uint64_t size = 0;
    bool deleteOnClose = false;
  };

  class File : public UnbufferedFile {
   public:
    File(FakeUnbufferedFiles& disk, std::u16string path) : disk_(disk), path_(std::move(path)) {}
    ~File() override { disk_.Closed(path_); }
    WriteResult Write(const uint8_t*, std::size_t size) override { return disk_.WriteTo(path_, size); }

   private:
    FakeUnbufferedFiles& disk_;
    std::u16string path_;
  };

  WriteResult WriteTo(const std::u16string& path, std::size_t size) {
    if (beforeWrite) beforeWrite(path);
    std::lock_guard<std::mutex> lock(mutex_);
    if (failWritesAfter >= 0 && writes_ >= failWritesAfter) return WriteResult::Failed;
    if (free_ < size) return WriteResult::DiskFull;
    ++writes_;
    free_ -= size;
    files_[path].size += size;
    return WriteResult::Written;
  }
  void Closed(const std::u16string& path) {
    std::lock_guard<std::mutex> lock(mutex_);
    const auto f = files_.find(path);
    if (f != files_.end() && f->second.deleteOnClose) DropFile(path);
  }
  void DropFile(const std::u16string& path) {
    const auto f = files_.find(path);
    if (f == files_.end()) return;
    free_ += f->second.size;
    files_.erase(f);
  }

  mutable std::mutex mutex_;
  uint64_t free_;
  std::map<std::u16string, FileState> files_;
  std::vector<std::u16string> created_;
  std::map<std::u16string, bool> madeDeleteOnClose_;
  int writes_ = 0;
};

}  // namespace tavolen::testing
