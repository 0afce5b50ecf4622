#pragma once
// The command-line front end, independent of the system: it reaches devices through the
// opener, finds them through the device source and reads volumes through the volumes
// port, so the same code runs against real devices and simulated ones.
#include <iosfwd>
#include <string>
#include <vector>

#include "control/device/DeviceChannel.h"
#include "control/device/DeviceSource.h"
#include "ports/Volumes.h"

namespace tavolen {

struct CliEnvironment {
  DeviceOpener& opener;
  DeviceSource& source;
  Volumes& volumes;
};

// Exit codes.
constexpr int kCliOk = 0;
constexpr int kCliFailed = 1;  // the request was understood but could not be carried out
constexpr int kCliUsage = 2;   // the arguments were wrong

// Runs one invocation; args excludes the program name.
int RunCli(const std::vector<std::string>& args, CliEnvironment& environment, std::ostream& out, std::ostream& err);

// Printable UTF-8 of device or volume text: control characters become '?'.
std::string PrintableUtf8(std::u16string_view text);

// The name of a DeviceKind bit ("FixedDisk", ...), or "0x..." for anything else.
std::string KindName(uint32_t kind);

}  // namespace tavolen
