#include "control/device/win/ServiceClient.h"

#include <array>
#include <atomic>
#include <cstring>
#include <ctime>
#include <mutex>
#include <optional>

#include "control/device/PassThroughBlock.h"
#include "control/device/ServiceProtocol.h"
#include "framework/UniqueRegKey.h"
#include "framework/UniqueServiceHandle.h"
#include "framework/UniqueView.h"

namespace tavolen {

namespace {

constexpr DWORD kPipeWaitMs = 10000;
static_assert(sizeof(wchar_t) == sizeof(char16_t), "UTF-16 environment");
// A device may take its whole time-out before the service can answer.
static_assert(ServiceDeadlines{}.transferMs >= (kScsiTimeoutService + 5) * 1000, "the deadline outlasts a device");
static_assert(ServiceDeadlines{}.transferMs >= (kAtaTimeout + 5) * 1000, "the deadline outlasts a device");

// Milliseconds left until a deadline taken from GetTickCount64.
DWORD Remaining(ULONGLONG deadline) {
  const ULONGLONG now = ::GetTickCount64();
  return now >= deadline ? 0 : DWORD(deadline - now);
}

// One overlapped pipe connection; every transfer must move all its bytes before its
// deadline, else it is cancelled and fails with ERROR_SEM_TIMEOUT. Only one transfer is
// ever in flight on the handle, so its own signal tells when it completes: no event is
// made and closed per transfer (each would cost a call to the system).
class PipeStream : public ServiceStream {
 public:
  PipeStream(HANDLE pipe, DWORD transferMs) : pipe_(pipe), transferMs_(transferMs) {}
  bool WriteAll(const uint8_t* data, std::size_t length) override { return Move(true, const_cast<uint8_t*>(data), length); }
  bool ReadAll(uint8_t* data, std::size_t length) override { return Move(false, data, length); }
  uint32_t Error() const { return error_; }

 private:
  bool Move(bool write, uint8_t* data, std::size_t length) {
    const ULONGLONG deadline = ::GetTickCount64() + transferMs_;
    for (std::size_t done = 0; done < length;) {
      OVERLAPPED overlapped{};
      const DWORD ask = DWORD(length - done);
      const BOOL started = write ? ::WriteFile(pipe_, data + done, ask, nullptr, &overlapped)
                                 : ::ReadFile(pipe_, data + done, ask, nullptr, &overlapped);
      if (!started && ::GetLastError() != ERROR_IO_PENDING) return Failed(::GetLastError());
      if (!started && ::WaitForSingleObject(pipe_, Remaining(deadline)) != WAIT_OBJECT_0) {
        DWORD ignored = 0;
        ::CancelIoEx(pipe_, &overlapped);
        ::GetOverlappedResult(pipe_, &overlapped, &ignored, TRUE);  // the system is done with it
        return Failed(ERROR_SEM_TIMEOUT);
      }
      DWORD moved = 0;
      if (!::GetOverlappedResult(pipe_, &overlapped, &moved, FALSE)) return Failed(::GetLastError());
      if (moved == 0) return Failed(ERROR_BROKEN_PIPE);
      done += moved;
    }
    return true;
  }
  bool Failed(uint32_t error) {
    error_ = error;
    return false;
  }

  HANDLE pipe_;
  DWORD transferMs_;
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

// The rule of this process: from the environment when first used, unless set before.
std::atomic<ServiceServerTrust>& ServerTrust() {
  static std::atomic<ServiceServerTrust> trust{[] {
    std::array<wchar_t, 32> value{};
    const DWORD length = ::GetEnvironmentVariableW(kServiceServerVariable, value.data(), DWORD(value.size()));
    const bool set = length > 0 && length < value.size();
    return ServiceServerTrustFromVariable(set ? reinterpret_cast<const char16_t*>(value.data()) : nullptr);
  }()};
  return trust;
}

// The user of a process's token, copied into `sid`; false when it cannot be read.
using SidBuffer = std::array<unsigned char, SECURITY_MAX_SID_SIZE>;
bool ProcessUser(HANDLE process, SidBuffer* sid) {
  UniqueHandle token;
  if (!::OpenProcessToken(process, TOKEN_QUERY, token.put())) return false;
  alignas(TOKEN_USER) std::array<unsigned char, sizeof(TOKEN_USER) + SECURITY_MAX_SID_SIZE> buffer{};
  DWORD needed = 0;
  if (!::GetTokenInformation(token.get(), TokenUser, buffer.data(), DWORD(buffer.size()), &needed)) return false;
  const PSID user = reinterpret_cast<const TOKEN_USER*>(buffer.data())->User.Sid;
  return ::CopySid(DWORD(sid->size()), sid->data(), user) != FALSE;
}

// The process the service control manager runs the service in; 0 when it is not
// running or cannot be asked. Connecting and querying the status are open to every user.
DWORD RegisteredServiceProcessId() {
  const UniqueServiceHandle manager(::OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT));
  if (!manager) return 0;
  const UniqueServiceHandle service(::OpenServiceA(manager.get(), kServiceName, SERVICE_QUERY_STATUS));
  if (!service) return 0;
  SERVICE_STATUS_PROCESS status{};
  DWORD needed = 0;
  if (!::QueryServiceStatusEx(service.get(), SC_STATUS_PROCESS_INFO, reinterpret_cast<BYTE*>(&status), sizeof status,
                              &needed)) {
    return 0;
  }
  return status.dwCurrentState == SERVICE_STOPPED ? 0 : status.dwProcessId;
}

// The server process last found trusted, held open: while its handle is held, no other
// process can be given its id (an id is reused only once every handle to its process is
// closed), so a connection whose server has that id is served by that very process and
// needs no second look at tokens and the service control manager (two connections per
// request). Any thread; lives as long as the module.
class TrustedServer {
 public:
  bool Holds(DWORD serverId, ServiceServerTrust trust) {
    const std::lock_guard<std::mutex> lock(mutex_);
    return process_ && id_ == serverId && trust_ == trust;
  }
  void Remember(UniqueHandle process, DWORD serverId, ServiceServerTrust trust) {
    const std::lock_guard<std::mutex> lock(mutex_);
    process_ = std::move(process);
    id_ = serverId;
    trust_ = trust;
  }

