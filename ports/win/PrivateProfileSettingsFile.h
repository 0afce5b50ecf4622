#pragma once
// A settings file read and written with the system's private-profile calls.
#include <memory>
#include <string>

#include "ports/SettingsFile.h"

namespace tavolen {

class PrivateProfileSettingsFile : public SettingsFile {
 public:
  explicit PrivateProfileSettingsFile(std::u16string path) : path_(std::move(path)) {}
  const std::u16string& Path() const { return path_; }

  std::u16string Read(const std::u16string& section, const std::u16string& key, std::size_t capacity) override;
  bool Write(const std::u16string& section, const std::u16string& key, const std::u16string& value) override;
  bool DeleteKey(const std::u16string& section, const std::u16string& key) override;
  bool DeleteSection(const std::u16string& section) override;

 private:
  std::u16string path_;
};

class PrivateProfileFiles : public SettingsFileFactory {
 public:
  std::unique_ptr<SettingsFile> Open(const std::u16string& path) override {
    return std::make_unique<PrivateProfileSettingsFile>(path);
  }
};

}  // namespace tavolen
