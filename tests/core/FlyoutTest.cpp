// The flyout's place beside the gadget on synthetic work areas, its page contract, and
// the shared record's claim of a details request.
#include <gtest/gtest.h>

#include <map>
#include <thread>
#include <vector>

#include "control/core/FlyOutInfo.h"
#include "control/core/FlyoutPage.h"
#include "control/core/FlyoutPlacement.h"

using namespace tavolen;

TEST(FlyoutPlacement, TheFlyoutStandsLeftOfTheGadgetWhereItFitsElseRight) {
  const ScreenRect work{0, 0, 1920, 1040};
  struct Case {
    ScreenRect control;
    int width, height;
    ScreenPoint expected;
  };
  const std::vector<Case> cases = {
      {{1790, 10, 1920, 400}, 210, 340, {1580, 10}},   // docked right: to the left, level with the top
      {{100, 10, 230, 400}, 210, 340, {230, 10}},      // 100 px from the left edge: to the right
      {{210, 10, 340, 400}, 210, 340, {340, 10}},      // exactly at the edge counts as not fitting
      {{211, 10, 340, 400}, 210, 340, {1, 10}},
      {{1790, 900, 1920, 1000}, 210, 340, {1580, 700}},  // near the bottom: bottom on the work area's
      {{1790, 700, 1920, 1000}, 210, 340, {1580, 700}},  // exactly fitting counts as not fitting
      {{1790, 699, 1920, 1000}, 210, 340, {1580, 699}},
  };
  for (const Case& c : cases) EXPECT_EQ(FlyoutPosition(c.width, c.height, c.control, work), c.expected);
  // A second monitor left of the first: its own work area decides.
  EXPECT_EQ(FlyoutPosition(210, 340, ScreenRect{-1200, 50, -1070, 300}, ScreenRect{-1280, 0, 0, 1024}),
            (ScreenPoint{-1070, 50}));
}

TEST(FlyoutPage, EveryFieldGoesToItsElementInRecordOrder) {
  struct Recorder : FlyoutPagePort {
    void SetText(const std::u16string& id, const std::u16string& text) override { set.emplace_back(id, text); }
    std::vector<std::pair<std::u16string, std::u16string>> set;
  } page;
  FlyOutInfo info{};
  SetText(info.title, u"(E:) Properties");
  SetText(info.label, u"<b>x</b>");
  SetText(info.value3, u"HDD 2,4");
  FillFlyoutPage(page, info);
  ASSERT_EQ(page.set.size(), 12u);
  EXPECT_EQ(page.set[0], (std::pair<std::u16string, std::u16string>{u"TitleName", u"(E:) Properties"}));
  EXPECT_EQ(page.set[1], (std::pair<std::u16string, std::u16string>{u"VolumeLabel", u"<b>x</b>"}));
  EXPECT_EQ(page.set[3].first, u"VenderName");
  EXPECT_EQ(page.set[11], (std::pair<std::u16string, std::u16string>{u"Data3", u"HDD 2,4"}));
}

TEST(FlyOutRecord, AClaimReadsTheTitleAndWritesTheRecordInOneStep) {
  SharedFlyOutInfo shared;
  EXPECT_TRUE(shared.Claim(u"E:\\", u"(E:) Properties"));
  EXPECT_FALSE(shared.Claim(u"E:\\", u"(E:) Properties")) << "the same drive again closes it";
  FlyOutInfo built{};
  SetText(built.title, u"(E:) Properties");
  SetText(built.value1, u"104 F");
  EXPECT_TRUE(shared.Fill(built));
  EXPECT_EQ(std::u16string(shared.Get().value1), u"104 F");
  // A zeroing between the claim and the write (a click elsewhere, the flyout closed)
  // drops the finished record; so does another drive's claim.
  EXPECT_TRUE(shared.Claim(u"F:\\", u"(F:) Properties"));
  shared.Clear();
  FlyOutInfo late{};
  SetText(late.title, u"(F:) Properties");
  EXPECT_FALSE(shared.Fill(late));
  EXPECT_TRUE(shared.Claim(u"F:\\", u"(F:) Properties"));
  EXPECT_TRUE(shared.Claim(u"G:\\", u"(G:) Properties"));
  EXPECT_FALSE(shared.Fill(late));
  // Two requests for one drive at once: exactly one of them builds.
  shared.Clear();
  int claimed = 0;
  std::vector<std::thread> threads;
  std::mutex count;
  for (int i = 0; i < 8; ++i)
    threads.emplace_back([&] {
      if (shared.Claim(u"H:\\", u"(H:) Properties")) {
        std::lock_guard<std::mutex> lock(count);
        ++claimed;
      }
    });
  for (std::thread& t : threads) t.join();
  EXPECT_EQ(claimed, 1);
}
