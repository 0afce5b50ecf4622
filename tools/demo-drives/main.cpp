// tavolen-demo-drives: defines the demonstration drive letters in the Wine prefix for as
// long as it runs, for scripts/run (the launcher's demonstration). Not shipped.
//   tavolen-demo-drives    prints "ready" once the drives exist, then keeps them until
//                          its standard input ends or it gets Ctrl+C, and removes them.
#include <windows.h>

#include <cstdio>

#include "framework/UniqueHandle.h"
#include "sim/win/DemonstrationDrives.h"

namespace {

HANDLE g_stop = nullptr;  // set by the console handler; owned by wmain

BOOL WINAPI OnConsoleControl(DWORD) {
  ::SetEvent(g_stop);
  return TRUE;
}

// Reads standard input until it ends, then asks the program to stop.
DWORD WINAPI WatchInput(void*) {
  char buffer[256];
  DWORD read = 0;
  const HANDLE input = ::GetStdHandle(STD_INPUT_HANDLE);
  while (::ReadFile(input, buffer, sizeof buffer, &read, nullptr) && read > 0) {
  }
  ::SetEvent(g_stop);
  return 0;
}

}  // namespace

int wmain() {
  const tavolen::UniqueHandle stop(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
  if (!stop) return 1;
  g_stop = stop.get();
  ::SetConsoleCtrlHandler(&OnConsoleControl, TRUE);
  {
    const auto drives = tavolen::test::MakeDemonstrationDrives("demonstration drives");
    std::printf("ready\n");
    std::fflush(stdout);
    const tavolen::UniqueHandle watcher(::CreateThread(nullptr, 0, &WatchInput, nullptr, 0, nullptr));
    ::WaitForSingleObject(stop.get(), INFINITE);
  }  // the drives are removed here
  ::SetConsoleCtrlHandler(&OnConsoleControl, FALSE);
  return 0;
}
