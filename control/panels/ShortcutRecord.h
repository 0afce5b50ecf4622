#pragma once
// The record a shortcut button keeps for a resolved shell link, and its stored form in
// the settings file: the private-profile structure format (each byte as two hexadecimal
// digits, then one checksum byte, the low byte of the bytes' sum). The record has one
// layout on every build (UTF-16 fields, explicit little-endian bytes).
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tavolen {

// Characters of each text field, its terminating NUL included.
constexpr std::size_t kShortcutFieldCapacity = 260;

struct ShortcutRecord {
  char16_t title[kShortcutFieldCapacity];             // file title of the .lnk file
  char16_t targetPath[kShortcutFieldCapacity];        // the link's target, long-path form
  char16_t arguments[kShortcutFieldCapacity];
  char16_t workingDirectory[kShortcutFieldCapacity];  // long-path form
  uint32_t showCommand;
  char16_t iconPath[kShortcutFieldCapacity];          // long-path form
  int32_t iconIndex;
};
static_assert(sizeof(ShortcutRecord) == 2608, "the stored record is 2608 bytes");
static_assert(offsetof(ShortcutRecord, showCommand) == 2080 && offsetof(ShortcutRecord, iconPath) == 2084 &&
                  offsetof(ShortcutRecord, iconIndex) == 2604,
              "stored field offsets");

constexpr std::size_t kShortcutRecordSize = sizeof(ShortcutRecord);

// A zeroed record.
ShortcutRecord EmptyShortcutRecord();
// Writes `text` into a field, cut to what the field holds with its NUL.
void SetShortcutField(char16_t (&field)[kShortcutFieldCapacity], std::u16string_view text);
// The text of a field: up to its first NUL, at most capacity - 1 characters.
std::u16string ShortcutField(const char16_t (&field)[kShortcutFieldCapacity]);

// The record's 2608 bytes, little-endian.
std::array<uint8_t, kShortcutRecordSize> ShortcutRecordBytes(const ShortcutRecord& record);
// The record from its bytes; every text field ends inside its capacity afterwards.
ShortcutRecord ShortcutRecordFromBytes(const std::array<uint8_t, kShortcutRecordSize>& bytes);

// The private-profile structure text of `size` bytes: 2 * size + 2 upper-case hex digits.
std::u16string EncodeProfileStruct(const uint8_t* bytes, std::size_t size);
// The bytes of a structure text of exactly `size` bytes; none when the length, a digit
// or the checksum is wrong.
std::optional<std::array<uint8_t, kShortcutRecordSize>> DecodeShortcutRecordStruct(std::u16string_view text);

// The stored value of a record and back.
std::u16string EncodeShortcutRecord(const ShortcutRecord& record);
std::optional<ShortcutRecord> DecodeShortcutRecord(std::u16string_view text);

}  // namespace tavolen
