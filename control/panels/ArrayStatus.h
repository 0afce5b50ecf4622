#pragma once
// The status block of the maker's array products (kinds MakerDiskB and MakerDiskC): its
// level and state, the rebuild progress and the members that failed, as the drive's
// details list them and as its row shows them (label text and background colour).
// Only the first bytes of the 512-byte block are read:
//   0     layout version (1, 2, 3; 0: no status)
//   2     high nibble the array level, low nibble the array state
//   3     rebuild progress in percent (versions 1 and 3)
//   3-4   rebuild progress, big-endian fraction of 65535 (version 2)
//   4-5   member status bytes of members 1 and 2 (versions 1 and 3)
//   5-8   member status bytes of members 1 to 4 (version 2)
#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "control/device/DeviceChannel.h"
#include "control/device/DeviceInfo.h"

namespace tavolen {

using ArrayStatusBlock = std::array<uint8_t, 512>;

// The string table entries of the array texts.
namespace array_strings {
constexpr uint32_t kRebuildPausing = 405;
constexpr uint32_t kSystemPausing = 406;
constexpr uint32_t kDegrade = 407;
constexpr uint32_t kSystemHunging = 408;
constexpr uint32_t kRebuilding = 409;
constexpr uint32_t kMultipleDisk = 432;
constexpr uint32_t kOperatingNormally = 433;
constexpr uint32_t kUnknown = 435;
}  // namespace array_strings

// Reads the block of an array product: MakerDiskB through the maker's bridge (READ BUFFER
// mode 1, buffer 0x40, then the ATA status read when that fails), MakerDiskC through the
// ATA status read only. None when no read succeeded or the kind is no array product. One
// or two device commands; the block is zeroed before each read.
std::optional<ArrayStatusBlock> ReadArrayStatus(DeviceOpener& opener, const DeviceInfo& disk);

// Version 1 to 3 give the nibbles of byte 2; any other version counts as level and state 0.
uint32_t ArrayLevel(const ArrayStatusBlock& block);
uint32_t ArrayState(const ArrayStatusBlock& block);
// The rebuild progress in percent: byte 3 (versions 1 and 3), the 16-bit fraction at 3-4
// scaled to 100 (version 2), else 0.
double RebuildProgress(const ArrayStatusBlock& block);

// A text of the details or the row: a string of the table followed by a suffix, or a
// literal text when stringId is 0.
struct ArrayText {
  uint32_t stringId = 0;
  std::u16string text;  // the suffix, or the whole text when stringId is 0
  bool operator==(const ArrayText& o) const { return stringId == o.stringId && text == o.text; }
};

// "RAID 0", "RAID 1", "Multiple Disk", "RAID 1+0", "RAID 5"; "Unknown" for a level the
// table does not know.
ArrayText ArrayLevelText(const ArrayStatusBlock& block);
// The state as the details show it ("Rebuilding( 42.5％ )"); "Unknown" past the table.
ArrayText ArrayStateText(const ArrayStatusBlock& block);
// "HDD 1,2": the members that failed (the product decides how members are read); none
// unless the array is degraded and at least one member failed.
std::optional<std::u16string> FailedMembersText(const ArrayStatusBlock& block, std::u16string_view product);

// What the row makes of the block: nothing for version 0 (label and background stay);
// else the background colour (a COLORREF, 0x00BBGGRR) and the label, which stays the
// volume label (no text) for a normal array and for a state the table does not know.
struct ArrayRowState {
  uint32_t background = 0;
  std::optional<ArrayText> label;
};
std::optional<ArrayRowState> ArrayRowStateOf(const ArrayStatusBlock& block);

// The rows' plain background, RGB(190,190,190).
constexpr uint32_t kRowBackground = 0xBEBEBE;

}  // namespace tavolen
