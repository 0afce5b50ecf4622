#pragma once
// A device set of simulated drives the service can answer from instead of real devices.
// Set syntax: comma-separated "<where>=<family>", where <where> is a number n
// ("\\.\PhysicalDrive<n>") or "cdrom<n>" ("\\.\Cdrom<n>"), and <family> one of
// plain-ata, sat, varnkeld, jm, fjt, qmxt, optical. Example: "1=sat,2=plain-ata,cdrom0=optical".
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "service/ServiceSession.h"
#include "sim/SimDevice.h"

namespace tavolen::service {

struct SimulatedDeviceSpec {
  std::string path;  // as the client names it, e.g. "\\.\PhysicalDrive3"
  sim::Family family = sim::Family::PlainAta;
  uint32_t number = 0;
};

// Nothing for an empty set, a malformed entry, an unknown family or a path given twice.
std::optional<std::vector<SimulatedDeviceSpec>> ParseSimulatedDeviceSet(std::string_view set);

class SimulatedDevices : public DeviceBackend {
 public:
  SimulatedDevices() = default;
  // Devices for every entry of the set, numbered as their path.
  explicit SimulatedDevices(const std::vector<SimulatedDeviceSpec>& specs);

  // Adds or replaces the device behind a path (compared without regard to ASCII case).
  void Add(const std::string& path, std::shared_ptr<sim::SimDevice> device);
  std::shared_ptr<sim::SimDevice> Find(const std::string& path) const;

  // An unknown path fails with ERROR_FILE_NOT_FOUND (2), as opening it would.
  bool Control(const std::string& devicePath, uint32_t code, const uint8_t* in, uint32_t inLength, uint8_t* out,
               uint32_t outLength, uint32_t* bytesReturned, uint32_t* error) override;

 private:
  mutable std::mutex mutex_;
  std::map<std::string, std::shared_ptr<sim::SimDevice>> devices_;  // by lower-case path
};

}  // namespace tavolen::service
