// SembridServiceDemo.exe, the test-and-demonstration build of the service stand-in: the
// same program, which can also answer from simulated devices (--simulate) and misbehave
// on purpose (--misbehave). Built for the tests and scripts/run; never installed by
// SETUP nor packaged.
#include <memory>

#include "service/SimulatedDevices.h"
#include "service/win/ServiceProgram.h"
#include "service/win/SystemDevices.h"

int main(int argc, char** argv) {
  using namespace tavolen::service;
  return RunServiceProgram(argc, argv, ServiceBuild::Demonstration,
                           [](const ServiceOptions& options, std::string* error) -> std::unique_ptr<DeviceBackend> {
                             if (options.simulate.empty()) return std::make_unique<SystemDevices>();
                             const auto specs = ParseSimulatedDeviceSet(options.simulate);
                             if (!specs) {
                               *error = "bad device set: " + options.simulate;
                               return nullptr;
                             }
                             return std::make_unique<SimulatedDevices>(*specs);
                           });
}
