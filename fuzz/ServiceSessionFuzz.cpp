// Fuzz target: the service's handling of whatever a local process sends on the pipe.
// Input: two bytes (little-endian) giving the length of what the client wrote into its
// section, those bytes, then the byte stream of one connection (requests as headers and
// bodies). The section is made under the name a client's thread 0 uses at second 0, so
// request 2 reaches the policy and the simulated devices.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "control/device/ServiceProtocol.h"
#include "service/ServiceSession.h"
#include "service/SimulatedDevices.h"
#include "tests/service/MemorySections.h"

using namespace tavolen;
using namespace tavolen::service;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  std::size_t sectionLength = std::size_t(data[0]) | (std::size_t(data[1]) << 8);
  data += 2;
  size -= 2;
  if (sectionLength > size) sectionLength = size;

  static SimulatedDevices devices(*ParseSimulatedDeviceSet("0=sat,1=jm,2=varnkeld,3=qmxt,cdrom0=optical"));
  MemorySections sections;
  const std::string name = TransferAreaName(0, 0);
  auto section = std::make_shared<MemorySections::Section>();
  section->bytes.assign(data, data + sectionLength);
  section->bytes.resize(kMaxRequestBodyLength);
  sections.sections[name] = section;
  MemorySections::Held client(section);
  data += sectionLength;
  size -= sectionLength;

  ServiceSession session(sections, devices, Misbehaviour::None, SessionClient{1, [](const std::string&) {}});
  while (size >= kServiceRequestHeaderSize) {
    RequestHeaderBytes headerBytes{};
    std::memcpy(headerBytes.data(), data, headerBytes.size());
    const ServiceRequestHeader header = DecodeRequestHeader(headerBytes);
    data += kServiceRequestHeaderSize;
    size -= kServiceRequestHeaderSize;
    if (!ServiceSession::AcceptBodyLength(header.bodyLength) || header.bodyLength > size) break;
    const SessionAction action = session.Handle(header, data, header.bodyLength);
    data += header.bodyLength;
    size -= header.bodyLength;
    if (action.kind == SessionAction::Kind::Close || action.kind == SessionAction::Kind::ReplyThenClose) break;
  }
  return 0;
}
