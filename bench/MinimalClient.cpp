#include "bench/MinimalClient.h"

#include <windows.h>

#include <cstring>
#include <ctime>

#include "control/device/ServiceProtocol.h"
#include "framework/UniqueHandle.h"
#include "framework/UniqueView.h"

namespace tavolen::bench {
namespace {

UniqueHandle Connect() {
  for (;;) {
    UniqueHandle pipe(
        ::CreateFileA(kServicePipeName, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    if (pipe) return pipe;
    if (::GetLastError() != ERROR_PIPE_BUSY || !::WaitNamedPipeA(kServicePipeName, 10000)) return UniqueHandle();
  }
}

// The whole request in one write, the reply in one read; true for a success status.
bool RoundTrip(HANDLE pipe, const ServiceRequestMessage& message) {
  const Bytes bytes = message.Whole();
  DWORD moved = 0;
  if (!::WriteFile(pipe, bytes.data(), DWORD(bytes.size()), &moved, nullptr) || moved != bytes.size()) return false;
  ReplyBytes reply{};
  if (!::ReadFile(pipe, reply.data(), DWORD(reply.size()), &moved, nullptr) || moved != reply.size()) return false;
  return DecodeServiceReply(reply).status == kServiceStatusSuccess;
}

UniqueHandle OpenArea(const std::string& name, uint32_t size) {
  const UniqueHandle area = Connect();
  if (!area || !RoundTrip(area.get(), EncodeCreateSharedMemory({0, size, name}))) return UniqueHandle();
  UniqueHandle mapping(::OpenFileMappingA(FILE_MAP_ALL_ACCESS, FALSE, name.c_str()));
  if (!RoundTrip(area.get(), EncodeFinish())) return UniqueHandle();
  return mapping;
}

}  // namespace

bool MinimalServiceDeviceControl(const std::string& devicePath, uint32_t code, const void* in, uint32_t inLength,
                                 void* out, uint32_t outLength) {
  const UniqueHandle pipe = Connect();
  if (!pipe) return false;
  const std::string name = TransferAreaName(::GetCurrentThreadId(), uint32_t(std::time(nullptr)));
  const ServiceIoRequest request = *MakeServiceIoRequest(code, name, devicePath, inLength, outLength);
  const UniqueHandle mapping = OpenArea(name, request.sectionSizeLow);
  if (!mapping) return false;
  const UniqueView view(::MapViewOfFile(mapping.get(), FILE_MAP_WRITE, 0, 0, 0));
  if (!view || MappedSize(view) < request.sectionSizeLow) return false;
  std::memset(view.get(), 0, request.sectionSizeLow);
  if (in && inLength) std::memcpy(view.get(), in, inLength);
  if (!RoundTrip(pipe.get(), EncodeServiceIo(request))) return false;
  if (out && outLength) std::memcpy(out, ViewBytes(view) + request.outputOffset, outLength);
  return true;
}

}  // namespace tavolen::bench
