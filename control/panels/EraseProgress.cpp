#include "control/panels/EraseProgress.h"

namespace tavolen {

namespace {

constexpr uint64_t kMiB = uint64_t(1) << 20;
constexpr uint64_t kLastUpdateBelow = 10 * kMiB;
constexpr std::size_t kMostStatusLength = 17;

uint32_t Position(uint64_t initialFree, uint64_t written) {
  if (initialFree == 0) return 100;
  const uint64_t percent =
      written <= UINT64_MAX / 100 ? written * 100 / initialFree : written / (initialFree / 100);
  return percent > 100 ? 100 : uint32_t(percent);
}

std::u16string RemainingText(uint64_t seconds) {
  if (seconds >= 3600) return u"約" + DecimalText(seconds / 3600) + u" 時間";
  if (seconds < 60) return u"約 " + DecimalText(seconds) + u" 秒";
  return u"約" + DecimalText(seconds / 60) + u" 分";
}

}  // namespace

std::u16string DecimalText(uint64_t value) {
  std::u16string digits;
  do {
    digits.insert(digits.begin(), char16_t(u'0' + value % 10));
    value /= 10;
  } while (value != 0);
  return digits;
}

std::u16string NextEraseStatus(std::u16string_view current) {
  if (current.size() > kMostStatusLength) return erase_text::kStatus;
  return std::u16string(current) + u".";
}

EraseProgress MeasureEraseProgress(uint64_t initialFreeBytes, uint64_t freeBytesNow, uint64_t elapsedMs) {
  EraseProgress progress;
  const uint64_t written = freeBytesNow >= initialFreeBytes ? 0 : initialFreeBytes - freeBytesNow;
  progress.position = Position(initialFreeBytes, written);
  progress.lastUpdate = freeBytesNow < kLastUpdateBelow;
  // Whole numbers, so that every build rounds alike.
  if (elapsedMs != 0)
    progress.bytesPerSecond =
        written <= UINT64_MAX / 1000 ? written * 1000 / elapsedMs : written / elapsedMs * 1000;
  progress.speedText = DecimalText(progress.bytesPerSecond / kMiB) + u" MB/s";
  if (progress.bytesPerSecond != 0) progress.remainingText = RemainingText(freeBytesNow / progress.bytesPerSecond);
  return progress;
}

}  // namespace tavolen
