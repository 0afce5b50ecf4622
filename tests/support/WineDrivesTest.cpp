// Drive letters defined through the Wine mount manager: seen by the volume calls with the
// type, label and sizes asked for, and gone again when their owner ends.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <utility>
#include <vector>

#include "framework/UniqueHandle.h"
#include "sim/win/WineDrives.h"

namespace tavolen::test {
namespace {

// The 32- and 64-bit programs share the prefix: each word size has letters of its own.
constexpr wchar_t kFirstLetter = sizeof(void*) == 4 ? L'Q' : L'U';

constexpr int kLetterCount = 4;

// A run that ended abruptly leaves its letters defined in the prefix: each test takes
// them away first.
void RemoveLeftoverLetters() {
  for (int i = 0; i < kLetterCount; ++i) RemoveUnixDrive(wchar_t(kFirstLetter + i));
}

class WineDriveTest : public ::testing::Test {
 protected:
  void SetUp() override { RemoveLeftoverLetters(); }
};

std::wstring TempFolder(const wchar_t* name) {
  wchar_t temp[MAX_PATH] = {};
  ::GetTempPathW(MAX_PATH, temp);
  return std::wstring(temp) + L"tavolen-drives-" + std::to_wstring(sizeof(void*) * 8) + L"-" + name;
}

std::vector<std::wstring> LogicalDrives() {
  std::vector<wchar_t> buffer(::GetLogicalDriveStringsW(0, nullptr) + 1);
  const DWORD length = ::GetLogicalDriveStringsW(DWORD(buffer.size()), buffer.data());
  std::vector<std::wstring> roots;
  for (DWORD at = 0; at < length && buffer[at];) {
    roots.emplace_back(&buffer[at]);
    at += DWORD(roots.back().size() + 1);
  }
  return roots;
}

bool Listed(const std::wstring& root) {
  for (const std::wstring& r : LogicalDrives())
    if (_wcsicmp(r.c_str(), root.c_str()) == 0) return true;
  return false;
}

std::wstring Label(const std::wstring& root) {
  wchar_t label[MAX_PATH + 1] = {};
  if (!::GetVolumeInformationW(root.c_str(), label, MAX_PATH + 1, nullptr, nullptr, nullptr, nullptr, 0))
    return L"<failed " + std::to_wstring(::GetLastError()) + L">";
  return label;
}

std::string Narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }

struct Case {
  UINT type;
  const wchar_t* name;
  const wchar_t* label;
};

class WineDriveTypes : public ::testing::TestWithParam<std::pair<int, Case>> {
 protected:
  void SetUp() override { RemoveLeftoverLetters(); }
};

TEST_P(WineDriveTypes, LetterTypeLabelAndSizeThenGone) {
  const auto& [index, c] = GetParam();
  const wchar_t letter = wchar_t(kFirstLetter + index);
  const std::wstring root{letter, L':', L'\\'};
  ASSERT_FALSE(Listed(root)) << "letter " << char(letter) << " is taken already";
  {
    WineDrive drive(letter, c.type, TempFolder(c.name), c.label);
    ASSERT_TRUE(drive) << "error " << drive.Error();
    EXPECT_EQ(drive.Letter(), letter);
    EXPECT_EQ(drive.Root(), root);

    EXPECT_TRUE(Listed(root));
    EXPECT_EQ(::GetDriveTypeW(root.c_str()), c.type);
    EXPECT_EQ(Narrow(Label(root)), Narrow(c.label));

    ULARGE_INTEGER available{}, total{}, free{};
    ASSERT_TRUE(::GetDiskFreeSpaceExW(root.c_str(), &available, &total, &free)) << ::GetLastError();
    EXPECT_GT(total.QuadPart, 0u);
    EXPECT_LE(free.QuadPart, total.QuadPart);
    EXPECT_LE(available.QuadPart, free.QuadPart);
  }
  EXPECT_FALSE(Listed(root));
  EXPECT_EQ(::GetDriveTypeW(root.c_str()), UINT(DRIVE_NO_ROOT_DIR));
}

INSTANTIATE_TEST_SUITE_P(AllTypes, WineDriveTypes,
                         ::testing::Values(std::pair{0, Case{DRIVE_FIXED, L"fixed", L"DATA DISK"}},
                                           std::pair{1, Case{DRIVE_REMOVABLE, L"removable", L"CARD"}},
                                           std::pair{2, Case{DRIVE_REMOTE, L"remote", L"SHARE"}},
                                           std::pair{3, Case{DRIVE_CDROM, L"cdrom", L"DISC_01"}}),
                         [](const auto& p) {
                           return std::to_string(p.param.second.type) + "_" + Narrow(p.param.second.name);
                         });

TEST_F(WineDriveTest, TheLetterShowsTheFolderItWasGiven) {
  const std::wstring folder = TempFolder(L"content");
  WineDrive drive(kFirstLetter, DRIVE_FIXED, folder);
  ASSERT_TRUE(drive) << drive.Error();
  {
    const UniqueHandle file(::CreateFileW((folder + L"\\marker.txt").c_str(), GENERIC_WRITE, 0, nullptr,
                                          CREATE_ALWAYS, 0, nullptr));
    ASSERT_TRUE(file);
    DWORD written = 0;
    ASSERT_TRUE(::WriteFile(file.get(), "here", 4, &written, nullptr));
  }
  const UniqueHandle seen(::CreateFileW((drive.Root() + L"marker.txt").c_str(), GENERIC_READ, FILE_SHARE_READ,
                                        nullptr, OPEN_EXISTING, 0, nullptr));
  ASSERT_TRUE(seen) << ::GetLastError();
  char text[8] = {};
  DWORD read = 0;
  ASSERT_TRUE(::ReadFile(seen.get(), text, sizeof text, &read, nullptr));
  EXPECT_EQ(std::string(text, read), "here");
}

TEST_F(WineDriveTest, AMovedDriveIsRemovedOnceByItsLastOwner) {
  const std::wstring root{kFirstLetter, L':', L'\\'};
  WineDrive target;
  EXPECT_FALSE(target);
  {
    WineDrive first(kFirstLetter, DRIVE_REMOVABLE, TempFolder(L"moved"));
    ASSERT_TRUE(first) << first.Error();
    WineDrive second(std::move(first));
    EXPECT_FALSE(first);  // NOLINT(bugprone-use-after-move): a moved-from owner is empty by contract
    EXPECT_TRUE(second);
    target = std::move(second);
  }
  // The moved-from owners ended without taking the letter away.
  EXPECT_TRUE(Listed(root));
  EXPECT_EQ(::GetDriveTypeW(root.c_str()), UINT(DRIVE_REMOVABLE));
  EXPECT_TRUE(target.Remove());
  EXPECT_FALSE(target);
  EXPECT_FALSE(Listed(root));
}

TEST_F(WineDriveTest, AssigningOverAnOwnedDriveRemovesTheOldLetter) {
  const std::wstring oldRoot{kFirstLetter, L':', L'\\'};
  const std::wstring newRoot{wchar_t(kFirstLetter + 1), L':', L'\\'};
  WineDrive drive(kFirstLetter, DRIVE_FIXED, TempFolder(L"old"));
  ASSERT_TRUE(drive) << drive.Error();
  drive = WineDrive(wchar_t(kFirstLetter + 1), DRIVE_CDROM, TempFolder(L"new"));
  ASSERT_TRUE(drive) << drive.Error();
  EXPECT_FALSE(Listed(oldRoot));
  EXPECT_TRUE(Listed(newRoot));
  EXPECT_EQ(::GetDriveTypeW(newRoot.c_str()), UINT(DRIVE_CDROM));
}

TEST_F(WineDriveTest, ALetterOutsideTheAlphabetIsRefused) {
  WineDrive drive(L'1', DRIVE_FIXED, TempFolder(L"refused"));
  EXPECT_FALSE(drive);
  EXPECT_EQ(drive.Error(), DWORD(ERROR_INVALID_PARAMETER));
  EXPECT_EQ(DefineUnixDrive(L'Q', DRIVE_NO_ROOT_DIR, "/tmp"), DWORD(ERROR_INVALID_PARAMETER));
}

TEST_F(WineDriveTest, TheUnixPathOfAFolderIsAbsolute) {
  const std::string path = UnixPathOf(TempFolder(L"content"));
  ASSERT_FALSE(path.empty());
  EXPECT_EQ(path.front(), '/');
  EXPECT_NE(path.find("tavolen-drives-"), std::string::npos);
}

}  // namespace
}  // namespace tavolen::test
