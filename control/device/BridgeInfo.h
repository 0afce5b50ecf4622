#pragma once
// What a USB bridge tells about itself; the drive information dialog shows it.
#include <cstddef>
#include <cstdint>

namespace tavolen {

struct BridgeInfo {
  uint16_t word1 = 0;
  uint16_t word2 = 0;
  char16_t text[17] = {};  // 16 characters of bridge text, trimmed at both ends
};

// Fills info.text from `length` bytes of device text: cut at the first NUL, trimmed of
// white space at both ends, widened byte by byte.
void SetBridgeText(BridgeInfo& info, const uint8_t* bytes, std::size_t length);

}  // namespace tavolen
