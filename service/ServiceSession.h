#pragma once
// The service side of one pipe connection: what to do with each request received.
// Everything a client sends is untrusted: lengths are bounded before a body is read,
// bodies are decoded with their lengths checked, and input and output are placed only
// inside the section as really mapped, never by the sizes the client states.
// The system calls sit behind two small ports (sections, devices); the sections a
// client made are remembered for the whole server (SectionRegistry).
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "control/device/ServiceProtocol.h"
#include "service/SectionRegistry.h"

namespace tavolen::service {

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
constexpr uint16_t kStatusSectionFailed = 2;   // the section could not be created or mapped, or the cap is reached
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
  // The client's user (text form, "S-1-..."; empty when unknown). Asked once, when the
  // client first asks for a section: by then it has written to the connection.
  std::function<std::string()> user;
};

class ServiceSession {
 public:
  ServiceSession(SectionRegistry& sections, DeviceBackend& devices, Misbehaviour misbehaviour = Misbehaviour::None,
                 SessionClient client = {});
  ~ServiceSession();
  ServiceSession(const ServiceSession&) = delete;
  ServiceSession& operator=(const ServiceSession&) = delete;

  // Whether a body of this length is read at all; a longer one closes the connection.
  static bool AcceptBodyLength(uint32_t length) { return length <= kMaxRequestBodyLength; }

  // One whole request (its header and the `length` bytes of body that followed).
  SessionAction Handle(const ServiceRequestHeader& header, const uint8_t* body, std::size_t length);

  // A section created on this connection and not yet finished (a connection that ends
  // before its finish takes its section with it).
  bool HoldsSection() const { return !unfinished_.empty(); }

 private:
  SessionAction CreateSection(const uint8_t* body, std::size_t length);
  SessionAction Finish(std::size_t length);
  SessionAction DeviceControl(const uint8_t* body, std::size_t length);
  SessionAction Refuse(const std::string& what);  // logged, answered, the connection closes
  void Log(const std::string& what) const;         // a refusal line with the client's process

  SectionRegistry& sections_;
  DeviceBackend& devices_;
  Misbehaviour misbehaviour_;
  SessionClient client_;
  std::string unfinished_;  // name of the section created and not yet finished
  std::optional<std::string> userSid_;  // the client's user, once asked
};

}  // namespace tavolen::service
