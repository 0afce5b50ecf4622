// The shortcut buttons' stored forms (records as private-profile structures, item lists
// as numbers), read back from a settings file anyone may edit, and what a click or a drop
// on a shortcut asks the shell for.
#include <gtest/gtest.h>

#include <vector>

#include "control/panels/ItemListText.h"
#include "control/panels/PanelTexts.h"
#include "control/panels/ShortcutStore.h"
#include "tests/fakes/MemorySettingsFile.h"

using namespace tavolen;

namespace {

ShortcutRecord LinkRecord() {
  ShortcutRecord record = EmptyShortcutRecord();
  SetShortcutField(record.title, u"Editor.lnk");
  SetShortcutField(record.targetPath, u"C:\\Tools\\editor.exe");
  SetShortcutField(record.arguments, u"-n");
  SetShortcutField(record.workingDirectory, u"C:\\Work");
  record.showCommand = 3;
  SetShortcutField(record.iconPath, u"C:\\Tools\\editor.exe");
  record.iconIndex = -2;
  return record;
}

// An item list of two items and the terminator: 6 + 5 + 2 bytes.
const std::vector<uint8_t> kTwoItems = {6, 0, 'a', 'b', 'c', 'd', 5, 0, 0xFF, 0x80, 0x7F, 0, 0};

}  // namespace

TEST(ShortcutRecord, IsStoredAsHexBytesWithAChecksumAndComesBackWhole) {
  const uint8_t bytes[] = {0x01, 0xAB, 0xFF};
  EXPECT_EQ(EncodeProfileStruct(bytes, 3), u"01ABFFAB") << "0x01 + 0xAB + 0xFF = 0x1AB: checksum AB";

  const ShortcutRecord record = LinkRecord();
  const std::u16string stored = EncodeShortcutRecord(record);
  ASSERT_EQ(stored.size(), 2u * 2608 + 2);
  const auto back = DecodeShortcutRecord(stored);
  ASSERT_TRUE(back);
  EXPECT_EQ(ShortcutField(back->targetPath), u"C:\\Tools\\editor.exe");
  EXPECT_EQ(ShortcutField(back->arguments), u"-n");
  EXPECT_EQ(ShortcutField(back->workingDirectory), u"C:\\Work");
  EXPECT_EQ(back->showCommand, 3u);
  EXPECT_EQ(back->iconIndex, -2);
  EXPECT_EQ(stored.substr(0, 8), u"45006400") << "UTF-16 little-endian: 'E' 'd'";
}

TEST(ShortcutRecord, AStructureIsRefusedUnlessItsLengthDigitsAndChecksumAreRight) {
  const std::u16string good = EncodeShortcutRecord(LinkRecord());
  std::u16string badSum = good;
  badSum.back() = badSum.back() == u'0' ? u'1' : u'0';
  std::u16string badDigit = good;
  badDigit[10] = u'G';
  std::u16string lower = good;
  for (auto& c : lower) c = (c >= u'A' && c <= u'F') ? char16_t(c - u'A' + u'a') : c;
  EXPECT_TRUE(DecodeShortcutRecord(good));
  EXPECT_TRUE(DecodeShortcutRecord(lower)) << "the system reads either case";
  EXPECT_FALSE(DecodeShortcutRecord(badSum));
  EXPECT_FALSE(DecodeShortcutRecord(badDigit));
  EXPECT_FALSE(DecodeShortcutRecord(good.substr(0, good.size() - 2)));
  EXPECT_FALSE(DecodeShortcutRecord(good + u"00"));
  EXPECT_FALSE(DecodeShortcutRecord(u""));
}

TEST(ShortcutRecord, EveryFieldReadBackEndsInsideItsCapacity) {
  // A stored record whose text fields are full to the last character, without a NUL.
  std::array<uint8_t, kShortcutRecordSize> bytes{};
  bytes.fill('x');
  const ShortcutRecord record = ShortcutRecordFromBytes(bytes);
  for (const auto* field : {&record.title, &record.targetPath, &record.arguments, &record.workingDirectory,
                            &record.iconPath})
    EXPECT_EQ(ShortcutField(*field).size(), 259u);
  EXPECT_EQ(record.title[259], u'\0');

  ShortcutRecord written = EmptyShortcutRecord();
  SetShortcutField(written.title, std::u16string(260, u't'));
  EXPECT_EQ(ShortcutField(written.title), std::u16string(259, u't')) << "a 260-character title is cut to 259";
}

