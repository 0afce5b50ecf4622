// The row list: which panels a drive refresh removes, keeps and inserts, the no-media
// list, hidden drives, stacking, the row total and the poll of empty removable drives.
#include <gtest/gtest.h>

#include "tests/panels/PanelTestSupport.h"
#include "control/core/ControlHook.h"
#include "control/panels/RowPlan.h"

using namespace tavolen;
using tavolen::testing::OrderedVolumes;

namespace {

std::vector<std::u16string> Roots(const DriveRefreshPlan& plan) {
  std::vector<std::u16string> roots;
  for (const auto& panel : plan.panels) roots.push_back(panel.root);
  return roots;
}

using Roots16 = std::vector<std::u16string>;

LogicalDrive Drive(std::u16string root, DriveType type = DriveType::Fixed, bool hasMedium = true) {
  return LogicalDrive{std::move(root), type, hasMedium};
}

}  // namespace

TEST(DriveRefresh, FirstRefreshCreatesAPanelPerDriveInOrder) {
  const auto plan = PlanDriveRefresh({Drive(u"C:\\"), Drive(u"D:\\", DriveType::CdRom), Drive(u"E:\\")}, {}, false);
  EXPECT_EQ(Roots(plan), (Roots16{u"C:\\", u"D:\\", u"E:\\"}));
  EXPECT_TRUE(plan.removed.empty());
  for (const auto& panel : plan.panels) EXPECT_FALSE(panel.kept);
  EXPECT_TRUE(plan.noMedia.empty());
  EXPECT_FALSE(plan.startMediaPoll);
}

TEST(DriveRefresh, FloppyDrivesNeverGetAPanel) {
  const auto plan = PlanDriveRefresh({Drive(u"A:\\", DriveType::Removable), Drive(u"B:\\", DriveType::Removable),
                                      Drive(u"C:\\")},
                                     {}, false);
  EXPECT_EQ(Roots(plan), (Roots16{u"C:\\"}));
}

TEST(DriveRefresh, NewDrivesAreInsertedAtTheirPlaceAndExistingPanelsAreKept) {
  // C: and E: exist; D: and F: arrive.
  const auto plan =
      PlanDriveRefresh({Drive(u"C:\\"), Drive(u"D:\\"), Drive(u"E:\\"), Drive(u"F:\\")}, {u"C:\\", u"E:\\"}, false);
  ASSERT_EQ(Roots(plan), (Roots16{u"C:\\", u"D:\\", u"E:\\", u"F:\\"}));
  EXPECT_TRUE(plan.panels[0].kept);
  EXPECT_EQ(plan.panels[0].previousIndex, 0u);
  EXPECT_FALSE(plan.panels[1].kept);
  EXPECT_TRUE(plan.panels[2].kept);
  EXPECT_EQ(plan.panels[2].previousIndex, 1u);
  EXPECT_FALSE(plan.panels[3].kept);
  EXPECT_TRUE(plan.removed.empty());
}

TEST(DriveRefresh, DrivesThatWentAwayAreRemovedAndTheRestCloseUp) {
  const auto plan = PlanDriveRefresh({Drive(u"C:\\"), Drive(u"F:\\")}, {u"C:\\", u"D:\\", u"E:\\", u"F:\\"}, false);
  EXPECT_EQ(plan.removed, (std::vector<std::size_t>{1, 2}));
  ASSERT_EQ(Roots(plan), (Roots16{u"C:\\", u"F:\\"}));
  EXPECT_EQ(plan.panels[1].previousIndex, 3u);
}

TEST(DriveRefresh, RootsAreComparedByCodeUnitAndMatchedByTheirFirstTwoCharacters) {
  // The system may give longer roots; only "X:" counts. Code units order 'Z' before 'a'.
  const auto plan = PlanDriveRefresh({Drive(u"C:\\extra"), Drive(u"Z:\\"), Drive(u"a:\\")}, {u"C:\\", u"a:\\"}, false);
  ASSERT_EQ(Roots(plan), (Roots16{u"C:\\", u"Z:\\", u"a:\\"}));
  EXPECT_TRUE(plan.panels[0].kept);
  EXPECT_FALSE(plan.panels[1].kept);
  EXPECT_TRUE(plan.panels[2].kept);
}

