#include "bench/MinimalService.h"

#include <windows.h>

#include <optional>

#include "control/device/ByteOrder.h"
#include "control/device/ServiceProtocol.h"
#include "framework/UniqueHandle.h"
#include "framework/UniqueView.h"

namespace tavolen::bench {
namespace {

constexpr int kInstances = 4;

// Synchronous byte-mode reads may return fewer bytes than asked.
bool ReadExactly(HANDLE pipe, uint8_t* data, DWORD length) {
  while (length > 0) {
    DWORD read = 0;
    if (!::ReadFile(pipe, data, length, &read, nullptr) || read == 0) return false;
    data += read;
    length -= read;
  }
  return true;
}

bool Reply(HANDLE pipe, uint16_t status, uint32_t error = 0) {
  ServiceReply reply;
  reply.status = status;
  PutLe32(&reply.rest[0], error);
  const ReplyBytes bytes = EncodeServiceReply(reply);
  DWORD written = 0;
  return ::WriteFile(pipe, bytes.data(), DWORD(bytes.size()), &written, nullptr) && written == bytes.size();
}

bool DeviceControl(HANDLE pipe, service::DeviceBackend& devices, const Bytes& body) {
  const std::optional<ServiceIoRequest> request = DecodeServiceIo(body.data(), body.size());
  if (!request) return Reply(pipe, 1);
  const UniqueHandle mapping(::OpenFileMappingA(FILE_MAP_ALL_ACCESS, FALSE, request->sectionName.c_str()));
  const UniqueView view(mapping ? ::MapViewOfFile(mapping.get(), FILE_MAP_ALL_ACCESS, 0, 0, 0) : nullptr);
  if (!view) return Reply(pipe, 2);
  const std::optional<TransferLayout> layout = ValidateTransferLayout(*request, MappedSize(view));
  if (!layout) return Reply(pipe, 5);
  uint8_t* base = ViewBytes(view);
  uint32_t returned = 0, error = 0;
  const bool ok = devices.Control(request->devicePath, request->code, base + layout->inputOffset, layout->inputLength,
                                  base + layout->outputOffset, layout->outputLength, &returned, &error);
  return Reply(pipe, ok ? 0 : 4, error);
}

}  // namespace

bool MinimalService::Start() {
  std::vector<UniqueHandle> instances;
  for (int i = 0; i < kInstances; ++i) {
    UniqueHandle instance(::CreateNamedPipeA(kServicePipeName,
                                             PIPE_ACCESS_DUPLEX | (i == 0 ? FILE_FLAG_FIRST_PIPE_INSTANCE : 0),
                                             PIPE_TYPE_BYTE | PIPE_READMODE_BYTE | PIPE_WAIT,
                                             PIPE_UNLIMITED_INSTANCES, 4096, 4096, 0, nullptr));
    if (!instance) return false;
    instances.push_back(std::move(instance));
  }
  stopping_ = false;
  for (UniqueHandle& instance : instances) threads_.emplace_back(&MinimalService::Serve, this, instance.release());
  return true;
}

void MinimalService::Stop() {
  if (threads_.empty()) return;
  stopping_ = true;
  // Each thread waits in ConnectNamedPipe: a connection that says nothing wakes one.
  for (std::size_t woken = 0; woken < threads_.size();) {
    const UniqueHandle wake(
        ::CreateFileA(kServicePipeName, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    if (wake) {
      ++woken;
    } else if (::GetLastError() != ERROR_PIPE_BUSY || !::WaitNamedPipeA(kServicePipeName, 1000)) {
      break;
    }
  }
  for (std::thread& thread : threads_) thread.join();
  threads_.clear();
}

void MinimalService::Serve(void* rawInstance) {
  const UniqueHandle instance(rawInstance);
  const HANDLE pipe = instance.get();
  while (!stopping_) {
    if (!::ConnectNamedPipe(pipe, nullptr) && ::GetLastError() != ERROR_PIPE_CONNECTED) {
      ::DisconnectNamedPipe(pipe);  // a client that came and went
      continue;
    }
    UniqueHandle section;  // created by request 6, let go at request 0
    for (;;) {
      RequestHeaderBytes headerBytes{};
      if (stopping_ || !ReadExactly(pipe, headerBytes.data(), DWORD(headerBytes.size()))) break;
      const ServiceRequestHeader header = DecodeRequestHeader(headerBytes);
      if (header.bodyLength > kMaxRequestBodyLength) break;
      Bytes body(header.bodyLength);
      if (!body.empty() && !ReadExactly(pipe, body.data(), DWORD(body.size()))) break;
      bool replied = false;
      if (header.type == uint8_t(ServiceRequestType::CreateSharedMemory)) {
        const auto request = DecodeCreateSharedMemory(body.data(), body.size());
        if (request) {
          section.reset(::CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, request->sizeLow,
                                             request->name.c_str()));
        }
        replied = Reply(pipe, section ? 0 : 2);
      } else if (header.type == uint8_t(ServiceRequestType::Finish)) {
        section.reset();
        replied = Reply(pipe, 0);
      } else if (header.type == uint8_t(ServiceRequestType::DeviceControl)) {
        replied = DeviceControl(pipe, devices_, body);
      } else {
        replied = Reply(pipe, 1);
      }
      if (!replied) break;
    }
    ::DisconnectNamedPipe(pipe);
  }
}

}  // namespace tavolen::bench
