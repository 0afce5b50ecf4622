#pragma once
// A settings file whose values come from the fuzz input: the first read of each key takes
// the next line of the input (UTF-16, up to a line feed) as the key's stored value; later
// reads and writes see the file as it then is. Reads obey the private-profile rule of the
// port: the value cut to capacity - 1 characters.
#include <map>
#include <string>
#include <utility>

#include "fuzz/FuzzStream.h"
#include "ports/SettingsFile.h"

namespace tavolen::fuzzing {

class FuzzSettingsFile : public SettingsFile {
 public:
  explicit FuzzSettingsFile(FuzzStream& input) : input_(input) {}

  std::u16string Read(const std::u16string& section, const std::u16string& key, std::size_t capacity) override {
    const auto entry = std::make_pair(section, key);
    auto found = values_.find(entry);
    if (found == values_.end()) found = values_.emplace(entry, input_.Line()).first;
    if (capacity == 0) return {};
    return found->second.substr(0, capacity - 1);
  }
  bool Write(const std::u16string& section, const std::u16string& key, const std::u16string& value) override {
    values_[{section, key}] = value;
    return true;
  }
  bool DeleteKey(const std::u16string& section, const std::u16string& key) override {
    values_[{section, key}].clear();
    return true;
  }
  bool DeleteSection(const std::u16string& section) override {
    for (auto& [entry, value] : values_)
      if (entry.first == section) value.clear();
    return true;
  }

 private:
  FuzzStream& input_;
  std::map<std::pair<std::u16string, std::u16string>, std::u16string> values_;
};

}  // namespace tavolen::fuzzing
