#pragma once
// The service side of one pipe connection: what to do with each request received.
// Everything a client sends is untrusted: lengths are bounded before a body is read,
// bodies are decoded with their lengths checked, and input and output are placed only
// inside the section as really mapped, never by the sizes the client states.
// The system calls sit behind two small ports (sections, devices).
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "control/device/ServiceProtocol.h"

namespace tavolen::service {

// A section the service created; closed when destroyed.
class HeldSection {
 public:
  virtual ~HeldSection() = default;
};

// A mapped view of a section a client named; unmapped when destroyed.
class SectionView {
 public:
  virtual ~SectionView() = default;
  virtual uint8_t* Data() = 0;
  virtual uint64_t Size() const = 0;  // bytes reachable from Data()
};

class SectionStore {
 public:
  virtual ~SectionStore() = default;
  // Nothing when the section cannot be made, and when one of that name still exists.
  virtual std::unique_ptr<HeldSection> Create(const std::string& name, uint32_t size) = 0;
  // Nothing when no section of that name exists or it cannot be mapped.
  virtual std::unique_ptr<SectionView> Open(const std::string& name) = 0;
};

class DeviceBackend {
 public:
  virtual ~DeviceBackend() = default;
  // One device I/O control on the device at the path. Returns success; on failure
  // *error holds the system error. in and out may overlap (a client chose the offsets).
  virtual bool Control(const std::string& devicePath, uint32_t code, const uint8_t* in, uint32_t inLength,
                       uint8_t* out, uint32_t outLength, uint32_t* bytesReturned, uint32_t* error) = 0;
};

// Ways the service can be told to misbehave, so that clients can be tested against them.
enum class Misbehaviour {
  None,
  RefuseFinish,            // request 0 answered with a failure status
  FailDeviceControl,       // request 2 performed (output written) but answered with a failure status
  CloseBeforeReply,        // request 2 read whole, then the connection closed without a reply
  DropWaitingConnections,  // request 6 first closes every connection that has sent nothing yet
  UndersizeSection,        // request 6 creates a section of at most one page, whatever was asked
  NeverAnswer,             // request 2 read whole, then nothing: the connection stays open unanswered
};
std::optional<Misbehaviour> ParseMisbehaviour(std::string_view name);

// Failure statuses of this service (0 is success).
constexpr uint16_t kStatusBadRequest = 1;      // malformed or unknown request
constexpr uint16_t kStatusSectionFailed = 2;   // the section could not be created or opened
constexpr uint16_t kStatusRefused = 3;         // refused on purpose (misbehaviour)
constexpr uint16_t kStatusDeviceFailed = 4;    // the device I/O control failed
constexpr uint16_t kStatusOutsideSection = 5;  // input or output would lie outside the section
constexpr uint16_t kStatusForbidden = 6;       // a request the product never sends: the connection closes

constexpr uint32_t kUndersizedSection = 4096;

struct SessionAction {
  enum class Kind {
    Reply,                // write the reply
    Close,                // close the connection without a reply
    DropOthersThenReply,  // close the waiting connections first, then reply
    ReplyThenClose,       // write the reply, then end the connection (a refused request)
    Stall,                // answer nothing; keep the connection until the client leaves
  };
  Kind kind = Kind::Reply;
  ReplyBytes reply{};
  uint16_t Status() const { return DecodeServiceReply(reply).status; }
};

// Who is on the other end of a connection, and where refusals are written.
struct SessionClient {
  uint32_t processId = 0;
  std::function<void(const std::string& line)> log;  // called on the connection's thread
};

class ServiceSession {
 public:
  ServiceSession(SectionStore& sections, DeviceBackend& devices, Misbehaviour misbehaviour = Misbehaviour::None,
                 SessionClient client = {});
  ServiceSession(const ServiceSession&) = delete;
  ServiceSession& operator=(const ServiceSession&) = delete;

  // Whether a body of this length is read at all; a longer one closes the connection.
  static bool AcceptBodyLength(uint32_t length) { return length <= kMaxRequestBodyLength; }

  // One whole request (its header and the `length` bytes of body that followed).
  SessionAction Handle(const ServiceRequestHeader& header, const uint8_t* body, std::size_t length);

  // A section created on this connection and not yet finished.
  bool HoldsSection() const { return held_ != nullptr; }

 private:
  SessionAction CreateSection(const uint8_t* body, std::size_t length);
  SessionAction Finish(std::size_t length);
  SessionAction DeviceControl(const uint8_t* body, std::size_t length);
  SessionAction Refuse(const std::string& what);

  SectionStore& sections_;
  DeviceBackend& devices_;
  Misbehaviour misbehaviour_;
  SessionClient client_;
  std::unique_ptr<HeldSection> held_;
};

}  // namespace tavolen::service
