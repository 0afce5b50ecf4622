#pragma once
// What a drive panel writes and draws: the label line, the size line and its bar, the
// button's tooltip and the drive-letter overlay of the button image.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "ports/Volumes.h"

namespace tavolen {

// String table entries the panel texts fall back on.
namespace panel_strings {
constexpr uint32_t kRecycleBin = 395;
constexpr uint32_t kLocalDisk = 397;
constexpr uint32_t kOpticalDrive = 398;
constexpr uint32_t kRemovableDisk = 399;
constexpr uint32_t kMediaEmpty = 400;
constexpr uint32_t kSaveFolder = 402;
constexpr uint32_t kTotal = 396;
}  // namespace panel_strings

// The volume label is read into a buffer of this many characters (NUL included).
constexpr std::size_t kLabelCapacity = 66;

// Either the volume's own label, or a string of the table, or nothing.
struct LabelText {
  std::u16string label;       // shown as is when stringId is 0
  uint32_t stringId = 0;      // a fallback text of the string table
  bool operator==(const LabelText& other) const { return label == other.label && stringId == other.stringId; }
};

// volumeLabel is none when the volume information could not be read. A label is cut at
// an embedded NUL and to what the buffer holds.
LabelText DriveLabelText(const std::optional<std::u16string>& volumeLabel, DriveType type);

struct CapacityLine {
  std::string text;          // "%0.1lf / %0.1lf GB" (or MB); empty when the space is unknown
  uint32_t barPosition = 0;  // 0..99
};
// The bar's colour, RGB(10,210,30) as a COLORREF.
constexpr uint32_t kCapacityBarColour = 0x1ED20A;

CapacityLine DriveCapacityLine(const std::optional<VolumeSpace>& space);

// The longest save folder the tooltip repeats (the settings are read into 520 characters).
constexpr std::size_t kSaveFolderCapacity = 520;

// "<Save Folder> : <folder>".
std::u16string SaveFolderTooltip(std::u16string_view saveFolderCaption, std::u16string_view saveFolder);

// The overlay bitmaps: the letter's bitmap is its character code + 242 (307 "A" to
// 332 "Z"); every letter is drawn through the same mask.
constexpr uint32_t kOverlayMaskBitmap = 306;
// None for a path that does not start with a capital letter A to Z.
std::optional<uint32_t> DriveLetterBitmap(std::u16string_view drivePath);

// The recycle-bin row's size line: "<total> %0.1lf GB" from 1 GiB, else "<total> %0.1lf MB"
// (no TB step); a bin whose size cannot be read counts as empty.
std::u16string RecycleTotalText(std::u16string_view totalWord, const std::optional<uint64_t>& bytes);

}  // namespace tavolen
