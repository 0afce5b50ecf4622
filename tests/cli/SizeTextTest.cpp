// The size rule of the rows: unit steps, one decimal, and the capacity bar's edges.
#include <gtest/gtest.h>

#include "control/panels/SizeText.h"

using namespace tavolen;

namespace {
constexpr uint64_t kGiB = uint64_t(1) << 30;
constexpr uint64_t kMiB = uint64_t(1) << 20;
}  // namespace

TEST(SizeRule, GigabytesFromExactlyOneGiB) {
  EXPECT_EQ(UsedOfTotalText(kGiB, 0), "1.0 / 1.0 GB");
  EXPECT_EQ(UsedOfTotalText(kGiB - 1, 0), "1024.0 / 1024.0 MB");
  EXPECT_EQ(UsedOfTotalText(500 * kGiB, 125 * kGiB), "375.0 / 500.0 GB");
  EXPECT_EQ(UsedOfTotalText(0, 0), "0.0 / 0.0 MB");
}

TEST(SizeRule, BarPositionIsUsedPercentCappedAt99) {
  EXPECT_EQ(CapacityBarPosition(100, 0), 99u) << "a full volume";
  EXPECT_EQ(CapacityBarPosition(0, 0), 99u) << "a total of zero";
  EXPECT_EQ(CapacityBarPosition(100, 100), 0u);
  EXPECT_EQ(CapacityBarPosition(100, 75), 25u);
  EXPECT_EQ(CapacityBarPosition(3, 1), 67u) << "free share rounds down, so used rounds up";
  EXPECT_EQ(CapacityBarPosition(1000, 1), 99u) << "almost full is capped below 100";
  EXPECT_EQ(CapacityBarPosition(100, 200), 0u) << "more free than total reads as empty";
  EXPECT_EQ(CapacityBarPosition(uint64_t(16) << 40, uint64_t(8) << 40), 50u);
}

TEST(SizeRule, SingleSizesStepUpToTerabytes) {
  EXPECT_EQ(SizeText(512 * kMiB), "512.0 MB");
  EXPECT_EQ(SizeText(kGiB), "1.0 GB");
  EXPECT_EQ(SizeText((uint64_t(1) << 40) - 1), "1024.0 GB");
  EXPECT_EQ(SizeText(uint64_t(3) << 39), "1.5 TB");
}
