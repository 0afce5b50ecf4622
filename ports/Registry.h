#pragma once
// The registry as the control and the launcher use it: values of keys under the current
// user's or the machine's hive. The Windows adapter opens each key only for what the call
// needs (query or set value); tests keep their keys in memory.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tavolen {

class Registry {
 public:
  enum class Hive { CurrentUser, LocalMachine };
  // Value types as the system numbers them.
  static constexpr uint32_t kString = 1, kExpandString = 2, kBinary = 3, kDword = 4, kMultiString = 7;
  // The system's status codes that callers tell apart.
  static constexpr long kSuccess = 0, kNotFound = 2, kAccessDenied = 5;

  struct Value {
    uint32_t type = 0;
    std::vector<uint8_t> data;
  };

  virtual ~Registry() = default;
  // Whether the key can be opened for reading.
  virtual bool KeyExists(Hive hive, const std::u16string& key) = 0;
  // The value as stored, or nothing when the key or the value cannot be read.
  virtual std::optional<Value> Read(Hive hive, const std::u16string& key, const std::u16string& name) = 0;
  // Sets a value of an existing key (a missing key is not made: kNotFound); the status.
  virtual long Write(Hive hive, const std::u16string& key, const std::u16string& name, const Value& value) = 0;
  // Makes the key (and its parents) unless it exists; the status.
  virtual long CreateKey(Hive hive, const std::u16string& key) = 0;
  // Whether the value exists, whatever its type and size.
  virtual bool ValueExists(Hive hive, const std::u16string& key, const std::u16string& name) {
    return Read(hive, key, name).has_value();
  }
  // Whether the key can be opened to read and set its values; the status.
  virtual long OpenForWriting(Hive hive, const std::u16string& key) {
    return KeyExists(hive, key) ? kSuccess : kNotFound;
  }
};

// A REG_DWORD value of exactly four bytes; nothing for a missing value, another type or
// another size.
std::optional<uint32_t> ReadDword(Registry& registry, Registry::Hive hive, const std::u16string& key,
                                  const std::u16string& name);
Registry::Value DwordValue(uint32_t value);

}  // namespace tavolen
