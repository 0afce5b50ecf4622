#pragma once
// An INI file kept in memory, with the private-profile calls' reading rules.
#include <map>
#include <string>

#include "ports/SettingsFile.h"

namespace tavolen::testing {

class MemorySettingsFile : public SettingsFile {
 public:
  std::u16string Read(const std::u16string& section, const std::u16string& key, std::size_t capacity) override {
    ++reads;
    const auto s = sections.find(section);
    if (s == sections.end() || capacity == 0) return {};
    const auto k = s->second.find(key);
    if (k == s->second.end()) return {};
    return k->second.substr(0, capacity - 1);
  }
  bool Write(const std::u16string& section, const std::u16string& key, const std::u16string& value) override {
    sections[section][key] = value;
    return true;
  }
  bool DeleteKey(const std::u16string& section, const std::u16string& key) override {
    const auto s = sections.find(section);
    if (s != sections.end()) s->second.erase(key);
    return true;
  }
  bool DeleteSection(const std::u16string& section) override {
    sections.erase(section);
    return true;
  }
  bool Has(const std::u16string& section, const std::u16string& key) const {
    const auto s = sections.find(section);
    return s != sections.end() && s->second.count(key) != 0;
  }

  std::map<std::u16string, std::map<std::u16string, std::u16string>> sections;
  int reads = 0;
};

}  // namespace tavolen::testing
