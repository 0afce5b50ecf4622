#include "control/device/win/ServiceClient.h"

#include <array>
#include <cstring>
#include <ctime>
#include <optional>

#include "control/device/ServiceProtocol.h"
#include "framework/UniqueRegKey.h"
#include "framework/UniqueView.h"

namespace tavolen {

namespace {

constexpr DWORD kPipeWaitMs = 10000;

// One synchronous pipe connection; every transfer must move all its bytes at once.
class PipeStream : public ServiceStream {
 public:
  explicit PipeStream(HANDLE pipe) : pipe_(pipe) {}
  bool WriteAll(const uint8_t* data, std::size_t length) override {
    DWORD written = 0;
    const BOOL ok = ::WriteFile(pipe_, data, DWORD(length), &written, nullptr);
    if (!ok) error_ = ::GetLastError();
    return ok && written == length;
  }
  bool ReadAll(uint8_t* data, std::size_t length) override {
    DWORD read = 0;
    const BOOL ok = ::ReadFile(pipe_, data, DWORD(length), &read, nullptr);
    if (!ok) error_ = ::GetLastError();
    return ok && read == length;
  }
  uint32_t Error() const { return error_; }

 private:
  HANDLE pipe_;
  uint32_t error_ = 0;
};

// Ends a request at a step; keeps the last system error for the caller.
struct Outcome {
  ServiceTrace& trace;
  bool Fail(ServiceStep step, uint16_t status, uint32_t systemError) {
    trace.step = step;
    trace.status = status;
    trace.systemError = systemError;
    return false;
  }
};

uint16_t Send(HANDLE pipe, const ServiceRequestMessage& message, uint32_t* error) {
  PipeStream stream(pipe);
  const uint16_t status = SendServiceRequest(stream, message);
  *error = stream.Error();
  return status;
}

}  // namespace

UniqueHandle ConnectPipe(const char* name, ServiceTrace* trace) {
  ServiceTrace local;
  ServiceTrace& t = trace ? *trace : local;
  const char* pipeName = name ? name : kServicePipeName;
  // The open comes first: a listening instance needs no wait. Only a busy pipe, or one
  // that is not there, is waited for; a pipe that does not exist fails the wait at once,
  // so a missing service is reported without delay and without a second try.
  for (;;) {
    ++t.pipeOpens;
    if (t.beforePipeOpen) t.beforePipeOpen(t.pipeOpens);
    UniqueHandle pipe(::CreateFileA(pipeName, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
    if (pipe) return pipe;
    const DWORD error = ::GetLastError();
    t.systemError = error;
    if (error == ERROR_PIPE_BUSY) {
      ++t.pipeBusy;
      if (t.onPipeBusy) t.onPipeBusy();
    } else if (error != ERROR_FILE_NOT_FOUND) {
      return UniqueHandle();
    }
    ++t.pipeWaits;
    if (!::WaitNamedPipeA(pipeName, kPipeWaitMs)) {
      t.systemError = ::GetLastError();
      return UniqueHandle();
    }
  }
}

UniqueHandle OpenTransferArea(const std::string& name, uint32_t sizeHigh, uint32_t sizeLow, ServiceTrace* trace) {
  ServiceTrace local;
  ServiceTrace& t = trace ? *trace : local;
  Outcome outcome{t};

  UniqueHandle pipe = ConnectPipe(nullptr, &t);
  if (!pipe) {
    outcome.Fail(ServiceStep::AreaConnect, 0, t.systemError);
    return UniqueHandle();
  }
  uint32_t error = 0;
  const uint16_t created = Send(pipe.get(), EncodeCreateSharedMemory({sizeHigh, sizeLow, name}), &error);
  if (created != kServiceStatusSuccess) {
    outcome.Fail(ServiceStep::CreateSection, created, error);
    return UniqueHandle();
  }
  UniqueHandle mapping(::OpenFileMappingA(FILE_MAP_ALL_ACCESS, FALSE, name.c_str()));
  const DWORD openError = mapping ? 0 : ::GetLastError();
  const uint16_t finished = Send(pipe.get(), EncodeFinish(), &error);
  if (finished != kServiceStatusSuccess) {
    outcome.Fail(ServiceStep::Finish, finished, error);
    return UniqueHandle();  // the mapping closes here
  }
  if (!mapping) outcome.Fail(ServiceStep::OpenMapping, 0, openError);
  return mapping;
}

int ServiceDeviceControl(const char* pipeName, const std::string& devicePath, uint32_t code, const void* in,
                         uint32_t inLength, void* out, uint32_t outLength, ServiceTrace* trace) {
  ServiceTrace local;
  ServiceTrace& t = trace ? *trace : local;
  Outcome outcome{t};
  auto fail = [&](ServiceStep step, uint16_t status, uint32_t error) {
    outcome.Fail(step, status, error);
    ::SetLastError(error ? error : ERROR_GEN_FAILURE);
    return 0;
  };

  UniqueHandle pipe = ConnectPipe(pipeName, &t);
  if (!pipe) return fail(ServiceStep::Connect, 0, t.systemError);

  const std::string name =
      TransferAreaName(uint32_t(::GetCurrentThreadId()), uint32_t(std::time(nullptr)), kTransferAreaNameBuffer);
  if (name.empty()) return fail(ServiceStep::SectionName, 0, 0);
  const std::optional<ServiceIoRequest> request = MakeServiceIoRequest(code, name, devicePath, inLength, outLength);
  if (!request) return fail(ServiceStep::SectionName, 0, ERROR_INVALID_PARAMETER);
  const uint32_t sectionSize = request->sectionSizeLow;
  t.sectionName = name;
  t.sectionSize = sectionSize;

  const UniqueHandle mapping = OpenTransferArea(name, 0, sectionSize, &t);
  if (!mapping) {
    ::SetLastError(t.systemError ? t.systemError : ERROR_GEN_FAILURE);
    return 0;
  }

  const UniqueView view(::MapViewOfFile(mapping.get(), FILE_MAP_WRITE, 0, 0, 0));
  if (!view) return fail(ServiceStep::MapView, 0, ::GetLastError());
  // A section of that name made for someone else may be smaller than asked for: never
  // write past what is really mapped.
  if (MappedSize(view) < sectionSize) return fail(ServiceStep::ViewTooSmall, 0, ERROR_INVALID_PARAMETER);
  std::memset(view.get(), 0, sectionSize);
  if (in && inLength) std::memcpy(ViewBytes(view) + request->inputOffset, in, inLength);

  t.ioRequestSent = true;
  uint32_t error = 0;
  const uint16_t status = Send(pipe.get(), EncodeServiceIo(*request), &error);
  if (status != kServiceStatusSuccess) return fail(ServiceStep::DeviceControl, status, error);

  if (out && outLength) std::memcpy(out, ViewBytes(view) + request->outputOffset, outLength);
  t.step = ServiceStep::Done;
  t.status = kServiceStatusSuccess;
  t.systemError = 0;
  return 1;
}

bool ServiceDeviceRoute(const std::string& ansiDevicePath, uint32_t code, const void* in, uint32_t inLength, void* out,
                        uint32_t outLength) {
  return ServiceDeviceControl(kServicePipeName, ansiDevicePath, code, in, inLength, out, outLength) != 0;
}

int IsServiceInstalled() {
  UniqueRegKey key;
  return ::RegOpenKeyExA(HKEY_LOCAL_MACHINE, kServiceParametersKey, 0, KEY_READ, key.put()) == ERROR_SUCCESS ? 1 : 0;
}

int IsAdministrator() {
  HANDLE rawToken = nullptr;
  if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &rawToken)) return 0;
  const UniqueHandle token(rawToken);

  // TokenGroups read into a 1024-byte buffer, aligned for the structure it holds.
  alignas(TOKEN_GROUPS) std::array<unsigned char, 1024> buffer{};
  DWORD needed = 0;
  if (!::GetTokenInformation(token.get(), TokenGroups, buffer.data(), DWORD(buffer.size()), &needed)) return 0;
  const auto* groups = reinterpret_cast<const TOKEN_GROUPS*>(buffer.data());

  std::array<unsigned char, SECURITY_MAX_SID_SIZE> admins{};
  DWORD adminsSize = DWORD(admins.size());
  if (!::CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, admins.data(), &adminsSize)) return 0;
  for (DWORD i = 0; i < groups->GroupCount; ++i) {
    if (::EqualSid(groups->Groups[i].Sid, admins.data())) return 1;
  }
  return 0;
}

}  // namespace tavolen
