// Fuzz target: every decoder of bytes a client or a device hands the service and the
// client: request bodies, replies, pass-through blocks and the policy over them, device
// paths, section names.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "control/device/IoctlCodes.h"
#include "control/device/PassThroughBlock.h"
#include "control/device/ServiceProtocol.h"
#include "service/RequestPolicy.h"
#include "service/SimulatedDevices.h"

using namespace tavolen;
using namespace tavolen::service;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  DecodeCreateSharedMemory(data, size);
  if (const auto request = DecodeServiceIo(data, size)) {
    ValidateTransferLayout(*request, size);
    CheckDeviceRequest(request->devicePath, request->code, data, size, size);
  }
  if (size >= kServiceReplySize) {
    ReplyBytes reply{};
    std::memcpy(reply.data(), data, reply.size());
    DecodeServiceReply(reply);
  }
  if (DetectScsiLayout(data, size)) ReadScsiHeader(data, *DetectScsiLayout(data, size));
  if (DetectAtaLayout(data, size)) ReadAtaHeader(data, *DetectAtaLayout(data, size));
  for (uint32_t code : {kIoctlScsiPassThrough, kIoctlAtaPassThrough, kIoctlDiskPerformance}) {
    CheckControlContents(code, data, size, size);
    DescribeDeviceRequest("\\\\.\\PhysicalDrive0", code, data, uint32_t(size));
  }
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  IsAllowedDevicePath(text);
  IsClientSectionName(text);
  ParseSimulatedDeviceSet(text);
  return 0;
}
