#pragma once
// The yardstick client: the device-management service protocol with nothing else. Per
// request it makes the protocol's two connections, three round trips (one write of the
// whole request and one read of the reply each) and one section, and no other system
// call it can do without: no trace, no checks beyond what safety needs.
#include <cstdint>
#include <string>

namespace tavolen::bench {

// One device I/O control through the service on "\\.\pipe\SembridPipe". True on success.
bool MinimalServiceDeviceControl(const std::string& devicePath, uint32_t code, const void* in, uint32_t inLength,
                                 void* out, uint32_t outLength);

}  // namespace tavolen::bench
