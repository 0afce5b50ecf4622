#pragma once
// Command line of the service stand-in.
//   (no arguments)           run under the service control manager
//   --console                run as a console process until Ctrl+C or the stop event
//   --max-instances <n>      at most n pipe instances at once (1..254; default 64)
//   --ready-event <name>     set this named event once the pipe is listening
//   --stop-event <name>      stop when this named event is set
// The test-and-demonstration build also takes:
//   --simulate <set>         answer from simulated devices (see SimulatedDevices.h), not real ones
//   --misbehave <name>       none, refuse-finish, fail-control, close-before-reply, drop-waiting,
//                            undersize-section, never-answer
//   --device-log <file>      append one line per request that reaches a simulated device
//   --idle-ms <n>            close a connection that sends nothing for n ms (1..600000;
//                            default 30000), so a test need not wait half a minute
// The build that DevMgr\SETUP.exe installs serves real devices only: to it those four are
// unknown options.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "service/ServiceSession.h"

namespace tavolen::service {

enum class ServiceBuild {
  Product,        // installed by SETUP: real devices, no misbehaviour
  Demonstration,  // tests and demonstrations: also simulated devices and misbehaviours
};

struct ServiceOptions {
  bool console = false;
  std::string simulate;  // empty: real devices
  Misbehaviour misbehaviour = Misbehaviour::None;
  std::string deviceLog;  // empty: none
  uint32_t idleMs = 0;    // 0: the server's default wait for an idle client
  uint32_t maxInstances = 0;  // 0: the server's default cap
  std::string readyEvent;
  std::string stopEvent;
};

// Nothing (and a message in *error) for an unknown option, a missing or bad value, and
// for an option the build does not have.
std::optional<ServiceOptions> ParseServiceOptions(const std::vector<std::string>& args, ServiceBuild build,
                                                  std::string* error);

}  // namespace tavolen::service
