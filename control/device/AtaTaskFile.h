#pragma once
// The pair of ATA register sets that every ATA operation takes and returns.
#include <array>
#include <cstdint>

namespace tavolen {

struct AtaTaskFile {
  // Register indices within a set. On output Features holds the error register
  // and Command the status register.
  enum Register : uint8_t { Features = 0, Count = 1, LbaLow = 2, LbaMid = 3, LbaHigh = 4, Device = 5, Command = 6, Reserved = 7 };

  std::array<uint8_t, 8> current{};   // bytes 0-7
  std::array<uint8_t, 8> previous{};  // bytes 8-15: high-order bytes of a 48-bit command

  uint8_t& operator[](Register r) { return current[r]; }
  uint8_t operator[](Register r) const { return current[r]; }
};
static_assert(sizeof(AtaTaskFile) == 16, "AtaTaskFile is the 16-byte register pair");

// ATA flags of AtaPassThrough.
constexpr uint16_t kAtaFlagsDrdyRequired = 1;
constexpr uint16_t kAtaFlagsDataIn = 2;
constexpr uint16_t kAtaFlagsDataOut = 4;
constexpr uint16_t kAtaFlags48Bit = 8;

}  // namespace tavolen
