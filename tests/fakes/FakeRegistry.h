#pragma once
// Registry keys kept in memory, per hive. Keys are made explicitly (CreateKey); a write
// into a missing key fails as the system's would. Any thread may use it.
#include <map>
#include <mutex>
#include <set>
#include <utility>

#include "ports/Registry.h"

namespace tavolen::testing {

class FakeRegistry : public Registry {
 public:
  bool KeyExists(Hive hive, const std::u16string& key) override {
    std::lock_guard<std::mutex> lock(mutex_);
    return keys_.count({hive, key}) != 0;
  }
  std::optional<Value> Read(Hive hive, const std::u16string& key, const std::u16string& name) override {
    std::lock_guard<std::mutex> lock(mutex_);
    const auto v = values_.find({{hive, key}, name});
    if (v == values_.end()) return std::nullopt;
    return v->second;
  }
  long Write(Hive hive, const std::u16string& key, const std::u16string& name, const Value& value) override {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!keys_.count({hive, key})) return kNotFound;
    if (failWrites != kSuccess) return failWrites;
    values_[{{hive, key}, name}] = value;
    return kSuccess;
  }
  long CreateKey(Hive hive, const std::u16string& key) override {
    std::lock_guard<std::mutex> lock(mutex_);
    keys_.insert({hive, key});
    return kSuccess;
  }
  void DeleteKey(Hive hive, const std::u16string& key) {
    std::lock_guard<std::mutex> lock(mutex_);
    keys_.erase({hive, key});
  }

  long failWrites = kSuccess;  // the status every write answers with, when not success

 private:
  using Key = std::pair<Hive, std::u16string>;
  std::mutex mutex_;
  std::set<Key> keys_;
  std::map<std::pair<Key, std::u16string>, Value> values_;
};

}  // namespace tavolen::testing
