// Where dropped files go and how: the drag's keys, dated folders, joins, the same-drive
// rule and the shell's lists.
#include <gtest/gtest.h>

#include "control/panels/DropCopyPlan.h"

using namespace tavolen;

namespace {
constexpr CalendarDate kDay{2014, 2, 28};

std::u16string List(std::initializer_list<const char16_t*> paths) {
  std::u16string list;
  for (const char16_t* path : paths) list += std::u16string(path) + u'\0';
  return list + u'\0';
}
}  // namespace

TEST(DropCopyPlan, OnlyTheExactKeyStatesMoveOrAsk) {
  EXPECT_EQ(DropChoiceFor(drag_key::kRightButton), DropChoice::AskWithMenu);
  EXPECT_EQ(DropChoiceFor(drag_key::kLeftButton | drag_key::kShift), DropChoice::Move);
  EXPECT_EQ(DropChoiceFor(drag_key::kLeftButton), DropChoice::Copy);
  EXPECT_EQ(DropChoiceFor(drag_key::kRightButton | drag_key::kShift), DropChoice::Copy);
  EXPECT_EQ(DropChoiceFor(drag_key::kLeftButton | drag_key::kShift | 0x8), DropChoice::Copy);
}

TEST(DropCopyPlan, FoldersAreJoinedWithOneSeparatorAndNetworkFoldersKeepTheirLead) {
  struct Case {
    const char16_t *folder, *name, *joined;
  };
  const Case cases[] = {
      {u"E:\\", u"2014_02_28", u"E:\\2014_02_28"},
      {u"E:\\", u"", u"E:\\"},
      {u"E:\\Photos", u"", u"E:\\Photos"},
      {u"E:", u"", u"E:\\"},
      {u"E:\\Photos\\\\", u"2014_02", u"E:\\Photos\\2014_02"},
      {u"\\\\server\\share", u"2014_02", u"\\\\server\\share\\2014_02"},
      {u"\\\\server\\share\\", u"", u"\\\\server\\share"},
      {u"\\\\server\\share\\a\\\\b\\", u"c", u"\\\\server\\share\\a\\\\b\\c"},
  };
  for (const Case& c : cases) EXPECT_TRUE(JoinPath(c.folder, c.name) == c.joined) << c.joined[0];
  SaveSettings network{SaveMethod::DayFolder, true, u"\\\\server\\share\\"};
  EXPECT_TRUE(DropFolder(network, u"E:\\", CalendarDate{2009, 11, 3}) == u"\\\\server\\share\\2009_11_03");
  EXPECT_TRUE(DropFolder(SaveSettings{SaveMethod::MonthFolder, false, u"E:\\"}, u"E:\\", kDay) == u"E:\\2014_02");
}

TEST(DropCopyPlan, ACopyFromTheSameDriveLetterMovesButNeverBetweenNetworkFolders) {
  struct Case {
    const char16_t *source, *destination;
    FileOperation chosen, planned;
  };
  const Case cases[] = {
      {u"C:\\a.txt", u"E:\\2014_02_28", FileOperation::Copy, FileOperation::Copy},
      {u"e:\\old\\a.txt", u"E:\\2014_02_28", FileOperation::Copy, FileOperation::Move},
      {u"E:\\old\\a.txt", u"e:\\", FileOperation::Copy, FileOperation::Move},
      {u"C:\\a.txt", u"E:\\", FileOperation::Move, FileOperation::Move},
      {u"\\\\server\\share\\a.txt", u"\\\\server\\other\\", FileOperation::Copy, FileOperation::Copy},
      {u"\\\\server\\share\\a.txt", u"\\\\server\\share\\x", FileOperation::Copy, FileOperation::Copy},
  };
  for (const Case& c : cases)
    EXPECT_EQ(PlanDropCopy(c.chosen, {c.source}, c.destination).operation, c.planned) << c.source[0];
}

TEST(DropCopyPlan, TheShellGetsDoubleNulListsAndTheRecycleBinItsFlags) {
  const FileOperationPlan two = PlanDropCopy(FileOperation::Copy, {u"C:\\a.txt", u"C:\\b"}, u"E:\\x");
  EXPECT_EQ(two.sources, List({u"C:\\a.txt", u"C:\\b"}));
  EXPECT_EQ(two.destination, List({u"E:\\x"}));
  const FileOperationPlan bin = PlanDropDelete({u"C:\\a.txt"}, false);
  EXPECT_EQ(bin.operation, FileOperation::Delete);
  EXPECT_EQ(bin.flags, file_operation_flag::kNoConfirmation | file_operation_flag::kAllowUndo);
  EXPECT_EQ(PlanDropDelete({u"C:\\a.txt"}, true).flags, file_operation_flag::kNoConfirmation) << "Shift: for good";
}
