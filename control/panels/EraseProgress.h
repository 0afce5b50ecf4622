#pragma once
// What the erase dialog shows: its texts (Japanese only, as the dialog itself), the busy
// dots of its status line, and every five seconds the progress, speed and time left,
// computed from the free space when the dialog opened, the free space now and the time
// since. Progress is read from the drive's free space, so the writer keeps no counter.
#include <cstdint>
#include <string>
#include <string_view>

namespace tavolen {

namespace erase_text {
constexpr char16_t kConfirm[] = u"空き領域のデータを消します。\r\nよろしいですか？";
constexpr char16_t kFinished[] = u"空き領域のデータ削除を終了しました";
constexpr char16_t kStatus[] = u"空き領域抹消中";
}  // namespace erase_text

// The decimal digits of a count, as the erase's texts and file names write it.
std::u16string DecimalText(uint64_t value);

// The status line one second later: a dot more, or back to the bare status text once it
// is longer than 17 characters (so 0 to 11 dots cycle).
std::u16string NextEraseStatus(std::u16string_view current);

struct EraseProgress {
  uint32_t position = 0;         // of the bar, 0..100
  uint64_t bytesPerSecond = 0;   // 0 while nothing was written or no time passed
  std::u16string speedText;      // "%d MB/s"
  std::u16string remainingText;  // "約%d 時間", "約%d 分" or "約 %d 秒"; empty without a speed
  bool lastUpdate = false;       // less than 10 MiB free: the updates stop after this one
};

// Sizes are whole 64-bit counts. A free space that grew meanwhile counts as nothing
// written; a drive with no free space at the start counts as done.
EraseProgress MeasureEraseProgress(uint64_t initialFreeBytes, uint64_t freeBytesNow, uint64_t elapsedMs);

}  // namespace tavolen
