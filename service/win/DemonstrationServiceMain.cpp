// SembridServiceDemo.exe, the test-and-demonstration build of the service stand-in: the
// same program, which can also answer from simulated devices (--simulate) and misbehave
// on purpose (--misbehave). Built for the tests and scripts/run; never installed by
// SETUP nor packaged.
#include <cstdio>
#include <memory>
#include <mutex>

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
                             auto devices = std::make_unique<SimulatedDevices>(*specs);
                             if (!options.deviceLog.empty()) {
                               // Each line is written and flushed at once, so a test reads
                               // everything that reached a device while the service runs.
                               auto lock = std::make_shared<std::mutex>();
                               devices->SetRequestLog([path = options.deviceLog, lock](const std::string& line) {
                                 const std::lock_guard<std::mutex> guard(*lock);
                                 if (std::FILE* file = std::fopen(path.c_str(), "ab")) {
                                   std::fprintf(file, "%s\r\n", line.c_str());
                                   std::fclose(file);
                                 }
                               });
                             }
                             return devices;
                           });
}
