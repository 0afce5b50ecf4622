// tavolen-cli: lists the storage devices and drives of this computer and tells the
// details of one disk, through the same device layer the gadget uses.
#include <windows.h>

#include <iostream>
#include <string>
#include <vector>

#include "tools/cli/Cli.h"
#include "control/device/win/SetupApiDeviceSource.h"
#include "control/device/win/Win32DeviceOpener.h"
#include "ports/win/Win32Volumes.h"

int wmain(int argc, wchar_t** argv) {
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) {
    std::u16string wide(reinterpret_cast<const char16_t*>(argv[i]));
    args.push_back(tavolen::PrintableUtf8(wide));
  }
  // Device and volume texts are printed as UTF-8.
  ::SetConsoleOutputCP(CP_UTF8);
  tavolen::SetupApiDeviceSource source;
  tavolen::Win32Volumes volumes;
  tavolen::CliEnvironment environment{tavolen::SystemDeviceOpener(), source, volumes};
  return tavolen::RunCli(args, environment, std::cout, std::cerr);
}
