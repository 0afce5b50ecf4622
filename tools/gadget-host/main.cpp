// tavolen-gadget-host: shows the gadget control in a window of its own, as its page does,
// for looking at it and for screenshots under Wine. Not shipped.
//   tavolen-gadget-host [folder] [--drives] [--screenshot <file.bmp> --after <ms>]
// folder        the gadget folder handed to LoadGadgetPath (default: this program's folder)
// --drives      defines demonstration drives in the Wine prefix first (a fixed drive with
//               a label, a removable one, a network one, an optical one), removed at exit
// --screenshot  writes a BMP of the window's client area <ms> after the start, then exits
// Exit codes: 0 done, 1 the control or the screenshot failed, 2 wrong arguments.
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <optional>
#include <string>
#include <vector>

#include "tools/gadget-host/GadgetHostWindow.h"
#include "framework/Module.h"
#include "framework/OleInit.h"
#include "sim/win/DemonstrationDrives.h"
#include "control/core/win/ZendrelIds.h"

namespace {

struct Options {
  std::wstring folder;
  bool drives = false;
  std::wstring screenshot;
  UINT after = 3000;
};

std::optional<Options> Parse(int argc, wchar_t** argv) {
  Options options;
  bool afterGiven = false;
  for (int i = 1; i < argc; ++i) {
    const std::wstring arg = argv[i];
    if (arg == L"--drives") {
      options.drives = true;
    } else if (arg == L"--screenshot" && i + 1 < argc) {
      options.screenshot = argv[++i];
    } else if (arg == L"--after" && i + 1 < argc) {
      wchar_t* end = nullptr;
      const unsigned long ms = std::wcstoul(argv[++i], &end, 10);
      if (!end || *end || ms > 600000) return std::nullopt;
      options.after = UINT(ms);
      afterGiven = true;
    } else if (!arg.empty() && arg[0] != L'-' && options.folder.empty()) {
      options.folder = arg;
    } else {
      return std::nullopt;
    }
  }
  if (afterGiven && options.screenshot.empty()) return std::nullopt;
  return options;
}

std::wstring FullPath(const std::wstring& path) {
  const DWORD size = ::GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
  if (size == 0) return path;
  std::vector<wchar_t> full(size);
  return ::GetFullPathNameW(path.c_str(), size, full.data(), nullptr) ? std::wstring(full.data()) : path;
}

HWND g_hostWindow = nullptr;

// Ctrl+C and closing the console end the host as closing its window does, so that the
// demonstration drives are removed.
BOOL WINAPI OnConsoleControl(DWORD) {
  if (g_hostWindow) ::PostMessageW(g_hostWindow, WM_CLOSE, 0, 0);
  return TRUE;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const std::optional<Options> options = Parse(argc, argv);
  if (!options) {
    std::fprintf(stderr,
                 "usage: tavolen-gadget-host [folder] [--drives] [--screenshot <file.bmp> --after <ms>]\n");
    return 2;
  }
  const std::wstring folder = options->folder.empty() ? tavolen::ProgramFolder() : FullPath(options->folder);

  // The drives outlive the control: it is closed before they are removed.
  std::vector<tavolen::test::WineDrive> drives;
  if (options->drives) drives = tavolen::test::MakeDemonstrationDrives("gadget host");

  const tavolen::OleInit ole;
  if (FAILED(ole.result())) {
    std::fprintf(stderr, "gadget host: OleInitialize failed (0x%08lx)\n", static_cast<unsigned long>(ole.result()));
    return 1;
  }
  int exitCode = 0;
  {
    tavolen::GadgetHostWindow host;
    HRESULT hr = host.Open(tavolen::zendrel::kControlProgId);
    if (FAILED(hr)) {
      std::fprintf(stderr, "gadget host: the control could not be created (0x%08lx)\n",
                   static_cast<unsigned long>(hr));
      return 1;
    }
    g_hostWindow = host.hwnd();
    ::SetConsoleCtrlHandler(&OnConsoleControl, TRUE);
    hr = host.LoadGadgetPath(folder);
    if (FAILED(hr)) {
      std::fprintf(stderr, "gadget host: LoadGadgetPath failed (0x%08lx)\n", static_cast<unsigned long>(hr));
      return 1;
    }
    if (!options->screenshot.empty() && !host.ScreenshotAfter(options->after, FullPath(options->screenshot))) {
      std::fprintf(stderr, "gadget host: no timer for the screenshot\n");
      return 1;
    }
    MSG msg;
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
      ::TranslateMessage(&msg);
      ::DispatchMessageW(&msg);
    }
    g_hostWindow = nullptr;
    exitCode = host.ExitCode();
  }
  if (exitCode == 0 && !options->screenshot.empty())
    std::printf("gadget host: wrote %ls\n", FullPath(options->screenshot).c_str());
  return exitCode;
}
