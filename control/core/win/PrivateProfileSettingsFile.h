#pragma once
// A settings file read and written with the system's private-profile calls.
#include <string>

#include "SettingsFile.h"

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

}  // namespace tavolen
