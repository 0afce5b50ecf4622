#pragma once
// Opens simulated devices by path, as the system opener would open real ones. A path
// is registered with the route its channel takes: Direct when the caller could open
// the device itself, Service when the open fails and the device-management service
// carries the requests.
//
// The channels behave as the two routes do:
//   Direct   the device answers; *bytesReturned is what it reported. Pass-through
//            blocks must have this build's own layout (NativeBlockLayout()), else the
//            request fails with 87 before it reaches the device, as the system does.
//   Service  the request reaches the device through the service: pass-through blocks
//            must have the 32-bit layout (else 87); on success the whole output buffer
//            is copied back from the service's transfer area (zero where the device wrote
//            nothing) and *bytesReturned stays 0. When the service is stopped every
//            request fails with 2.
// A path nobody registered opens as a Service channel whose every request fails with 2.
// Paths are compared without regard to ASCII case.
#include <atomic>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "control/device/DeviceChannel.h"
#include "sim/SimDevice.h"

namespace tavolen::sim {

class SimOpener : public DeviceOpener {
 public:
  SimOpener();

  // Registers (or replaces) the device behind a path, e.g. u"\\\\.\\PhysicalDrive1".
  void Add(std::u16string path, std::shared_ptr<SimDevice> device, ChannelRoute route = ChannelRoute::Direct);
  // Later opens of the path find nothing; channels already open keep their device.
  void Remove(const std::u16string& path);
  void SetServiceRunning(bool running);

  std::unique_ptr<DeviceChannel> Open(const std::u16string& path) override;

  // Every path opened, in order (read it while no other thread opens).
  const std::vector<std::u16string>& Opened() const { return opened_; }
  // Channels alive now, so that a test can check that nothing keeps a drive open.
  int OpenChannels() const;

  struct Shared {  // what the channels share with their opener (they may outlive it)
    std::atomic<int> openChannels{0};
    std::atomic<bool> serviceRunning{true};
  };

 private:
  struct Entry {
    std::shared_ptr<SimDevice> device;
    ChannelRoute route;
  };
  mutable std::mutex mutex_;
  std::map<std::u16string, Entry> devices_;  // by case-folded path
  std::vector<std::u16string> opened_;
  std::shared_ptr<Shared> shared_;
};

}  // namespace tavolen::sim
