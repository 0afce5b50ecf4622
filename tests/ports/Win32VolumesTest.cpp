#include "ports/win/Win32Volumes.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

namespace tavolen {
namespace {

// Sets the process-wide error mode for one test and puts the previous one back.
class ProcessErrorMode {
 public:
  explicit ProcessErrorMode(UINT mode) : previous_(::SetErrorMode(mode)) {}
  ~ProcessErrorMode() { ::SetErrorMode(previous_); }
  ProcessErrorMode(const ProcessErrorMode&) = delete;
  ProcessErrorMode& operator=(const ProcessErrorMode&) = delete;

 private:
  UINT previous_;
};

TEST(Win32Volumes, VolumeCallsLeaveTheHostsErrorModeAlone) {
  // The host's own choice, which no volume call may change, not even for a moment.
  constexpr UINT kHostMode = SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX;
  const ProcessErrorMode host(kHostMode);
  Win32Volumes volumes;
  const std::u16string root = u"C:\\";
  ASSERT_TRUE(volumes.Information(root));

  // Several threads ask about the volume at once while this thread watches the
  // process-wide mode.
  constexpr int kThreads = 3, kCallsPerThread = 100;
  std::atomic<int> running{kThreads};
  std::atomic<int> failedCalls{0};
  std::atomic<int> threadModesLost{0};
  std::vector<std::thread> callers;
  for (int t = 0; t < kThreads; ++t) {
    callers.emplace_back([&] {
      // Each caller's own thread mode comes back as it was.
      if (!::SetThreadErrorMode(SEM_NOOPENFILEERRORBOX, nullptr)) ++threadModesLost;
      for (int i = 0; i < kCallsPerThread; ++i) {
        if (!volumes.Information(root) || !volumes.Space(root)) ++failedCalls;
        if (::GetThreadErrorMode() != SEM_NOOPENFILEERRORBOX) ++threadModesLost;
      }
      --running;
    });
  }
  // Each look asks the Wine server: one a millisecond leaves the callers room to run.
  int samples = 0, changed = 0;
  while (running > 0) {
    ++samples;
    if (::GetErrorMode() != kHostMode) ++changed;
    ::Sleep(1);
  }
  for (auto& caller : callers) caller.join();

  EXPECT_EQ(failedCalls, 0);
  EXPECT_EQ(threadModesLost, 0);
  EXPECT_GT(samples, 0);
  EXPECT_EQ(changed, 0) << "of " << samples << " samples";
  EXPECT_EQ(::GetErrorMode(), kHostMode);
}

}  // namespace
}  // namespace tavolen
