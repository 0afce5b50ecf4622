#pragma once
// The real devices: each request opens the path for read and write, performs the
// control and closes the device again.
#include "service/ServiceSession.h"

namespace tavolen::service {

class SystemDevices : public DeviceBackend {
 public:
  bool Control(const std::string& devicePath, uint32_t code, const uint8_t* in, uint32_t inLength, uint8_t* out,
               uint32_t outLength, uint32_t* bytesReturned, uint32_t* error) override;
};

}  // namespace tavolen::service
