#pragma once
// The control's string table as portable code reads it: a text by its id, in the language
// the system picks; empty when the table has no such string. Any thread.
#include <cstdint>
#include <string>

namespace tavolen {

class StringTable {
 public:
  virtual ~StringTable() = default;
  virtual std::u16string Text(uint32_t id) const = 0;
};

}  // namespace tavolen
