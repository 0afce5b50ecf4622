// The shell's adapters under Wine: its file operation on files of the test's own folder,
// its "open" of the probe program with quoted parameters, and the recycle bins' size
// asked with the platform's record.
#include "ports/win/Win32RecycleBin.h"
#include "ports/win/Win32ShellFiles.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "framework/Utf16.h"

namespace tavolen {
namespace {

std::wstring Folder(const wchar_t* name) {
  wchar_t temp[MAX_PATH] = {};
  ::GetTempPathW(MAX_PATH, temp);
  std::wstring folder = std::wstring(temp) + name + L"-" + std::to_wstring(::GetCurrentProcessId());
  ::CreateDirectoryW(folder.c_str(), nullptr);
  return folder;
}

void Touch(const std::wstring& path) {
  const HANDLE file = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  ::CloseHandle(file);
}

bool Exists(const std::wstring& path) { return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::u16string List(const std::wstring& path) { return ToUtf16(path) + u'\0' + u'\0'; }

TEST(Win32ShellFiles, CopiesAndDeletesForGoodAndRefusesAListWithoutItsEnd) {
  const std::wstring from = Folder(L"ShellFrom"), to = Folder(L"ShellTo");
  Touch(from + L"\\a.txt");
  Win32ShellFiles shell;
  constexpr uint32_t kMove = 1, kCopy = 2, kDelete = 3, kNoConfirmation = 0x10, kNoConfirmMakeFolder = 0x200;
  EXPECT_TRUE(shell.Operate(0, kCopy, List(from + L"\\a.txt"), List(to), kNoConfirmMakeFolder));
  EXPECT_TRUE(Exists(to + L"\\a.txt"));
  EXPECT_TRUE(Exists(from + L"\\a.txt"));
  EXPECT_FALSE(shell.Operate(0, kMove, ToUtf16(from + L"\\a.txt"), List(to), kNoConfirmMakeFolder))
      << "a source list without its two NULs never reaches the shell";
  EXPECT_TRUE(Exists(from + L"\\a.txt"));
  EXPECT_TRUE(shell.Operate(0, kDelete, List(to + L"\\a.txt"), u"", kNoConfirmation));
  EXPECT_FALSE(Exists(to + L"\\a.txt"));
  ::DeleteFileW((from + L"\\a.txt").c_str());
  ::RemoveDirectoryW(from.c_str());
  ::RemoveDirectoryW(to.c_str());
}

TEST(Win32ShellFiles, OpenStartsTheProgramWithItsParametersInItsFolder) {
  const std::wstring folder = Folder(L"ShellOpen"), report = folder + L"\\probe.txt";
  ::DeleteFileW(report.c_str());
  wchar_t self[MAX_PATH] = {};
  ::GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring probe = self;
  probe = probe.substr(0, probe.rfind(L'\\') + 1) + L"ProcessProbe.exe";
  Win32ShellFiles shell;
  const intptr_t result = shell.Open(0, ShellOpen{u"open", ToUtf16(probe), u"\"C:\\in\\a b.txt\" \"C:\\in\\c.txt\"",
                                                  ToUtf16(folder), SW_SHOWNORMAL});
  EXPECT_GT(result, 32);
  // The probe runs on its own; it writes its report within a few seconds at most.
  std::wstring seen;
  for (int i = 0; i < 100 && seen.empty(); ++i) {
    ::Sleep(50);
    const HANDLE file = ::CreateFileW(report.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) continue;
    wchar_t buffer[1024] = {};
    DWORD read = 0;
    ::ReadFile(file, buffer, sizeof buffer - sizeof(wchar_t), &read, nullptr);
    ::CloseHandle(file);
    seen.assign(buffer, read / sizeof(wchar_t));
  }
  EXPECT_NE(seen.find(L"\"C:\\in\\a b.txt\" \"C:\\in\\c.txt\"\n"), std::wstring::npos) << seen;
  EXPECT_NE(seen.find(L"\n" + folder), std::wstring::npos) << seen;
  EXPECT_LE(shell.Open(0, ShellOpen{u"open", ToUtf16(folder + L"\\missing.exe"), u"", ToUtf16(folder), SW_SHOWNORMAL}),
            32)
      << "a missing program: the shell's error";
  ::Sleep(400);  // the probe ends before its folder goes
  ::DeleteFileW(report.c_str());
  ::RemoveDirectoryW(folder.c_str());
}

TEST(Win32RecycleBin, AnswersForTheRecordOfThisWordSize) {
  Win32RecycleBin bin;
  EXPECT_TRUE(bin.TotalSize().has_value()) << "the shell takes the platform's record (20 bytes in 32-bit builds)";
}

}  // namespace
}  // namespace tavolen
