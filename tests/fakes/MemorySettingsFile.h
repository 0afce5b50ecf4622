#pragma once
// INI files kept in memory, with the private-profile calls' reading rules: one file, and
// a factory handing out the file of each path (the same path, the same file). Writes can
// be made to fail, as on a read-only folder.
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "ports/SettingsFile.h"

namespace tavolen::testing {

class MemorySettingsFile : public SettingsFile {
 public:
  std::u16string Read(const std::u16string& section, const std::u16string& key, std::size_t capacity) override {
    if (onRead) onRead(section, key);  // outside the file's own lock: it may wait for another thread
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    ++reads;
    const auto s = sections.find(section);
    if (s == sections.end() || capacity == 0) return {};
    const auto k = s->second.find(key);
    if (k == s->second.end()) return {};
    return k->second.substr(0, capacity - 1);
  }
  bool Write(const std::u16string& section, const std::u16string& key, const std::u16string& value) override {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    if (failWrites) return false;
    sections[section][key] = value;
    return true;
  }
  bool DeleteKey(const std::u16string& section, const std::u16string& key) override {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    if (failWrites) return false;
    const auto s = sections.find(section);
    if (s != sections.end()) s->second.erase(key);
    return true;
  }
  bool DeleteSection(const std::u16string& section) override {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    if (failWrites) return false;
    sections.erase(section);
    return true;
  }
  bool Has(const std::u16string& section, const std::u16string& key) const {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    const auto s = sections.find(section);
    return s != sections.end() && s->second.count(key) != 0;
  }
  std::u16string Value(const std::u16string& section, const std::u16string& key) const {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    const auto s = sections.find(section);
    if (s == sections.end()) return {};
    const auto k = s->second.find(key);
    return k == s->second.end() ? std::u16string() : k->second;
  }

  std::map<std::u16string, std::map<std::u16string, std::u16string>> sections;
  int reads = 0;
  bool failWrites = false;
  // Called at every read, before it is answered (on the reading thread).
  std::function<void(const std::u16string& section, const std::u16string& key)> onRead;

 private:
  mutable std::recursive_mutex mutex_;
};

// Hands out the file of a path; the files live as long as the factory.
class MemorySettingsFiles : public SettingsFileFactory {
 public:
  std::unique_ptr<SettingsFile> Open(const std::u16string& path) override {
    return std::make_unique<Handle>(File(path));
  }
  MemorySettingsFile& File(const std::u16string& path) {
    std::lock_guard<std::mutex> lock(mutex_);
    auto& file = files_[path];
    if (!file) file = std::make_unique<MemorySettingsFile>();
    return *file;
  }

 private:
  // A view of a file the factory keeps.
  class Handle : public SettingsFile {
   public:
    explicit Handle(MemorySettingsFile& file) : file_(file) {}
    std::u16string Read(const std::u16string& s, const std::u16string& k, std::size_t c) override {
      return file_.Read(s, k, c);
    }
    bool Write(const std::u16string& s, const std::u16string& k, const std::u16string& v) override {
      return file_.Write(s, k, v);
    }
    bool DeleteKey(const std::u16string& s, const std::u16string& k) override { return file_.DeleteKey(s, k); }
    bool DeleteSection(const std::u16string& s) override { return file_.DeleteSection(s); }

   private:
    MemorySettingsFile& file_;
  };

  std::mutex mutex_;
  std::map<std::u16string, std::unique_ptr<MemorySettingsFile>> files_;
};

}  // namespace tavolen::testing
