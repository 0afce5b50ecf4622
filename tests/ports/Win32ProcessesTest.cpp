// The process adapter starting a probe program in place of cmd.exe, in a temporary folder
// of the test's own.
#include "ports/win/Win32Processes.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "framework/Utf16.h"

namespace tavolen {
namespace {

std::wstring TempFolder(const wchar_t* name) {
  wchar_t temp[MAX_PATH] = {};
  ::GetTempPathW(MAX_PATH, temp);
  std::wstring folder = std::wstring(temp) + name + L"-" + std::to_wstring(::GetCurrentProcessId());
  ::CreateDirectoryW(folder.c_str(), nullptr);
  return folder;
}

std::wstring BesideThisProgram(const wchar_t* name) {
  wchar_t self[MAX_PATH] = {};
  ::GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring path = self;
  return path.substr(0, path.rfind(L'\\') + 1) + name;
}

std::wstring ReadWide(const std::wstring& path) {
  const HANDLE file = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return {};
  wchar_t buffer[2048] = {};
  DWORD read = 0;
  ::ReadFile(file, buffer, sizeof buffer - sizeof(wchar_t), &read, nullptr);
  ::CloseHandle(file);
  return std::wstring(buffer, read / sizeof(wchar_t));
}

TEST(Win32Processes, RunStartsTheProgramByItsPathInTheFolderAndWaitsForItsEnd) {
  const std::wstring folder = TempFolder(L"ProcessProbe");
  const std::wstring report = folder + L"\\probe.txt";
  ::DeleteFileW(report.c_str());
  Win32Processes processes;
  const std::optional<uint32_t> code =
      processes.Run(ToUtf16(BesideThisProgram(L"ProcessProbe.exe")), u"/c C:\\x\\cipher.exe /w:E:", ToUtf16(folder), true);
  ASSERT_EQ(code, 7u) << "the exit code once it has ended";
  const std::wstring seen = ReadWide(report);
  EXPECT_NE(seen.find(L"ProcessProbe.exe\" /c C:\\x\\cipher.exe /w:E:\n"), std::wstring::npos) << seen;
  EXPECT_NE(seen.find(L"\n" + folder), std::wstring::npos) << "run in the folder asked for: " << seen;
  ::DeleteFileW(report.c_str());

  // A program that cannot be started: no exit code, and nothing waited for or closed.
  EXPECT_FALSE(processes.Run(ToUtf16(folder + L"\\missing.exe"), u"", ToUtf16(folder), true));
  EXPECT_FALSE(processes.Start(ToUtf16(folder + L"\\missing.exe"), u"", ToUtf16(folder), true));
  ::RemoveDirectoryW(folder.c_str());
}

}  // namespace
}  // namespace tavolen
