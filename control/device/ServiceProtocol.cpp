#include "control/device/ServiceProtocol.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "control/device/ByteOrder.h"

namespace tavolen {

static_assert(sizeof(RequestHeaderBytes) == 6, "ServiceRequestHeader is 6 bytes");
static_assert(kCreateSharedMemoryFixedSize == 12, "CreateSharedMemoryRequest is 12 bytes before the name");
static_assert(kServiceIoRequestFixedSize == 36, "ServiceIoRequest is 36 bytes before its texts");
static_assert(sizeof(ReplyBytes) == 14, "ServiceReply is 14 bytes");

namespace {

Bytes TextBytes(const std::string& text, bool withNul) {
  Bytes bytes(text.begin(), text.end());
  if (withNul) bytes.push_back(0);
  return bytes;
}

bool HasNul(const uint8_t* text, std::size_t length) { return std::memchr(text, 0, length) != nullptr; }

ServiceRequestMessage Message(ServiceRequestType type, uint8_t flag, std::vector<Bytes> parts) {
  ServiceRequestMessage message;
  message.bodyParts = std::move(parts);
  message.header = EncodeRequestHeader({uint8_t(type), flag, uint32_t(message.BodyLength())});
  return message;
}

}  // namespace

std::size_t ServiceRequestMessage::BodyLength() const {
  std::size_t length = 0;
  for (const Bytes& part : bodyParts) length += part.size();
  return length;
}

RequestHeaderBytes EncodeRequestHeader(const ServiceRequestHeader& header) {
  RequestHeaderBytes bytes{};
  bytes[0] = header.type;
  bytes[1] = header.flag;
  PutLe32(&bytes[2], header.bodyLength);
  return bytes;
}

ServiceRequestHeader DecodeRequestHeader(const RequestHeaderBytes& bytes) {
  return {bytes[0], bytes[1], GetLe32(&bytes[2])};
}

ServiceRequestMessage EncodeCreateSharedMemory(const CreateSharedMemoryRequest& request) {
  Bytes fixed(kCreateSharedMemoryFixedSize);
  PutLe32(&fixed[0], request.sizeHigh);
  PutLe32(&fixed[4], request.sizeLow);
  PutLe32(&fixed[8], uint32_t(request.name.size() + 1));
  return Message(ServiceRequestType::CreateSharedMemory, 1, {std::move(fixed), TextBytes(request.name, true)});
}

ServiceRequestMessage EncodeFinish() { return Message(ServiceRequestType::Finish, 1, {}); }

ServiceRequestMessage EncodeServiceIo(const ServiceIoRequest& request) {
  Bytes fixed(kServiceIoRequestFixedSize);
  PutLe32(&fixed[0], request.code);
  PutLe32(&fixed[4], request.sectionSizeHigh);
  PutLe32(&fixed[8], request.sectionSizeLow);
  PutLe32(&fixed[12], uint32_t(request.sectionName.size()));
  PutLe32(&fixed[16], uint32_t(request.devicePath.size() + 1));
  PutLe32(&fixed[20], request.inputOffset);
  PutLe32(&fixed[24], request.inputLength);
  PutLe32(&fixed[28], request.outputOffset);
  PutLe32(&fixed[32], request.outputLength);
  return Message(ServiceRequestType::DeviceControl, 0,
                 {std::move(fixed), TextBytes(request.sectionName, false), TextBytes(request.devicePath, true)});
}

std::optional<CreateSharedMemoryRequest> DecodeCreateSharedMemory(const uint8_t* body, std::size_t length) {
  if (body == nullptr || length < kCreateSharedMemoryFixedSize) return std::nullopt;
  CreateSharedMemoryRequest request;
  request.sizeHigh = GetLe32(body);
  request.sizeLow = GetLe32(body + 4);
  const uint32_t nameLength = GetLe32(body + 8);
  if (nameLength < 2 || nameLength > kMaxSectionNameLength) return std::nullopt;
  if (uint64_t(kCreateSharedMemoryFixedSize) + nameLength != length) return std::nullopt;
  const uint8_t* name = body + kCreateSharedMemoryFixedSize;
  if (name[nameLength - 1] != 0 || HasNul(name, nameLength - 1)) return std::nullopt;
  if (request.sizeHigh != 0 || request.sizeLow == 0 || request.sizeLow > kMaxSectionSize) return std::nullopt;
  request.name.assign(reinterpret_cast<const char*>(name), nameLength - 1);
  return request;
}

std::optional<ServiceIoRequest> DecodeServiceIo(const uint8_t* body, std::size_t length) {
  if (body == nullptr || length < kServiceIoRequestFixedSize) return std::nullopt;
  ServiceIoRequest request;
  request.code = GetLe32(body);
  request.sectionSizeHigh = GetLe32(body + 4);
  request.sectionSizeLow = GetLe32(body + 8);
  const uint32_t nameLength = GetLe32(body + 12);
  const uint32_t pathLength = GetLe32(body + 16);
  request.inputOffset = GetLe32(body + 20);
  request.inputLength = GetLe32(body + 24);
  request.outputOffset = GetLe32(body + 28);
  request.outputLength = GetLe32(body + 32);
  if (nameLength < 1 || nameLength >= kMaxSectionNameLength) return std::nullopt;
  if (pathLength < 2 || pathLength > kMaxDevicePathLength) return std::nullopt;
  if (uint64_t(kServiceIoRequestFixedSize) + nameLength + pathLength != length) return std::nullopt;
  const uint8_t* name = body + kServiceIoRequestFixedSize;
  const uint8_t* path = name + nameLength;
  if (HasNul(name, nameLength)) return std::nullopt;
  if (path[pathLength - 1] != 0 || HasNul(path, pathLength - 1)) return std::nullopt;
  request.sectionName.assign(reinterpret_cast<const char*>(name), nameLength);
  request.devicePath.assign(reinterpret_cast<const char*>(path), pathLength - 1);
  return request;
}

ReplyBytes EncodeServiceReply(const ServiceReply& reply) {
  ReplyBytes bytes{};
  PutLe16(&bytes[0], reply.status);
  std::copy(reply.rest.begin(), reply.rest.end(), bytes.begin() + 2);
  return bytes;
}

ServiceReply DecodeServiceReply(const ReplyBytes& bytes) {
  ServiceReply reply;
  reply.status = GetLe16(&bytes[0]);
  std::copy(bytes.begin() + 2, bytes.end(), reply.rest.begin());
  return reply;
}

std::optional<uint32_t> TransferSectionSize(uint32_t inLength, uint32_t outLength) {
  const uint64_t sum = uint64_t(inLength) + outLength;
  if (sum == 0) return 8;
  if (sum > 0xFFFFFFFFu) return std::nullopt;
  return uint32_t(sum);
}

std::optional<ServiceIoRequest> MakeServiceIoRequest(uint32_t code, std::string sectionName, std::string devicePath,
                                                     uint32_t inLength, uint32_t outLength) {
  const std::optional<uint32_t> size = TransferSectionSize(inLength, outLength);
  if (!size) return std::nullopt;
  ServiceIoRequest request;
  request.code = code;
  request.sectionSizeHigh = 0;
  request.sectionSizeLow = *size;
  request.inputOffset = 0;
  request.inputLength = inLength;
  request.outputOffset = inLength;
  request.outputLength = outLength;
  request.sectionName = std::move(sectionName);
  request.devicePath = std::move(devicePath);
  return request;
}

std::optional<TransferLayout> ValidateTransferLayout(const ServiceIoRequest& request, uint64_t viewSize) {
  if (uint64_t(request.inputOffset) + request.inputLength > viewSize) return std::nullopt;
  if (uint64_t(request.outputOffset) + request.outputLength > viewSize) return std::nullopt;
  return TransferLayout{request.inputOffset, request.inputLength, request.outputOffset, request.outputLength};
}

std::string TransferAreaName(uint32_t threadId, uint32_t seconds, std::size_t bufferSize) {
  if (bufferSize < 26) return {};
  char text[64];
  std::snprintf(text, sizeof text, "Global\\%.8lX%.8lX-LIBSEMBRID_SHARE", static_cast<unsigned long>(threadId),
                static_cast<unsigned long>(seconds));
  std::string name(text);
  if (name.size() > bufferSize - 1) name.resize(bufferSize - 1);
  return name;
}

Bytes ServiceRequestMessage::Whole() const {
  Bytes bytes;
  bytes.reserve(header.size() + BodyLength());
  bytes.insert(bytes.end(), header.begin(), header.end());
  for (const Bytes& part : bodyParts) bytes.insert(bytes.end(), part.begin(), part.end());
  return bytes;
}

uint16_t SendServiceRequest(ServiceStream& stream, const ServiceRequestMessage& message, ServiceReply* reply) {
  // One write: the bytes on the pipe are the same as part by part, and the service
  // wakes once per request instead of once per part.
  const Bytes whole = message.Whole();
  if (!stream.WriteAll(whole.data(), whole.size())) return kServiceStatusWriteShort;
  ReplyBytes bytes{};
  if (!stream.ReadAll(bytes.data(), bytes.size())) return kServiceStatusReadShort;
  const ServiceReply decoded = DecodeServiceReply(bytes);
  if (reply) *reply = decoded;
  return decoded.status;
}

}  // namespace tavolen
