#pragma once
// The device-management service protocol. A client writes requests on the pipe
// "\\.\pipe\SembridPipe" and reads a 14-byte reply to each; the data of one device I/O
// control travels through a named shared-memory section that the service creates.
// All integers are little-endian and every structure is packed: the service expects
// exactly these bytes whatever the word size of the caller. Texts are single-byte ANSI.
//
// The decoders are used by the service on bytes it received from any client: they
// check every length against the bytes actually present and against fixed bounds.
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tavolen {

constexpr char kServicePipeName[] = "\\\\.\\pipe\\SembridPipe";
constexpr char kServiceName[] = "SembridService";
// Under HKEY_LOCAL_MACHINE; its presence means the service is installed.
constexpr char kServiceParametersKey[] = "SYSTEM\\CurrentControlSet\\Services\\SembridService\\Parameters";

enum class ServiceRequestType : uint8_t {
  Finish = 0,              // flag 1, no body: the client has opened the section
  DeviceControl = 2,       // flag 0, ServiceIoRequest
  CreateSharedMemory = 6,  // flag 1, CreateSharedMemoryRequest
};

constexpr std::size_t kServiceRequestHeaderSize = 6;
constexpr std::size_t kCreateSharedMemoryFixedSize = 12;
constexpr std::size_t kServiceIoRequestFixedSize = 36;
constexpr std::size_t kServiceReplySize = 14;

// Reply statuses: 0 is success, anything else a failure. The client reports two local
// failures with values of its own.
constexpr uint16_t kServiceStatusSuccess = 0;
constexpr uint16_t kServiceStatusWriteShort = 0x8001;  // writing the request stopped short
constexpr uint16_t kServiceStatusReadShort = 0x8002;   // reading the 14-byte reply stopped short

// Bounds a receiver applies. Names and paths count their NUL here.
constexpr uint32_t kMaxSectionNameLength = 256;
constexpr uint32_t kMaxDevicePathLength = 1024;  // interface paths are long
constexpr uint32_t kMaxSectionSize = 64u * 1024 * 1024;
constexpr uint32_t kMaxRequestBodyLength = kServiceIoRequestFixedSize + kMaxSectionNameLength + kMaxDevicePathLength;

using Bytes = std::vector<uint8_t>;
using RequestHeaderBytes = std::array<uint8_t, kServiceRequestHeaderSize>;
using ReplyBytes = std::array<uint8_t, kServiceReplySize>;

struct ServiceRequestHeader {
  uint8_t type = 0;
  uint8_t flag = 0;
  uint32_t bodyLength = 0;  // bytes of body after the header
};

// Type 6. The name is kept without its NUL; the encoded name length includes it.
struct CreateSharedMemoryRequest {
  uint32_t sizeHigh = 0;
  uint32_t sizeLow = 0;
  std::string name;
};

// Type 2. The section name travels without its NUL, the device path with it.
struct ServiceIoRequest {
  uint32_t code = 0;
  uint32_t sectionSizeHigh = 0;
  uint32_t sectionSizeLow = 0;
  uint32_t inputOffset = 0;
  uint32_t inputLength = 0;
  uint32_t outputOffset = 0;
  uint32_t outputLength = 0;
  std::string sectionName;
  std::string devicePath;
};

struct ServiceReply {
  uint16_t status = kServiceStatusSuccess;
  std::array<uint8_t, kServiceReplySize - 2> rest{};  // not interpreted by the client
};

// One request: the header, then the body parts in order.
struct ServiceRequestMessage {
  RequestHeaderBytes header{};
  std::vector<Bytes> bodyParts;
  std::size_t BodyLength() const;
  Bytes Whole() const;  // the header and every part, as they travel
};

RequestHeaderBytes EncodeRequestHeader(const ServiceRequestHeader& header);
ServiceRequestHeader DecodeRequestHeader(const RequestHeaderBytes& bytes);

// Parts: the 12 fixed bytes, then the name with its NUL.
ServiceRequestMessage EncodeCreateSharedMemory(const CreateSharedMemoryRequest& request);
// Type 0, flag 1, no body.
ServiceRequestMessage EncodeFinish();
// Parts: the 36 fixed bytes, the section name without NUL, the device path with NUL.
ServiceRequestMessage EncodeServiceIo(const ServiceIoRequest& request);

// Nothing when the body is malformed or out of bounds (lengths disagreeing with the
// bytes present, a missing or inner NUL, an empty text, a size above kMaxSectionSize).
std::optional<CreateSharedMemoryRequest> DecodeCreateSharedMemory(const uint8_t* body, std::size_t length);
std::optional<ServiceIoRequest> DecodeServiceIo(const uint8_t* body, std::size_t length);

ReplyBytes EncodeServiceReply(const ServiceReply& reply);
ServiceReply DecodeServiceReply(const ReplyBytes& bytes);

// Section size of one transfer: input plus output length, 8 when both are 0; nothing
// when the sum does not fit 32 bits.
std::optional<uint32_t> TransferSectionSize(uint32_t inLength, uint32_t outLength);

// The I/O request for one control as the client fills it: input at offset 0, output
// right behind it. Nothing when the section size does not fit 32 bits.
std::optional<ServiceIoRequest> MakeServiceIoRequest(uint32_t code, std::string sectionName, std::string devicePath,
                                                     uint32_t inLength, uint32_t outLength);

// Where input and output lie in a mapped section of viewSize bytes; nothing when any
// byte of either would fall outside the view. The request's own size fields are
// not trusted.
struct TransferLayout {
  uint32_t inputOffset = 0, inputLength = 0, outputOffset = 0, outputLength = 0;
};
std::optional<TransferLayout> ValidateTransferLayout(const ServiceIoRequest& request, uint64_t viewSize);

// Name of the section of one transfer: "Global\%.8lX%.8lX-" of the thread id and the
// low 32 bits of the time in seconds since 1970, then "LIBSEMBRID_SHARE", as formatted
// into a buffer of bufferSize bytes: a buffer below 26 bytes gives an empty name, a
// longer result is cut to the buffer (one byte stays for the NUL).
constexpr std::size_t kTransferAreaNameBuffer = 64;
std::string TransferAreaName(uint32_t threadId, uint32_t seconds, std::size_t bufferSize = kTransferAreaNameBuffer);

// The byte stream of one pipe connection. Each call transfers all bytes or fails.
class ServiceStream {
 public:
  virtual ~ServiceStream() = default;
  virtual bool WriteAll(const uint8_t* data, std::size_t length) = 0;
  virtual bool ReadAll(uint8_t* data, std::size_t length) = 0;
};

// Sends one request (all its bytes in one write) and reads its reply. Returns the
// reply's status, or kServiceStatusWriteShort when the write stopped short (nothing is
// read then), or kServiceStatusReadShort when the reply did not arrive whole.
uint16_t SendServiceRequest(ServiceStream& stream, const ServiceRequestMessage& message,
                            ServiceReply* reply = nullptr);

}  // namespace tavolen
