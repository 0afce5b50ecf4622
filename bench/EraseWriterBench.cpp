// The erase writer against the disk: our writer (1 MiB blocks, the cancel check before
// every block, the fill-file bookkeeping) beside a plain loop of unbuffered write-through
// 1 MiB writes of the same total (the yardstick: the writer must reach 0.95 of it), and,
// for information, the same loop with 4 MiB blocks and with two 1 MiB writes in flight.
// All write into one temporary folder on one file system, delete-on-close, one after the
// other; every figure is the median of five rounds, the order rotating between rounds.
//
//   EraseWriterBench [MiB]     the total of each write, 256 MiB at most (default 256)
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "control/device/AlignedBlock.h"
#include "control/panels/EraseWriter.h"
#include "framework/UniqueHandle.h"
#include "framework/Utf16.h"
#include "ports/win/Win32UnbufferedFiles.h"

namespace tavolen::bench {
namespace {

using Clock = std::chrono::steady_clock;
constexpr int kRounds = 5;
constexpr uint64_t kMiB = uint64_t(1) << 20;
constexpr DWORD kFillFlags =
    FILE_FLAG_WRITE_THROUGH | FILE_FLAG_NO_BUFFERING | FILE_FLAG_SEQUENTIAL_SCAN | FILE_FLAG_DELETE_ON_CLOSE;

// The bench folder as the "drive" the writer fills: exactly `total` bytes free.
class FolderVolume : public Volumes {
 public:
  explicit FolderVolume(uint64_t total) : total_(total) {}
  std::vector<std::u16string> DriveRoots() override { return {}; }
  DriveType Type(const std::u16string&) override { return DriveType::Removable; }
  std::optional<VolumeInformation> Information(const std::u16string&) override {
    return VolumeInformation{u"BENCH", u"NTFS"};
  }
  std::optional<VolumeSpace> Space(const std::u16string&) override { return VolumeSpace{total_, total_}; }

 private:
  uint64_t total_;
};

// No wipe: only the writing is measured.
class NoPrograms : public Processes {
 public:
  std::u16string SystemFolder() override { return {}; }
  bool Start(const std::u16string&, const std::u16string&, const std::u16string&, bool) override { return false; }
  std::optional<uint32_t> Run(const std::u16string&, const std::u16string&, const std::u16string&, bool) override {
    return std::nullopt;
  }
  bool IsRunning(std::u16string_view) override { return false; }
};

bool Writer(const std::wstring& folder, uint64_t total) {
  FolderVolume volume(total);
  Win32UnbufferedFiles files;
  NoPrograms programs;
  EraseSession session(ToUtf16(folder + L"\\"));
  const EraseResult result = RunEraseWriter(session, volume, files, programs);
  return result.outcome == EraseOutcome::Finished && result.bytesWritten == total;
}

bool PlainLoop(const std::wstring& folder, uint64_t total, std::size_t blockBytes) {
  const AlignedBlock block(blockBytes);
  UniqueHandle file(::CreateFileW((folder + L"\\plain").c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                  CREATE_ALWAYS, kFillFlags, nullptr));
  if (!file || !block) return false;
  for (uint64_t written = 0; written < total; written += blockBytes) {
    DWORD done = 0;
    if (!::WriteFile(file.get(), block.data(), DWORD(blockBytes), &done, nullptr) || done != blockBytes) return false;
  }
  return true;
}

bool TwoInFlight(const std::wstring& folder, uint64_t total) {
  const AlignedBlock blocks[2] = {AlignedBlock(kMiB), AlignedBlock(kMiB)};
  UniqueHandle file(::CreateFileW((folder + L"\\overlapped").c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                  CREATE_ALWAYS, kFillFlags | FILE_FLAG_OVERLAPPED, nullptr));
  UniqueHandle events[2] = {UniqueHandle(::CreateEventW(nullptr, TRUE, FALSE, nullptr)),
                            UniqueHandle(::CreateEventW(nullptr, TRUE, FALSE, nullptr))};
  if (!file || !blocks[0] || !blocks[1] || !events[0] || !events[1]) return false;
  OVERLAPPED pending[2] = {};
  bool busy[2] = {false, false};
  bool ok = true;
  uint64_t offset = 0;
  for (int slot = 0; ok && offset < total; slot ^= 1, offset += kMiB) {
    DWORD done = 0;
    if (busy[slot]) ok = ::GetOverlappedResult(file.get(), &pending[slot], &done, TRUE) && done == kMiB;
    pending[slot] = OVERLAPPED{};
    pending[slot].Offset = DWORD(offset);
    pending[slot].OffsetHigh = DWORD(offset >> 32);
    pending[slot].hEvent = events[slot].get();
    busy[slot] = ::WriteFile(file.get(), blocks[slot].data(), DWORD(kMiB), nullptr, &pending[slot]) ||
                 ::GetLastError() == ERROR_IO_PENDING;
    ok = ok && busy[slot];
  }
  for (int slot = 0; slot < 2; ++slot) {
    DWORD done = 0;
    if (busy[slot]) ok = ::GetOverlappedResult(file.get(), &pending[slot], &done, TRUE) && ok;
  }
  return ok;
}

struct Variant {
  const char* name;
  std::function<bool()> run;
  std::vector<double> seconds;
};

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

}  // namespace
}  // namespace tavolen::bench

int main(int argc, char** argv) {
  using namespace tavolen::bench;
  uint64_t mib = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 256;
  mib = std::clamp<uint64_t>(mib, 4, 256);
  const uint64_t total = mib * kMiB;

  wchar_t temp[MAX_PATH] = {};
  ::GetTempPathW(MAX_PATH, temp);
  const std::wstring folder = std::wstring(temp) + L"EraseWriterBench-" + std::to_wstring(::GetCurrentProcessId());
  if (!::CreateDirectoryW(folder.c_str(), nullptr)) {
    std::printf("cannot make %ls\n", folder.c_str());
    return 1;
  }
  std::vector<Variant> variants = {
      {"erase writer, 1 MiB", [&] { return Writer(folder, total); }, {}},
      {"plain loop, 1 MiB", [&] { return PlainLoop(folder, total, kMiB); }, {}},
      {"plain loop, 4 MiB", [&] { return PlainLoop(folder, total, 4 * kMiB); }, {}},
      {"two 1 MiB writes in flight", [&] { return TwoInFlight(folder, total); }, {}},
  };
  std::printf("%llu MiB per write, %d rounds, in %ls\n", static_cast<unsigned long long>(mib), kRounds, folder.c_str());
  bool ok = true;
  for (int round = 0; round < kRounds && ok; ++round) {
    for (std::size_t i = 0; i < variants.size() && ok; ++i) {
      Variant& variant = variants[(i + std::size_t(round)) % variants.size()];
      const auto start = Clock::now();
      ok = variant.run();
      variant.seconds.push_back(std::chrono::duration<double>(Clock::now() - start).count());
      if (!ok) std::printf("%s failed\n", variant.name);
    }
  }
  ::RemoveDirectoryW(folder.c_str());
  if (!ok) return 1;
  const double plain = Median(variants[1].seconds);
  for (const Variant& variant : variants) {
    const double seconds = Median(variant.seconds);
    std::printf("%-28s %8.1f MiB/s   %.3f of the plain 1 MiB loop\n", variant.name, double(mib) / seconds,
                plain / seconds);
  }
  const double writerRatio = plain / Median(variants[0].seconds);
  std::printf("erase writer / plain loop: %.3f (%s 0.95)\n", writerRatio, writerRatio >= 0.95 ? "at least" : "BELOW");
  return 0;
}