TEST(DriveRefresh, KeptPanelsGetTheirIconByDriveType) {
  const auto plan = PlanDriveRefresh({Drive(u"C:\\", DriveType::Fixed), Drive(u"D:\\", DriveType::CdRom),
                                      Drive(u"E:\\", DriveType::Removable), Drive(u"N:\\", DriveType::Remote),
                                      Drive(u"R:\\", DriveType::RamDisk)},
                                     {u"C:\\", u"D:\\", u"E:\\", u"N:\\", u"R:\\"}, false);
  ASSERT_EQ(plan.panels.size(), 5u);
  EXPECT_EQ(plan.panels[0].icon, PanelIcon::Disk);
  EXPECT_EQ(plan.panels[1].icon, PanelIcon::Optical);
  EXPECT_EQ(plan.panels[2].icon, PanelIcon::Disk);
  EXPECT_EQ(plan.panels[3].icon, PanelIcon::Shell);
  EXPECT_EQ(plan.panels[4].icon, PanelIcon::Shell);
}

TEST(DriveRefresh, WatchedRemovableDriveWithoutMediumIsListedInsteadOfShown) {
  const std::vector<LogicalDrive> drives{Drive(u"C:\\"), Drive(u"G:\\", DriveType::Removable, false),
                                         Drive(u"H:\\", DriveType::Removable, true)};
  const auto watched = PlanDriveRefresh(drives, {u"C:\\", u"G:\\"}, true);
  EXPECT_EQ(Roots(watched), (Roots16{u"C:\\", u"H:\\"}));
  EXPECT_EQ(watched.removed, (std::vector<std::size_t>{1})) << "the empty slot's panel goes";
  EXPECT_EQ(watched.noMedia, (Roots16{u"G:\\"}));
  EXPECT_TRUE(watched.startMediaPoll);

  const auto unwatched = PlanDriveRefresh(drives, {u"C:\\", u"G:\\"}, false);
  EXPECT_EQ(Roots(unwatched), (Roots16{u"C:\\", u"G:\\", u"H:\\"}));
  EXPECT_TRUE(unwatched.noMedia.empty());
}

TEST(DriveRefresh, UnreadableFixedOrOpticalDrivesStayEvenWhenWatched) {
  const auto plan = PlanDriveRefresh({Drive(u"C:\\", DriveType::Fixed, false), Drive(u"D:\\", DriveType::CdRom, false)},
                                     {}, true);
  EXPECT_EQ(Roots(plan), (Roots16{u"C:\\", u"D:\\"}));
}

TEST(DriveRefresh, SurveyAsksForTheVolumeOnlyWhereTheWatchNeedsIt) {
  OrderedVolumes volumes;
  volumes.Add(u"A:\\", DriveType::Removable, std::nullopt);
  volumes.Add(u"C:\\", DriveType::Fixed);
  volumes.Add(u"G:\\", DriveType::Removable, std::nullopt);
  volumes.Add(u"H:\\", DriveType::Removable, u"CARD");

  const auto unwatched = SurveyDrives(volumes, false);
  EXPECT_TRUE(volumes.informationQueries.empty());
  ASSERT_EQ(unwatched.size(), 3u) << "A: is not asked about";
  EXPECT_TRUE(unwatched[1].hasMedium);

  const auto watched = SurveyDrives(volumes, true);
  EXPECT_EQ(volumes.informationQueries, (Roots16{u"G:\\", u"H:\\"}));
  ASSERT_EQ(watched.size(), 3u);
  EXPECT_EQ(watched[0].root, u"C:\\");
  EXPECT_TRUE(watched[0].hasMedium);
  EXPECT_FALSE(watched[1].hasMedium);
  EXPECT_TRUE(watched[2].hasMedium);
  EXPECT_EQ(watched[2].type, DriveType::Removable);
}

