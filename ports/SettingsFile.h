#pragma once
// An INI settings file as the system's private-profile calls see it: sections of keys
// with text values. The Windows adapter uses GetPrivateProfileStringW and
// WritePrivateProfileStringW on one file path; tests keep the sections in memory.
#include <cstddef>
#include <memory>
#include <string>

namespace tavolen {

class SettingsFile {
 public:
  virtual ~SettingsFile() = default;
  // The value cut to capacity - 1 characters, as a read into a buffer of `capacity`
  // characters gives it; empty when the key or the file is missing.
  virtual std::u16string Read(const std::u16string& section, const std::u16string& key, std::size_t capacity) = 0;
  // Each returns false when the file cannot be written.
  virtual bool Write(const std::u16string& section, const std::u16string& key, const std::u16string& value) = 0;
  virtual bool DeleteKey(const std::u16string& section, const std::u16string& key) = 0;
  virtual bool DeleteSection(const std::u16string& section) = 0;
};

// Opens settings files by path. Files opened twice over the same path are the same file.
class SettingsFileFactory {
 public:
  virtual ~SettingsFileFactory() = default;
  virtual std::unique_ptr<SettingsFile> Open(const std::u16string& path) = 0;
};

// Decimal integer of a value as GetPrivateProfileInt reads it: leading digits after an
// optional sign, `fallback` when the key is missing or holds no digits.
int ReadSettingInt(SettingsFile& file, const std::u16string& section, const std::u16string& key, int fallback);

}  // namespace tavolen
