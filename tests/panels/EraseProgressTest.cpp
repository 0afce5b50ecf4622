// What the erase dialog shows every five seconds, and its busy dots.
#include <gtest/gtest.h>

#include "control/panels/EraseProgress.h"

using namespace tavolen;

namespace {
constexpr uint64_t kMiB = uint64_t(1) << 20;
constexpr uint64_t kGiB = uint64_t(1) << 30;
}  // namespace

TEST(EraseProgress, ProgressSpeedAndTimeLeftFollowTheFreeSpaceAndTheTime) {
  struct Case {
    uint64_t initialFree, freeNow, elapsedMs;
    uint32_t position;
    const char16_t* speed;
    const char16_t* remaining;
    bool lastUpdate;
  };
  const Case cases[] = {
      // 10 MiB/s with 590 MiB left: 59 s, 60 s, and an hour.
      {1000 * kMiB, 590 * kMiB, 41000, 41, u"10 MB/s", u"約 59 秒", false},
      {1000 * kMiB, 600 * kMiB, 40000, 40, u"10 MB/s", u"約1 分", false},
      {100 * kGiB, 100 * kGiB - 50 * kMiB, 5000, 0, u"10 MB/s", u"約2 時間", false},
      {36050 * kMiB, 36000 * kMiB, 5000, 0, u"10 MB/s", u"約1 時間", false},
      // Nothing written yet: no speed, no estimate, and nothing divided by zero.
      {4 * kGiB, 4 * kGiB, 5000, 0, u"0 MB/s", u"", false},
      {4 * kGiB, 3 * kGiB, 0, 25, u"0 MB/s", u"", false},
      // Someone freed space meanwhile: nothing counts as written, nothing wraps.
      {4 * kGiB, 5 * kGiB, 5000, 0, u"0 MB/s", u"", false},
      // No free space at the start: done; less than 10 MiB left: the last update.
      {0, 0, 5000, 100, u"0 MB/s", u"", true},
      {64 * kMiB, 9 * kMiB, 5000, 85, u"11 MB/s", u"約 0 秒", true},
      // Sizes beyond 32 bits everywhere: 8 TiB at 4 GiB/s.
      {8192 * kGiB, 8192 * kGiB - 20 * kGiB, 5000, 0, u"4096 MB/s", u"約34 分", false},
  };
  for (const Case& c : cases) {
    const EraseProgress p = MeasureEraseProgress(c.initialFree, c.freeNow, c.elapsedMs);
    SCOPED_TRACE(testing::Message() << c.initialFree << " " << c.freeNow << " " << c.elapsedMs);
    EXPECT_EQ(p.position, c.position);
    EXPECT_TRUE(p.speedText == c.speed);
    EXPECT_TRUE(p.remainingText == c.remaining);
    EXPECT_EQ(p.lastUpdate, c.lastUpdate);
  }
}

TEST(EraseProgress, TheStatusLineCyclesFromNoDotToElevenDots) {
  std::u16string status = erase_text::kStatus;
  for (int dots = 1; dots <= 11; ++dots) {
    status = NextEraseStatus(status);
    EXPECT_EQ(status.size(), 7u + std::size_t(dots));
  }
  EXPECT_TRUE(NextEraseStatus(status) == erase_text::kStatus);
}