TEST(ItemListText, EncodesWordsAsSignedNumbersAndDecodesThemBack) {
  const auto text = EncodeItemList(kTwoItems.data(), kTwoItems.size());
  ASSERT_TRUE(text);
  // 13 bytes: 13 / 4 + 1 = 4 words, the bytes after the list read as zeros.
  EXPECT_EQ(*text, u"1650524166,353379,8356095,0,");
  const auto list = DecodeItemList(*text);
  ASSERT_TRUE(list);
  ASSERT_EQ(list->size(), kItemListBufferSize);
  EXPECT_TRUE(std::equal(kTwoItems.begin(), kTwoItems.end(), list->begin()));
  EXPECT_TRUE(SameItemList(*list, kTwoItems));
  EXPECT_FALSE(SameItemList(*list, {6, 0, 'a', 'b', 'c', 'x', 0, 0}));

  const std::vector<uint8_t> desktop = {0, 0};
  EXPECT_EQ(EncodeItemList(desktop.data(), desktop.size()), u"0,");
  EXPECT_FALSE(EncodeItemList(kTwoItems.data(), kTwoItems.size() - 1)) << "no terminator";
  std::vector<uint8_t> longest(1034, 0);
  longest[0] = 0x08, longest[1] = 0x04;  // one item of 1032 bytes and the terminator: 259 words
  const auto fits = EncodeItemList(longest.data(), longest.size());
  ASSERT_TRUE(fits);
  EXPECT_TRUE(DecodeItemList(*fits));
  std::vector<uint8_t> tooLong(1036, 0);
  tooLong[0] = 0x0A, tooLong[1] = 0x04;  // 1034 bytes and the terminator: 260 words
  EXPECT_FALSE(EncodeItemList(tooLong.data(), tooLong.size()));
}

TEST(ItemListText, HostileTextsAreRefusedBeforeAnyShellCall) {
  std::u16string endless;  // 300 words of items that never end
  for (int i = 0; i < 300; ++i) endless += u"262148,";  // items of 4 bytes, never a terminator
  std::u16string manyThenEnd;  // a terminator only after the buffer
  for (int i = 0; i < 259; ++i) manyThenEnd += u"262148,";
  manyThenEnd += u"0,";
  const struct {
    std::u16string text;
    bool accepted;
  } cases[] = {
      {u"0,", true},
      {u"6,0,", true},                       // an item of 6 bytes, then the terminator
      {u"-2147483648,", true},               // the smallest number; its low half ends the list
      {u"-2147483649,", false},              // beyond 32 bits
      {u"2147483648,", false},               // beyond 32 bits
      {u"99999999999999999999,", false},
      {u"12a,", false},
      {u",", false},
      {u"0", false},                         // no comma: nothing an encoder writes
      {u"", false},
      {u"1,", false},                        // an item of size 1 never moves on
      {u"1036,", false},                     // an item running past the buffer
      {endless, false},
      {manyThenEnd, false},
      {u"0,garbage after the last comma", true},
  };
  for (const auto& c : cases)
    EXPECT_EQ(DecodeItemList(c.text).has_value(), c.accepted) << std::string(c.text.begin(), c.text.end());
  EXPECT_FALSE(IsEncodedItemList(u""));
  EXPECT_FALSE(IsEncodedItemList(u"C:\\x"));
  EXPECT_TRUE(IsEncodedItemList(u"0,"));
}

TEST(ShortcutStore, EachColumnKeepsItsRecordOrItsTextAndABrokenRecordReadsAsText) {
  tavolen::testing::MemorySettingsFile ini;
  const ShortcutRecord record = LinkRecord();
  ASSERT_TRUE(WriteStoredShortcut(ini, 2, 0, u"ignored", &record));
  ASSERT_TRUE(WriteStoredShortcut(ini, 2, 2, u"C:\\Docs", nullptr));
  EXPECT_EQ(ini.Value(u"SHORTCUT_LINE2", u"2"), u"C:\\Docs");

  const StoredShortcut first = ReadStoredShortcut(ini, 2, 0);
  ASSERT_TRUE(first.record);
  EXPECT_EQ(ShortcutField(first.record->targetPath), u"C:\\Tools\\editor.exe");
  const StoredShortcut third = ReadStoredShortcut(ini, 2, 2);
  EXPECT_FALSE(third.record);
  EXPECT_EQ(third.text, u"C:\\Docs");
  EXPECT_EQ(ReadStoredShortcut(ini, 2, 1).text, u"") << "a missing key is an empty button";

  std::u16string broken = ini.Value(u"SHORTCUT_LINE2", u"0");
  broken.back() = broken.back() == u'0' ? u'1' : u'0';
  ini.Write(u"SHORTCUT_LINE2", u"0", broken);
  const StoredShortcut reread = ReadStoredShortcut(ini, 2, 0);
  EXPECT_FALSE(reread.record);
  EXPECT_EQ(reread.text, broken.substr(0, 2599)) << "the hexadecimal text, cut to its buffer";
  EXPECT_FALSE(DecodeItemList(reread.text)) << "and never handed to the shell as a list";
}

