// Fuzz target: the service's handling of whatever a local process sends on the pipe.
// Input: two bytes (little-endian) giving the length of what the client wrote into its
// section, those bytes, then the byte stream of one connection (requests as headers and
// bodies). The section is made under the name a client's thread 0 uses at second 0, so
// request 2 reaches the policy and the simulated devices.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "control/device/ServiceProtocol.h"
#include "fuzz/FuzzStream.h"
#include "service/SectionRegistry.h"
#include "service/ServiceSession.h"
#include "service/SimulatedDevices.h"
#include "tests/service/MemorySections.h"

using namespace tavolen;
using namespace tavolen::service;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  const fuzzing::TwoParts parts = fuzzing::SplitInput(data, size);

  SimulatedDevices devices(*ParseSimulatedDeviceSet("0=sat,1=jm,2=varnkeld,3=qmxt,cdrom0=optical"));
  MemorySections sections;
  SectionRegistry registry(sections, [] { return uint64_t(0); });
  // The client's section as the service made it for the client's process (1), filled by
  // the client; the session then speaks for that process.
  const std::string name = TransferAreaName(0, 0);
  const SectionOwner owner{1, "S-1-5-21-1"};
  const uint32_t sectionSize = uint32_t(kMaxClientSection < kMaxRequestBodyLength ? kMaxClientSection : kMaxRequestBodyLength);
  if (registry.Create(owner, name, sectionSize) != SectionRegistry::Created::Yes) __builtin_trap();
  const auto section = sections.sections.at(name);
  std::memcpy(section->bytes.data(), parts.first, std::min<std::size_t>(parts.firstSize, sectionSize));
  MemorySections::Held client(section);
  data = parts.second;
  size = parts.secondSize;

  ServiceSession session(registry, devices, Misbehaviour::None,
                         SessionClient{owner.processId, [](const std::string&) {}, [&] { return owner.userSid; }});
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
