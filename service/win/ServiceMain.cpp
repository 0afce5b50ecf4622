// SembridService.exe, the device-management service stand-in that DevMgr\SETUP.exe
// installs: it serves the real devices of this computer and nothing else.
#include <memory>

#include "service/win/ServiceProgram.h"
#include "service/win/SystemDevices.h"

int main(int argc, char** argv) {
  using namespace tavolen::service;
  return RunServiceProgram(argc, argv, ServiceBuild::Product,
                           [](const ServiceOptions&, std::string*) -> std::unique_ptr<DeviceBackend> {
                             return std::make_unique<SystemDevices>();
                           });
}
