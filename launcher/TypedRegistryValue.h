#pragma once
// Registry values written from text specifications: a type name, a comma and the value
// text, e.g. "REG_DWORD, 0", "REG_SZ,345" or "REG_DWORD,0x0000000a".
#include <cstdint>
#include <string>
#include <vector>

#include "launcher/LauncherPrompts.h"
#include "ports/Registry.h"

namespace tavolen::launcher {

struct ValueSpec {
  uint32_t type = 0;  // the system's number for the type name; 0 for an unknown name
  std::u16string text;
};

// Splits at the first comma and trims white space from both parts; without a comma the
// whole text is the type name and the value is empty. Type names compare exactly.
ValueSpec ParseValueSpec(const std::u16string& spec);

// Base-16 number of a DWORD value text ("10" is sixteen, "0xA" ten): leading blanks, an
// optional 0x, then hexadecimal digits up to the first other character; too large a
// number gives 0xFFFFFFFF, no digits give 0.
uint32_t ParseHexDword(const std::u16string& text);

// Writes `name` under the existing key `key` of the current user's hive as `spec` says:
//  - REG_SZ and REG_EXPAND_SZ: the text with its terminating null;
//  - REG_DWORD (and REG_DWORD_LITTLE_ENDIAN): the base-16 number;
//  - REG_MULTI_SZ: the whole existing list with the text appended, unless an entry equal
//    to it without regard to case is there already;
//  - any other type: nothing is written, false without a message.
// A failed write shows the text of the status the registry returned and gives false.
bool SetTypedRegistryValue(Registry& registry, LauncherPrompts& prompts, const std::u16string& key,
                           const std::u16string& name, const std::u16string& spec);

// The entries of REG_MULTI_SZ data, however long: strings separated by nulls up to the
// empty string that ends the list. Data lacking its final terminators keeps the text it
// has; an odd trailing byte is dropped.
std::vector<std::u16string> MultiStringEntries(const std::vector<uint8_t>& data);
// The data of a list: each entry with its null, then the null that ends the list.
std::vector<uint8_t> MultiStringData(const std::vector<std::u16string>& entries);

}  // namespace tavolen::launcher
