#include "control/panels/ShortcutRecord.h"

#include <algorithm>
#include <cstring>

namespace tavolen {

namespace {

constexpr char16_t kHexDigits[] = u"0123456789ABCDEF";

int HexValue(char16_t c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  return -1;
}

// The record's fields in stored order, as byte offsets.
constexpr std::size_t kFieldBytes = kShortcutFieldCapacity * 2;
constexpr std::size_t kTitle = 0, kTarget = 520, kArguments = 1040, kWorkingDirectory = 1560, kShow = 2080,
                      kIconPath = 2084, kIconIndex = 2604;
static_assert(kTarget == kTitle + kFieldBytes && kArguments == kTarget + kFieldBytes &&
                  kWorkingDirectory == kArguments + kFieldBytes && kShow == kWorkingDirectory + kFieldBytes &&
                  kIconIndex == kIconPath + kFieldBytes,
              "each text field takes its whole capacity");

void PutField(uint8_t* out, const char16_t (&field)[kShortcutFieldCapacity]) {
  for (std::size_t i = 0; i < kShortcutFieldCapacity; ++i) {
    out[2 * i] = uint8_t(field[i] & 0xFF);
    out[2 * i + 1] = uint8_t(field[i] >> 8);
  }
}

void GetField(const uint8_t* in, char16_t (&field)[kShortcutFieldCapacity]) {
  for (std::size_t i = 0; i < kShortcutFieldCapacity; ++i) field[i] = char16_t(in[2 * i] | (in[2 * i + 1] << 8));
  field[kShortcutFieldCapacity - 1] = u'\0';  // a stored field may lack its NUL
}

void PutU32(uint8_t* out, uint32_t value) {
  for (int i = 0; i < 4; ++i) out[i] = uint8_t(value >> (8 * i));
}

uint32_t GetU32(const uint8_t* in) {
  return uint32_t(in[0]) | uint32_t(in[1]) << 8 | uint32_t(in[2]) << 16 | uint32_t(in[3]) << 24;
}

}  // namespace

ShortcutRecord EmptyShortcutRecord() {
  ShortcutRecord record;
  std::memset(&record, 0, sizeof record);
  return record;
}

void SetShortcutField(char16_t (&field)[kShortcutFieldCapacity], std::u16string_view text) {
  const std::size_t length = std::min(text.size(), kShortcutFieldCapacity - 1);
  std::size_t i = 0;
  for (; i < length; ++i) field[i] = text[i];
  for (; i < kShortcutFieldCapacity; ++i) field[i] = u'\0';
}

std::u16string ShortcutField(const char16_t (&field)[kShortcutFieldCapacity]) {
  std::size_t length = 0;
  while (length < kShortcutFieldCapacity - 1 && field[length] != u'\0') ++length;
  return std::u16string(field, length);
}

std::array<uint8_t, kShortcutRecordSize> ShortcutRecordBytes(const ShortcutRecord& record) {
  std::array<uint8_t, kShortcutRecordSize> bytes{};
  PutField(bytes.data() + kTitle, record.title);
  PutField(bytes.data() + kTarget, record.targetPath);
  PutField(bytes.data() + kArguments, record.arguments);
  PutField(bytes.data() + kWorkingDirectory, record.workingDirectory);
  PutU32(bytes.data() + kShow, record.showCommand);
  PutField(bytes.data() + kIconPath, record.iconPath);
  PutU32(bytes.data() + kIconIndex, uint32_t(record.iconIndex));
  return bytes;
}

ShortcutRecord ShortcutRecordFromBytes(const std::array<uint8_t, kShortcutRecordSize>& bytes) {
  ShortcutRecord record = EmptyShortcutRecord();
  GetField(bytes.data() + kTitle, record.title);
  GetField(bytes.data() + kTarget, record.targetPath);
  GetField(bytes.data() + kArguments, record.arguments);
  GetField(bytes.data() + kWorkingDirectory, record.workingDirectory);
  record.showCommand = GetU32(bytes.data() + kShow);
  GetField(bytes.data() + kIconPath, record.iconPath);
  record.iconIndex = int32_t(GetU32(bytes.data() + kIconIndex));
  return record;
}

std::u16string EncodeProfileStruct(const uint8_t* bytes, std::size_t size) {
  std::u16string text;
  text.reserve(2 * size + 2);
  unsigned sum = 0;
  for (std::size_t i = 0; i < size; ++i) {
    text += kHexDigits[bytes[i] >> 4];
    text += kHexDigits[bytes[i] & 0xF];
    sum += bytes[i];
  }
  text += kHexDigits[(sum >> 4) & 0xF];
  text += kHexDigits[sum & 0xF];
  return text;
}

std::optional<std::array<uint8_t, kShortcutRecordSize>> DecodeShortcutRecordStruct(std::u16string_view text) {
  if (text.size() != 2 * kShortcutRecordSize + 2) return std::nullopt;
  std::array<uint8_t, kShortcutRecordSize + 1> bytes{};  // the checksum last
  unsigned sum = 0;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    const int high = HexValue(text[2 * i]), low = HexValue(text[2 * i + 1]);
    if (high < 0 || low < 0) return std::nullopt;
    bytes[i] = uint8_t(high << 4 | low);
    if (i < kShortcutRecordSize) sum += bytes[i];
  }
  if (uint8_t(sum) != bytes[kShortcutRecordSize]) return std::nullopt;
  std::array<uint8_t, kShortcutRecordSize> record{};
  std::memcpy(record.data(), bytes.data(), kShortcutRecordSize);
  return record;
}

std::u16string EncodeShortcutRecord(const ShortcutRecord& record) {
  const auto bytes = ShortcutRecordBytes(record);
  return EncodeProfileStruct(bytes.data(), bytes.size());
}

std::optional<ShortcutRecord> DecodeShortcutRecord(std::u16string_view text) {
  const auto bytes = DecodeShortcutRecordStruct(text);
  if (!bytes) return std::nullopt;
  return ShortcutRecordFromBytes(*bytes);
}

}  // namespace tavolen
