#pragma once
// The device interfaces of the system, walked with SetupAPI; parent device nodes from
// the configuration manager.
#include <memory>

#include "control/device/DeviceSource.h"

namespace tavolen {

class SetupApiDeviceSource : public DeviceSource {
 public:
  // DIGCF_PRESENT | DIGCF_DEVICEINTERFACE over the class's interface GUID; null when
  // the set cannot be obtained.
  std::unique_ptr<DeviceInterfaceWalk> Walk(InterfaceClass interfaceClass) override;
};

}  // namespace tavolen
