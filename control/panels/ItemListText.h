#pragma once
// Shell item ID lists stored as text: the list's bytes (its 2-byte terminator included)
// read as little-endian 32-bit words, size / 4 + 1 of them, each written as a signed
// decimal number followed by a comma. The text comes back from the settings file, which
// anyone can edit, so decoding bounds every step: at most the 1036-byte buffer's 259
// words, numbers of 32 bits only, and an item chain that ends inside the buffer before
// any shell call sees it.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tavolen {

constexpr std::size_t kItemListBufferSize = 1036;
constexpr std::size_t kItemListWords = kItemListBufferSize / 4;  // 259

// Encoded text holds no backslash (a path always does); the empty text is neither.
bool IsEncodedItemList(std::u16string_view text);

// The size of a well-formed list in `bytes`, its terminator included: each item's 16-bit
// size is at least 2 and the terminator lies inside; none otherwise.
std::optional<std::size_t> ItemListSize(const uint8_t* bytes, std::size_t available);

// The text of the list whose `size` bytes (terminator included) are given; the words past
// its end read zeros, not what follows it. None for a list too long for the buffer a
// decoder has, or one that is not well formed.
std::optional<std::u16string> EncodeItemList(const uint8_t* list, std::size_t size);

// The zero-filled 1036-byte buffer holding the list; none for text no encoder writes (no
// comma-terminated number, a number that is not a 32-bit decimal) or a list whose chain
// does not end inside the buffer. Words past the 259th are ignored.
std::optional<std::vector<uint8_t>> DecodeItemList(std::u16string_view text);

// Two lists name the same item when their bytes agree up to their terminators.
bool SameItemList(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b);

}  // namespace tavolen
