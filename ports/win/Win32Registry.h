#pragma once
// The registry through the system's calls. Each call opens its key for what it needs
// (KEY_QUERY_VALUE to read, KEY_SET_VALUE to write) and closes it again.
#include "ports/Registry.h"

namespace tavolen {

class Win32Registry : public Registry {
 public:
  bool KeyExists(Hive hive, const std::u16string& key) override;
  std::optional<Value> Read(Hive hive, const std::u16string& key, const std::u16string& name) override;
  long Write(Hive hive, const std::u16string& key, const std::u16string& name, const Value& value) override;
  long CreateKey(Hive hive, const std::u16string& key) override;
  bool ValueExists(Hive hive, const std::u16string& key, const std::u16string& name) override;
  long OpenForWriting(Hive hive, const std::u16string& key) override;
};

}  // namespace tavolen