 private:
  std::mutex mutex_;
  UniqueHandle process_;
  DWORD id_ = 0;
  ServiceServerTrust trust_ = ServiceServerTrust::LocalSystemOrRegistered;
};

TrustedServer& LastTrustedServer() {
  static TrustedServer server;
  return server;
}

// Whether the pipe's server may be sent a request, under the process-wide rule. The
// facts are gathered cheapest first and only as far as the rule needs them.
bool ServerIsTrusted(HANDLE pipe) {
  const ServiceServerTrust trust = ServerTrust().load();
  ULONG serverId = 0;
  if (!::GetNamedPipeServerProcessId(pipe, &serverId) || serverId == 0) return false;
  if (LastTrustedServer().Holds(serverId, trust)) return true;
  ServiceServerFacts facts;
  SidBuffer server{};
  // Opened before anything is learnt about it: the handle then names the process the
  // facts are about, and is kept once they say it is trusted.
  UniqueHandle process(::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, serverId));
  const bool serverKnown = process && ProcessUser(process.get(), &server);
  const auto trusted = [&] {
    if (process) LastTrustedServer().Remember(std::move(process), serverId, trust);
    return true;
  };
  if (serverKnown) {
    SidBuffer system{};
    DWORD systemSize = DWORD(system.size());
    facts.runsAsLocalSystem = ::CreateWellKnownSid(WinLocalSystemSid, nullptr, system.data(), &systemSize) &&
                              ::EqualSid(server.data(), system.data());
  }
  if (IsTrustedServiceServer(facts, trust)) return trusted();
  facts.isRegisteredService = RegisteredServiceProcessId() == serverId;
  if (IsTrustedServiceServer(facts, trust)) return trusted();
  SidBuffer own{};
  facts.runsAsCaller = serverKnown && ProcessUser(::GetCurrentProcess(), &own) && ::EqualSid(server.data(), own.data());
  return IsTrustedServiceServer(facts, trust) && trusted();
}

// A connection whose server passed the check, or no handle (trace.systemError tells).
UniqueHandle ConnectToService(const char* name, ServiceTrace& t, const ServiceDeadlines& deadlines, bool* untrusted) {
  UniqueHandle pipe = ConnectPipe(name, &t, deadlines);
  *untrusted = false;
  if (pipe && !ServerIsTrusted(pipe.get())) {
    *untrusted = true;
    t.systemError = ERROR_ACCESS_DENIED;
    return UniqueHandle();
  }
  return pipe;
}

uint16_t Send(HANDLE pipe, const ServiceRequestMessage& message, uint32_t* error, const ServiceDeadlines& deadlines) {
  PipeStream stream(pipe, deadlines.transferMs);
  const uint16_t status = SendServiceRequest(stream, message);
  *error = stream.Error();
  return status;
}

}  // namespace

ServiceServerTrust SetServiceServerTrust(ServiceServerTrust trust) { return ServerTrust().exchange(trust); }