TEST(DriveRefresh, ACardInsertedIntoAWatchedSlotBringsItsPanelOnTheNextRefresh) {
  OrderedVolumes volumes;
  volumes.Add(u"C:\\", DriveType::Fixed);
  volumes.Add(u"G:\\", DriveType::Removable, std::nullopt);
  auto plan = PlanDriveRefresh(SurveyDrives(volumes, true), {}, true);
  EXPECT_EQ(Roots(plan), (Roots16{u"C:\\"}));
  EXPECT_EQ(PollNoMediaDrives(plan.noMedia, volumes), MediaPoll::PollAgain);

  volumes[u"G:\\"].label = u"CARD";
  EXPECT_EQ(PollNoMediaDrives(plan.noMedia, volumes), MediaPoll::Rebuild);
  plan = PlanDriveRefresh(SurveyDrives(volumes, true), {u"C:\\"}, true);
  EXPECT_EQ(Roots(plan), (Roots16{u"C:\\", u"G:\\"}));
  EXPECT_TRUE(plan.noMedia.empty());
}

TEST(MediaPoll, StopsWhenNothingIsListedAndRebuildsWhenADriveChanges) {
  OrderedVolumes volumes;
  volumes.Add(u"G:\\", DriveType::Removable, std::nullopt);
  volumes.Add(u"H:\\", DriveType::Removable, std::nullopt);
  EXPECT_EQ(PollNoMediaDrives({}, volumes), MediaPoll::Stop);
  EXPECT_EQ(PollNoMediaDrives({u"G:\\", u"H:\\"}, volumes), MediaPoll::PollAgain);

  volumes[u"H:\\"].type = DriveType::Fixed;
  EXPECT_EQ(PollNoMediaDrives({u"G:\\", u"H:\\"}, volumes), MediaPoll::Rebuild);
  // A drive letter that vanished altogether is no longer removable either.
  EXPECT_EQ(PollNoMediaDrives({u"Q:\\"}, volumes), MediaPoll::Rebuild);

  // The first changed drive ends the poll; the rest are not read.
  volumes[u"G:\\"].label = u"CARD";
  volumes.informationQueries.clear();
  EXPECT_EQ(PollNoMediaDrives({u"G:\\", u"H:\\"}, volumes), MediaPoll::Rebuild);
  EXPECT_EQ(volumes.informationQueries, (Roots16{u"G:\\"}));
}

TEST(HiddenDrives, HiddenPanelsAreDroppedLastToFirst) {
  const Roots16 panels{u"C:\\", u"D:\\", u"E:\\", u"F:\\"};
  EXPECT_EQ(HiddenPanels(u"F:\\D:\\", panels), (std::vector<std::size_t>{3, 1}));
  EXPECT_TRUE(HiddenPanels(u"", panels).empty());
  EXPECT_TRUE(HiddenPanels(u"X:\\", panels).empty());
}

TEST(HiddenDrives, TheWalkStopsAtAPanelWithoutRoot) {
  EXPECT_EQ(HiddenPanels(u"C:\\E:\\", {u"C:\\", u"", u"E:\\"}), (std::vector<std::size_t>{2}));
}

TEST(HiddenDrives, HidingAppendsTheRootWithinTheBuffer) {
  EXPECT_EQ(WithHiddenDrive(u"", u"E:\\"), u"E:\\");
  EXPECT_EQ(WithHiddenDrive(u"E:\\", u"F:\\"), u"E:\\F:\\");
  const std::u16string full(kHiddenDrivesCapacity - 2, u'x');
  EXPECT_EQ(WithHiddenDrive(full, u"G:\\").size(), kHiddenDrivesCapacity - 1);
}

