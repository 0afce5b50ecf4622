#pragma once
// The one door between the command layer and a device. A channel is what opening a
// device path gave: either the device itself (direct route) or, when it could not be
// opened with the caller's rights, the device-management service (service route).
// A command object owns its channel; destroying the channel closes the device.
#include <cstdint>
#include <memory>
#include <string>

namespace tavolen {

enum class ChannelRoute {
  Direct,   // the device opened: requests go to it
  Service,  // the open failed: requests are handed to the service, 32-bit block layout
  Closed,   // closed by the command object: requests fail and go nowhere
};

class DeviceChannel {
 public:
  virtual ~DeviceChannel() = default;
  DeviceChannel() = default;
  DeviceChannel(const DeviceChannel&) = delete;
  DeviceChannel& operator=(const DeviceChannel&) = delete;

  // Direct or Service; never Closed (a closed command object has no channel).
  virtual ChannelRoute Route() const = 0;

  // One device I/O control; in and out may name the same buffer. *bytesReturned is
  // what the device reported on the direct route and stays 0 on the service route.
  // On failure LastError() tells the system error.
  virtual bool Control(uint32_t code, const void* in, uint32_t inLength, void* out, uint32_t outLength,
                       uint32_t* bytesReturned) = 0;
  virtual uint32_t LastError() const = 0;
};

// Opens device paths ("\\.\PhysicalDrive3", "\\.\Cdrom0", "\\.\C:", interface paths).
// Never fails: a device that cannot be opened gives a service-route channel.
class DeviceOpener {
 public:
  virtual ~DeviceOpener() = default;
  virtual std::unique_ptr<DeviceChannel> Open(const std::u16string& path) = 0;
};

}  // namespace tavolen
