#include "control/panels/ItemListText.h"

#include <cstdint>
#include <cstring>
#include <string>

namespace tavolen {

namespace {

// One signed decimal number of 32 bits, the whole token.
std::optional<uint32_t> ParseWord(std::u16string_view token) {
  std::size_t i = 0;
  bool negative = false;
  if (i < token.size() && (token[i] == u'-' || token[i] == u'+')) negative = token[i++] == u'-';
  if (i >= token.size() || token.size() - i > 11) return std::nullopt;
  int64_t value = 0;
  for (; i < token.size(); ++i) {
    if (token[i] < u'0' || token[i] > u'9') return std::nullopt;
    value = value * 10 + (token[i] - u'0');
  }
  if (negative) value = -value;
  if (value < INT32_MIN || value > INT32_MAX) return std::nullopt;
  return uint32_t(int32_t(value));
}

}  // namespace

bool IsEncodedItemList(std::u16string_view text) {
  return !text.empty() && text.find(u'\\') == std::u16string_view::npos;
}

std::optional<std::size_t> ItemListSize(const uint8_t* bytes, std::size_t available) {
  std::size_t offset = 0;
  while (offset + 2 <= available) {
    const std::size_t itemSize = std::size_t(bytes[offset]) | std::size_t(bytes[offset + 1]) << 8;
    if (itemSize == 0) return offset + 2;
    if (itemSize < 2) return std::nullopt;  // an item that would never move on
    offset += itemSize;
  }
  return std::nullopt;
}

std::optional<std::u16string> EncodeItemList(const uint8_t* list, std::size_t size) {
  const std::size_t words = size / 4 + 1;
  if (words > kItemListWords || ItemListSize(list, size) != size) return std::nullopt;
  std::vector<uint8_t> buffer(words * 4, 0);
  std::memcpy(buffer.data(), list, size);
  std::u16string text;
  for (std::size_t i = 0; i < words; ++i) {
    const uint8_t* word = buffer.data() + 4 * i;
    const uint32_t value = uint32_t(word[0]) | uint32_t(word[1]) << 8 | uint32_t(word[2]) << 16 | uint32_t(word[3]) << 24;
    const std::string digits = std::to_string(int32_t(value));
    text.append(digits.begin(), digits.end());
    text += u',';
  }
  return text;
}

std::optional<std::vector<uint8_t>> DecodeItemList(std::u16string_view text) {
  std::vector<uint8_t> buffer(kItemListBufferSize, 0);
  std::size_t words = 0;
  for (std::size_t comma = text.find(u','); comma != std::u16string_view::npos && words < kItemListWords;
       comma = text.find(u',')) {
    const std::optional<uint32_t> value = ParseWord(text.substr(0, comma));
    if (!value) return std::nullopt;
    for (int i = 0; i < 4; ++i) buffer[4 * words + std::size_t(i)] = uint8_t(*value >> (8 * i));
    ++words;
    text.remove_prefix(comma + 1);
  }
  if (words == 0 || !ItemListSize(buffer.data(), buffer.size())) return std::nullopt;
  return buffer;
}

bool SameItemList(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
  const auto sizeA = ItemListSize(a.data(), a.size()), sizeB = ItemListSize(b.data(), b.size());
  return sizeA && sizeB && *sizeA == *sizeB && std::memcmp(a.data(), b.data(), *sizeA) == 0;
}

}  // namespace tavolen
