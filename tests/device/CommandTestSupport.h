#pragma once
// A simulated device registered under a path, reached by the route a test chooses.
#include <memory>
#include <string>

#include "control/device/Command.h"
#include "sim/SimDevice.h"
#include "sim/SimOpener.h"

namespace tavolen::testing {

struct SimRig {
  explicit SimRig(sim::Family family, ChannelRoute route = ChannelRoute::Direct, uint32_t number = 1)
      : device(std::make_shared<sim::SimDevice>(family)), path(PhysicalDrivePath(number)) {
    device->deviceNumber = number;
    opener.Add(path, device, route);
  }
  // The CDBs the device received.
  const std::vector<sim::CdbRecord>& Cdbs() const { return device->Cdbs(); }
  std::vector<uint8_t> LastCdb() const { return Cdbs().empty() ? std::vector<uint8_t>{} : Cdbs().back().cdb; }

  std::shared_ptr<sim::SimDevice> device;
  std::u16string path;
  sim::SimOpener opener;
};

inline std::vector<uint8_t> Bytes(std::initializer_list<int> values) {
  std::vector<uint8_t> out;
  for (int v : values) out.push_back(uint8_t(v));
  return out;
}

}  // namespace tavolen::testing
