// Fuzz target: the stored forms of the shortcut buttons, read back from a settings file
// anyone can edit: item ID lists as comma-separated decimal words, and link records as
// private-profile structures (hexadecimal digits and a checksum) of the 2608-byte record.
// Input: a selector byte, then UTF-16 text (or the record's raw bytes).
#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "control/panels/ItemListText.h"
#include "control/panels/ShortcutRecord.h"
#include "fuzz/FuzzStream.h"

using namespace tavolen;
using namespace tavolen::fuzzing;

namespace {

void CheckFields(const ShortcutRecord& record) {
  for (const auto* field : {&record.title, &record.targetPath, &record.arguments, &record.workingDirectory,
                            &record.iconPath})
    if (ShortcutField(*field).size() >= kShortcutFieldCapacity) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  FuzzStream input(data, size);
  const uint8_t selector = input.Byte();
  switch (selector % 3) {
    case 0: {  // an item ID list: decoded, it encodes to a text that decodes to the same list
              // (words a text holds past the terminator are not kept)
      const std::u16string text = input.RestAsText();
      IsEncodedItemList(text);
      const auto list = DecodeItemList(text);
      if (!list) break;
      if (list->size() != kItemListBufferSize) __builtin_trap();
      const auto length = ItemListSize(list->data(), list->size());
      if (!length) __builtin_trap();  // the decoder hands out well-formed chains only
      const auto encoded = EncodeItemList(list->data(), *length);
      if (!encoded) __builtin_trap();
      const auto again = DecodeItemList(*encoded);
      if (!again || again->size() != kItemListBufferSize || !SameItemList(*again, *list)) __builtin_trap();
      if (std::any_of(again->begin() + std::ptrdiff_t(*length), again->end(), [](uint8_t b) { return b != 0; }))
        __builtin_trap();  // the encoder's words past the list read zeros
      break;
    }
    case 1: {  // a record's structure text: decoded, it is stored again as the same record
      const std::u16string text = input.RestAsText();
      const auto bytes = DecodeShortcutRecordStruct(text);
      const auto record = DecodeShortcutRecord(text);
      if (bytes.has_value() != record.has_value()) __builtin_trap();
      if (!record) break;
      CheckFields(*record);
      if (DecodeShortcutRecordStruct(EncodeProfileStruct(bytes->data(), bytes->size())) != bytes) __builtin_trap();
      const auto again = DecodeShortcutRecord(EncodeShortcutRecord(*record));
      if (!again || ShortcutRecordBytes(*again) != ShortcutRecordBytes(*record)) __builtin_trap();
      break;
    }
    default: {  // a record from any bytes: its fields end inside their capacity, once and for all
      std::array<uint8_t, kShortcutRecordSize> bytes;
      input.Fill(bytes.data(), bytes.size());
      const ShortcutRecord record = ShortcutRecordFromBytes(bytes);
      CheckFields(record);
      const auto stored = ShortcutRecordBytes(record);
      if (ShortcutRecordBytes(ShortcutRecordFromBytes(stored)) != stored) __builtin_trap();
      const auto decoded = DecodeShortcutRecordStruct(EncodeProfileStruct(stored.data(), stored.size()));
      if (!decoded || *decoded != stored) __builtin_trap();
      break;
    }
  }
  return 0;
}