TEST(ShortcutStore, TooltipNamesAndOpenRequests) {
  const ShortcutRecord record = LinkRecord();
  EXPECT_EQ(ShortcutTooltipName(u"C:\\Tools\\editor.exe", &record, true), u"Editor.lnk");
  EXPECT_EQ(ShortcutTooltipName(u"C:\\Docs\\a.txt", nullptr, true), u"a.txt");
  EXPECT_EQ(ShortcutTooltipName(u"E:\\", nullptr, false), u"E:\\");
  EXPECT_EQ(ShortcutTooltipName(u"C:\\Work\\Docs", nullptr, false), u"Docs");
  EXPECT_EQ(ShortcutTooltipName(u"C:\\Docs", nullptr, false), u"C:\\Docs") << "named as a drive root is";
  EXPECT_EQ(ShortcutTooltipName(u"Control Panel", nullptr, false), u"Control Panel");
  EXPECT_TRUE(IsLinkPath(u"C:\\a.lnk"));
  EXPECT_FALSE(IsLinkPath(u"C:\\a.LNK"));

  const ShellOpen plain = ShortcutOpenRequest(u"C:\\Docs", nullptr);
  EXPECT_EQ(plain.verb, u"open");
  EXPECT_EQ(plain.folder, u"C:\\Docs");
  EXPECT_EQ(plain.show, 1);
  const ShellOpen linked = ShortcutOpenRequest(u"C:\\Tools\\editor.exe", &record);
  EXPECT_EQ(linked.parameters, u"-n");
  EXPECT_EQ(linked.folder, u"C:\\Work");
  EXPECT_EQ(linked.show, 3);

  EXPECT_EQ(OpenOutcomeOf(42), OpenOutcome::Done);
  EXPECT_EQ(OpenOutcomeOf(5), OpenOutcome::Done);
  EXPECT_EQ(OpenOutcomeOf(31), OpenOutcome::OpenWith);
  EXPECT_EQ(OpenOutcomeOf(2), OpenOutcome::AskToForget);
  EXPECT_EQ(OpenOutcomeOf(32), OpenOutcome::AskToForget);
}

TEST(ShortcutStore, DropsStartProgramsWithQuotedPathsFillFoldersAndEmptyTheBin) {
  const std::vector<std::u16string> files = {u"C:\\in\\a b.txt", u"C:\\in\\c.txt"};
  const ShortcutRecord record = LinkRecord();
  using Action = ShortcutDropPlan::Action;

  const ShortcutDropPlan program = PlanShortcutDrop(DropTargetKind::File, u"C:\\Tools\\tool.exe", nullptr, files,
                                                    FileOperation::Copy, false);
  ASSERT_EQ(program.action, Action::Start);
  EXPECT_EQ(program.start.file, u"C:\\Tools\\tool.exe");
  EXPECT_EQ(program.start.parameters, u"\"C:\\in\\a b.txt\" \"C:\\in\\c.txt\"");
  const ShortcutDropPlan link =
      PlanShortcutDrop(DropTargetKind::File, u"C:\\Tools\\editor.exe", &record, files, FileOperation::Copy, false);
  EXPECT_EQ(link.start.parameters, u"-n \"C:\\in\\a b.txt\" \"C:\\in\\c.txt\"") << "after the record's arguments";
  EXPECT_EQ(link.start.folder, u"C:\\Work");

  const ShortcutDropPlan folder =
      PlanShortcutDrop(DropTargetKind::Folder, u"D:\\Inbox", nullptr, files, FileOperation::Move, false);
  ASSERT_EQ(folder.action, Action::Operate);
  EXPECT_EQ(folder.operation.operation, FileOperation::Move);
  EXPECT_EQ(folder.operation.destination, std::u16string(u"D:\\Inbox\0\0", 10));
  EXPECT_EQ(folder.operation.flags, file_operation_flag::kNoConfirmMakeFolder);

  for (bool shift : {false, true}) {
    const ShortcutDropPlan bin =
        PlanShortcutDrop(DropTargetKind::RecycleBin, u"", nullptr, files, FileOperation::Copy, shift);
    ASSERT_EQ(bin.action, Action::Operate);
    EXPECT_EQ(bin.operation.operation, FileOperation::Delete);
    EXPECT_EQ(bin.operation.flags & file_operation_flag::kAllowUndo, shift ? 0u : file_operation_flag::kAllowUndo);
  }
  EXPECT_EQ(PlanShortcutDrop(DropTargetKind::Missing, u"C:\\gone", nullptr, files, FileOperation::Copy, false).action,
            Action::Nothing);
}

TEST(RecycleTotalText, GigabytesFromOneGibibyteAndAnUnreadableBinIsEmpty) {
  EXPECT_EQ(RecycleTotalText(u"Total", uint64_t(3) << 29), u"Total 1.5 GB");
  EXPECT_EQ(RecycleTotalText(u"Total", uint64_t(300) << 20), u"Total 300.0 MB");
  EXPECT_EQ(RecycleTotalText(u"Total", (uint64_t(1) << 30) - 1), u"Total 1024.0 MB");
  EXPECT_EQ(RecycleTotalText(u"Total", uint64_t(3) << 40), u"Total 3072.0 GB") << "no TB step";
  EXPECT_EQ(RecycleTotalText(u"Total", std::nullopt), u"Total 0.0 MB");
}