TEST(HiddenDrives, AHideRequestFindsItsRowByDriveLetterEvenAfterRenumbering) {
  // Two panels asked to be hidden together: E: (slot 1) and F: (slot 2). Once E: is gone,
  // slot 2 is G:, but F:'s request still names F:.
  std::vector<std::u16string> roots{u"C:\\", u"E:\\", u"F:\\", u"G:\\"};
  const HideDriveRequest first = ReadHideDriveWParam(HideDriveWParam(1, u"E:\\"));
  const HideDriveRequest second = ReadHideDriveWParam(HideDriveWParam(2, u"F:\\"));
  ASSERT_EQ(PanelToHide(first.slotIndex, first.driveLetter, roots), std::optional<std::size_t>(1));
  roots.erase(roots.begin() + 1);
  EXPECT_EQ(PanelToHide(second.slotIndex, second.driveLetter, roots), std::optional<std::size_t>(1));
  EXPECT_EQ(roots[1], u"F:\\");
  // A row that is gone names nothing; a request without a letter falls back on the index.
  EXPECT_EQ(PanelToHide(0, u'Q', roots), std::nullopt);
  EXPECT_EQ(PanelToHide(2, 0, roots), std::optional<std::size_t>(2));
  EXPECT_EQ(PanelToHide(7, 0, roots), std::nullopt);
  // The low byte stays the slot index, as rows have always sent it.
  EXPECT_EQ(HideDriveWParam(3, u"Z:\\") & 0xFF, 3u);
  EXPECT_EQ(ReadHideDriveWParam(HideDriveWParam(3, u"")).driveLetter, 0);
}

TEST(HiddenDrives, StoredTextIsBoundedAndCutAtANul) {
  EXPECT_EQ(BoundHiddenDrives(std::u16string(u"E:\\\0F:\\", 7)), u"E:\\");
  EXPECT_EQ(BoundHiddenDrives(std::u16string(2000, u'Q')).size(), kHiddenDrivesCapacity - 1);
  // A hidden drive whose root lies beyond the buffer is not hidden.
  const std::u16string stored = std::u16string(kHiddenDrivesCapacity - 2, u'-') + u"E:\\";
  EXPECT_TRUE(HiddenPanels(BoundHiddenDrives(stored), {u"E:\\"}).empty());
}

TEST(Stacking, DrivePanelsThenPortablePanelsContinuingTheIndex) {
  const auto places = StackPanels(3, RowSize{150, 40}, 2, RowSize{150, 44});
  ASSERT_EQ(places.size(), 5u);
  EXPECT_EQ(places[0].y, 0);
  EXPECT_EQ(places[1].y, 41);
  EXPECT_EQ(places[2].y, 82);
  EXPECT_EQ(places[3].y, 3 * 45);
  EXPECT_EQ(places[4].y, 4 * 45);
  for (const auto& place : places) EXPECT_EQ(place.x, 0);
  EXPECT_EQ(places[2].height, 40);
  EXPECT_EQ(places[4].height, 44);
  EXPECT_EQ(places[0].width, 150);
  EXPECT_TRUE(StackPanels(0, {}, 0, {}).empty());
}

TEST(Stacking, RecycleAndShortcutRowsFollowTheRowCount) {
  const int rowHeight = 41;
  EXPECT_EQ(RecycleRowTop(3, rowHeight), 123);
  EXPECT_EQ(ShortcutRowTop(0, 3, true, rowHeight), 4 * 41);
  EXPECT_EQ(ShortcutRowTop(1, 3, true, rowHeight), 5 * 41);
  EXPECT_EQ(ShortcutRowTop(0, 3, false, rowHeight), 3 * 41);
  EXPECT_EQ(ShortcutRowTop(2, 0, false, rowHeight), 2 * 41);
}

TEST(Stacking, RowCountAndRowTotal) {
  const RowCounts rows{3, 0, 1, 2};
  EXPECT_EQ(RowTotal(rows), 6u);
  EXPECT_EQ(RowCount(rows), 3u);
  const RowCounts withPortables{2, 2, 0, 1};
  EXPECT_EQ(RowCount(withPortables), 4u);
  EXPECT_EQ(RowTotal(withPortables), 5u);
  EXPECT_EQ(RowTotal(RowCounts{}), 0u);
}
