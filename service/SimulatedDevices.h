#pragma once
// A device set of simulated drives the service can answer from instead of real devices.
// Set syntax: comma-separated "<names>=<family>". <names> is one or more names of the
// same device joined by "+", each of them
//   n             "\\.\PhysicalDrive<n>"
//   cdrom<n>      "\\.\Cdrom<n>"
//   \\<path>      that path as written: an upper-case device interface path as enumeration
//                 opens it ("\\?\SCSI#DISK&VEN_...#{53F56307-...}"), or a volume ("\\.\N:")
// and <family> one of plain-ata, sat, varnkeld, jm, fjt, qmxt, optical. The device answers
// its number (device number, disk performance) from its numbered name, 0 without one;
// at most one numbered name per device. Examples: "1=sat,2=plain-ata,cdrom0=optical",
// "1+\\?\SCSI#DISK&VEN_VARNKELD&PROD_X#4&1A2B&0&000100#{53F56307-B6BF-11D0-94F2-00A0C91EFB8B}=sat".
#include <functional>
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
  std::vector<std::string> paths;  // as clients name it, e.g. "\\.\PhysicalDrive3"
  sim::Family family = sim::Family::PlainAta;
  uint32_t number = 0;
};

// Nothing for an empty set, a malformed entry or name, an unknown family, two numbered
// names for one device, or a path given twice (without regard to ASCII case).
std::optional<std::vector<SimulatedDeviceSpec>> ParseSimulatedDeviceSet(std::string_view set);

// One line of the device log: the path, the control code and, for a pass-through, the
// CDB or the ATA command registers in hex, e.g.
//   "\\.\PhysicalDrive1 0x0004D004 12 00 00 00 38 00".
std::string DescribeDeviceRequest(const std::string& devicePath, uint32_t code, const uint8_t* in, uint32_t inLength);

class SimulatedDevices : public DeviceBackend {
 public:
  SimulatedDevices() = default;
  // One device for every entry of the set, answering under each of its paths.
  explicit SimulatedDevices(const std::vector<SimulatedDeviceSpec>& specs);

  // Adds or replaces the device behind a path (compared without regard to ASCII case).
  void Add(const std::string& path, std::shared_ptr<sim::SimDevice> device);
  std::shared_ptr<sim::SimDevice> Find(const std::string& path) const;

  // Called with DescribeDeviceRequest of every request that reaches the devices, before
  // a device answers it (also for an unknown path). Set before the devices are used.
  void SetRequestLog(std::function<void(const std::string& line)> log) { log_ = std::move(log); }

  // An unknown path fails with ERROR_FILE_NOT_FOUND (2), as opening it would.
  bool Control(const std::string& devicePath, uint32_t code, const uint8_t* in, uint32_t inLength, uint8_t* out,
               uint32_t outLength, uint32_t* bytesReturned, uint32_t* error) override;

 private:
  mutable std::mutex mutex_;
  std::map<std::string, std::shared_ptr<sim::SimDevice>> devices_;  // by lower-case path
  std::function<void(const std::string& line)> log_;
};

}  // namespace tavolen::service