UniqueHandle ConnectPipe(const char* name, ServiceTrace* trace, const ServiceDeadlines& deadlines) {
  ServiceTrace local;
  ServiceTrace& t = trace ? *trace : local;
  const char* pipeName = name ? name : kServicePipeName;
  // The open comes first: a listening instance needs no wait. Only a busy pipe, or one
  // that is not there, is waited for; a pipe that does not exist fails the wait at once,
  // so a missing service is reported without delay and without a second try.
  const ULONGLONG deadline = ::GetTickCount64() + deadlines.connectMs;
  for (;;) {
    ++t.pipeOpens;
    if (t.beforePipeOpen) t.beforePipeOpen(t.pipeOpens);
    // The service may learn who the caller is, never act as the caller.
    UniqueHandle pipe(::CreateFileA(pipeName, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OVERLAPPED | SECURITY_SQOS_PRESENT |
                                        SECURITY_IDENTIFICATION,
                                    nullptr));
    if (pipe) return pipe;
    const DWORD error = ::GetLastError();
    t.systemError = error;
    if (error == ERROR_PIPE_BUSY) {
      ++t.pipeBusy;
      if (t.onPipeBusy) t.onPipeBusy();
    } else if (error != ERROR_FILE_NOT_FOUND) {
      return UniqueHandle();
    }
    const DWORD left = Remaining(deadline);
    if (left == 0) {
      t.systemError = ERROR_SEM_TIMEOUT;
      return UniqueHandle();
    }
    ++t.pipeWaits;
    if (!::WaitNamedPipeA(pipeName, left < kPipeWaitMs ? left : kPipeWaitMs)) {
      t.systemError = ::GetLastError();
      return UniqueHandle();
    }
  }
}

UniqueHandle OpenTransferArea(const std::string& name, uint32_t sizeHigh, uint32_t sizeLow, ServiceTrace* trace,
                              const ServiceDeadlines& deadlines) {
  ServiceTrace local;
  ServiceTrace& t = trace ? *trace : local;
  Outcome outcome{t};

  bool untrusted = false;
  UniqueHandle pipe = ConnectToService(nullptr, t, deadlines, &untrusted);
  if (!pipe) {
    outcome.Fail(untrusted ? ServiceStep::ServerAccount : ServiceStep::AreaConnect, 0, t.systemError);
    return UniqueHandle();
  }
  uint32_t error = 0;
  const uint16_t created = Send(pipe.get(), EncodeCreateSharedMemory({sizeHigh, sizeLow, name}), &error, deadlines);
  if (created != kServiceStatusSuccess) {
    outcome.Fail(ServiceStep::CreateSection, created, error);
    return UniqueHandle();
  }
  UniqueHandle mapping(::OpenFileMappingA(FILE_MAP_ALL_ACCESS, FALSE, name.c_str()));
  const DWORD openError = mapping ? 0 : ::GetLastError();
  const uint16_t finished = Send(pipe.get(), EncodeFinish(), &error, deadlines);
  if (finished != kServiceStatusSuccess) {
    outcome.Fail(ServiceStep::Finish, finished, error);
    return UniqueHandle();  // the mapping closes here
  }
  if (!mapping) outcome.Fail(ServiceStep::OpenMapping, 0, openError);
  return mapping;
}

int ServiceDeviceControl(const char* pipeName, const std::string& devicePath, uint32_t code, const void* in,
                         uint32_t inLength, void* out, uint32_t outLength, ServiceTrace* trace,
                         const ServiceDeadlines& deadlines) {
  ServiceTrace local;
  ServiceTrace& t = trace ? *trace : local;
  Outcome outcome{t};
  auto fail = [&](ServiceStep step, uint16_t status, uint32_t error) {
    outcome.Fail(step, status, error);
    ::SetLastError(error ? error : ERROR_GEN_FAILURE);
    return 0;
  };

  bool untrusted = false;
  UniqueHandle pipe = ConnectToService(pipeName, t, deadlines, &untrusted);
  if (!pipe) return fail(untrusted ? ServiceStep::ServerAccount : ServiceStep::Connect, 0, t.systemError);

  const std::string name =
      TransferAreaName(uint32_t(::GetCurrentThreadId()), uint32_t(std::time(nullptr)), kTransferAreaNameBuffer);
  if (name.empty()) return fail(ServiceStep::SectionName, 0, 0);
  const std::optional<ServiceIoRequest> request = MakeServiceIoRequest(code, name, devicePath, inLength, outLength);
  if (!request) return fail(ServiceStep::SectionName, 0, ERROR_INVALID_PARAMETER);
  const uint32_t sectionSize = request->sectionSizeLow;
  t.sectionName = name;
  t.sectionSize = sectionSize;

  const UniqueHandle mapping = OpenTransferArea(name, 0, sectionSize, &t, deadlines);
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
  const uint16_t status = Send(pipe.get(), EncodeServiceIo(*request), &error, deadlines);
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
  return ::RegOpenKeyExA(HKEY_LOCAL_MACHINE, kServiceParametersKey, 0, KEY_QUERY_VALUE, key.put()) == ERROR_SUCCESS ? 1 : 0;
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
