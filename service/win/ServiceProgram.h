#pragma once
// The body of both builds of the service stand-in: parses the command line, then runs
// under the service control manager or, with --console, as a console process until
// Ctrl+C or the stop event. The builds differ only in the options they take and in
// where their devices come from.
#include <functional>
#include <memory>
#include <string>

#include "service/ServiceOptions.h"
#include "service/ServiceSession.h"

namespace tavolen::service {

// The devices to serve for these options; null, with a message in *error, when the
// options name devices that cannot be made.
using DeviceBackendFactory = std::function<std::unique_ptr<DeviceBackend>(const ServiceOptions&, std::string* error)>;

// The program's main. Exit codes: 0 stopped, 1 could not listen or not started as a
// service, 2 bad command line or devices. In console mode the counts of what was served
// are printed when it stops.
int RunServiceProgram(int argc, char** argv, ServiceBuild build, DeviceBackendFactory makeDevices);

}  // namespace tavolen::service
