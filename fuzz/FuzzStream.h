#pragma once
// The bytes of one fuzz input, read front to back. Reads past the end give zeros, so a
// target never needs to check what is left before taking a field.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace tavolen::fuzzing {

class FuzzStream {
 public:
  FuzzStream(const uint8_t* data, std::size_t size) : data_(data), size_(size) {}

  std::size_t Left() const { return size_ - at_; }
  uint8_t Byte() { return at_ < size_ ? data_[at_++] : 0; }
  uint16_t Le16() {
    const uint16_t low = Byte();
    return uint16_t(low | (Byte() << 8));
  }
  // Copies up to `length` bytes into `out`, zero-filling what the input lacks.
  void Fill(uint8_t* out, std::size_t length) {
    const std::size_t n = std::min(length, Left());
    if (n > 0) std::memcpy(out, data_ + at_, n);
    if (length > n) std::memset(out + n, 0, length - n);
    at_ += n;
  }
  // Copies up to `length` bytes, only as many as the input has; the count copied.
  std::size_t Take(uint8_t* out, std::size_t length) {
    const std::size_t n = std::min(length, Left());
    if (n > 0) std::memcpy(out, data_ + at_, n);
    at_ += n;
    return n;
  }
  std::vector<uint8_t> Bytes(std::size_t length) {
    std::vector<uint8_t> out(std::min(length, Left()));
    Take(out.data(), out.size());
    return out;
  }
  // The rest of the input as UTF-16 (little-endian pairs; an odd last byte is dropped).
  std::u16string RestAsText() {
    std::u16string text;
    while (Left() >= 2) text.push_back(char16_t(Le16()));
    at_ = size_;
    return text;
  }
  // UTF-16 text up to the next line feed (0x000A) or the end of the input.
  std::u16string Line() {
    std::u16string text;
    while (Left() >= 2) {
      const char16_t c = char16_t(Le16());
      if (c == u'\n') break;
      text.push_back(c);
    }
    if (Left() == 1) Byte();
    return text;
  }

 private:
  const uint8_t* data_;
  std::size_t size_;
  std::size_t at_ = 0;
};

// An input in two parts: the first two bytes (little-endian) give the length of the
// first part, cut to what the input holds; the second part is what follows it.
struct TwoParts {
  const uint8_t* first;
  std::size_t firstSize;
  const uint8_t* second;
  std::size_t secondSize;
};
inline TwoParts SplitInput(const uint8_t* data, std::size_t size) {
  if (size < 2) return {data, 0, data, 0};
  const std::size_t length = std::min<std::size_t>(std::size_t(data[0]) | (std::size_t(data[1]) << 8), size - 2);
  return {data + 2, length, data + 2 + length, size - 2 - length};
}

}  // namespace tavolen::fuzzing
