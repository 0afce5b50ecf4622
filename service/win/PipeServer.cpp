#include "service/win/PipeServer.h"

#include <sddl.h>

#include <array>
#include <cstring>
#include <utility>

#include "service/win/Win32Sections.h"

namespace tavolen::service {

namespace {

// The user of the connection's client when its process cannot be opened: read from the
// token of the client as it connected. The client connects allowing identification (the
// product's client asks for SECURITY_IDENTIFICATION), which is enough to read that token's
// user and never lets the service act as the client. Empty when it cannot be read (the
// section store then grants nobody but the service's own account).
std::string ImpersonatedUserSid(HANDLE pipe) {
  if (!::ImpersonateNamedPipeClient(pipe)) return {};
  UniqueHandle token;
  const bool opened = ::OpenThreadToken(::GetCurrentThread(), TOKEN_QUERY, TRUE, token.put());
  ::RevertToSelf();
  return opened ? TokenUserSid(token.get()) : std::string();
}

// A client process held open for the user cache.
class Win32ClientProcess : public ClientUserCache::HeldProcess {
 public:
  explicit Win32ClientProcess(UniqueHandle process) : process_(std::move(process)) {}
  bool Ended() const override { return ::WaitForSingleObject(process_.get(), 0) != WAIT_TIMEOUT; }

 private:
  UniqueHandle process_;
};

// The client process and its token's user. Under Wine every process of a prefix, the
// client and this service alike, runs as the prefix's one user.
std::unique_ptr<ClientUserCache::HeldProcess> OpenClientProcess(uint32_t processId, std::string* userSid) {
  UniqueHandle process(::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION | SYNCHRONIZE, FALSE, processId));
  UniqueHandle token;
  if (!process || !::OpenProcessToken(process.get(), TOKEN_QUERY, token.put())) return nullptr;
  *userSid = TokenUserSid(token.get());
  return std::make_unique<Win32ClientProcess>(std::move(process));
}

constexpr DWORD kPipeBufferSize = 4096;
// Instances listening while clients come: a client opens two connections one right after
// the other, and the second must find an instance without waiting for one to be made.
constexpr uint32_t kListeningInstances = 2;
// Instances made at the start: a client's two connections, and two more for its next
// request, which may come before the first two are free again.
constexpr uint32_t kFirstInstances = 4;
// Idle instances kept for the next clients; more than that end when their client leaves.
constexpr uint32_t kIdleInstancesKept = 8;
// Pause after an instance failed to wait for a client for no known reason.
constexpr DWORD kConnectRetryMs = 100;
// After refusing a request: how long the refused client has to read the answer and
// close its end before the connection is cut.
constexpr DWORD kRefusalLingerMs = 1000;

// The pipe is for local clients without administrator rights: users signed in at the
// machine may read and write data (FILE_GENERIC_READ | FILE_GENERIC_WRITE without
// FILE_CREATE_PIPE_INSTANCE, so nobody else can put up an instance of this pipe); the
// system and administrators may do everything.
constexpr char kPipeSecurity[] = "D:(A;;GA;;;SY)(A;;GA;;;BA)(A;;0x12019b;;;IU)";
static_assert(((FILE_GENERIC_READ | FILE_GENERIC_WRITE) & ~FILE_CREATE_PIPE_INSTANCE) == 0x12019b,
              "the interactive users' rights");

UniqueHandle NewEvent(bool manualReset) { return UniqueHandle(::CreateEventW(nullptr, manualReset, FALSE, nullptr)); }

// Ends an overlapped operation that is still running and waits until the system is done
// with its OVERLAPPED.
void Abandon(HANDLE pipe, OVERLAPPED& overlapped) {
  DWORD ignored = 0;
  ::CancelIoEx(pipe, &overlapped);
  ::GetOverlappedResult(pipe, &overlapped, &ignored, TRUE);
}

// One overlapped read or write of at most `length` bytes: the bytes moved, or 0 when it
// fails, one of the stop events is set while it waits or the time-out passes (it is then
// cancelled and finished). An operation the system completes at once costs no wait.
DWORD MoveOnce(HANDLE pipe, HANDLE ioEvent, bool write, uint8_t* data, DWORD length, HANDLE stopA, HANDLE stopB,
               DWORD timeoutMs = INFINITE) {
  OVERLAPPED overlapped{};
  overlapped.hEvent = ioEvent;
  const BOOL done = write ? ::WriteFile(pipe, data, length, nullptr, &overlapped)
                          : ::ReadFile(pipe, data, length, nullptr, &overlapped);
  if (!done) {
    if (::GetLastError() != ERROR_IO_PENDING) return 0;
    const HANDLE waits[] = {ioEvent, stopA, stopB};
    if (::WaitForMultipleObjects(3, waits, FALSE, timeoutMs) != WAIT_OBJECT_0) {
      Abandon(pipe, overlapped);
      return 0;
    }
  }
  DWORD moved = 0;
  return ::GetOverlappedResult(pipe, &overlapped, &moved, FALSE) ? moved : 0;
}

// The bytes a connection received and has not handled yet. A read asks for as much as
// the longest request, so a request written at once is read at once.
class RequestBuffer {
 public:
  // Reads until `count` bytes are held; false when the connection ends first.
  template <typename Read>
  bool Fill(std::size_t count, Read read) {
    while (held_ < count) {
      const DWORD moved = read(bytes_.data() + held_, DWORD(bytes_.size() - held_));
      if (moved == 0) return false;
      held_ += moved;
    }
    return true;
  }
  const uint8_t* Data() const { return bytes_.data(); }
  // Drops the first `count` bytes (a request handled).
  void Consume(std::size_t count) {
    std::memmove(bytes_.data(), bytes_.data() + count, held_ - count);
    held_ -= count;
  }

 private:
  std::array<uint8_t, kServiceRequestHeaderSize + kMaxRequestBodyLength> bytes_{};
  std::size_t held_ = 0;
};

}  // namespace

struct PipeServer::Instance {
  enum class State {
    Listening,  // waiting for a client
    Waiting,    // a client connected and has sent nothing yet
    Speaking,   // the client has sent at least one byte
    Exited,     // the thread is done (or about to be) and may be joined
  };

  explicit Instance(UniqueHandle instancePipe) : pipe(std::move(instancePipe)) {}

  UniqueHandle pipe;
  UniqueHandle ioEvent = NewEvent(true);
  UniqueHandle drop = NewEvent(true);  // set: end the current connection now
  std::thread thread;
  State state = State::Listening;  // guarded by the server's mutex
  uint64_t connectionsEnded = 0;   // guarded by the server's mutex
  bool dropSet = false;            // guarded by the server's mutex: drop needs a reset
};

PipeServer::PipeServer(SectionStore& sections, DeviceBackend& devices, PipeServerOptions options)
    : sections_(sections, [] { return uint64_t(::GetTickCount64()); }),
      devices_(devices),
      options_(std::move(options)),
      clientUsers_(&OpenClientProcess) {
  if (options_.maxInstances == 0) options_.maxInstances = kDefaultMaxInstances;
}

PipeServer::~PipeServer() { Stop(); }

UniqueHandle PipeServer::CreatePipe(bool first) {
  SECURITY_ATTRIBUTES attributes{sizeof attributes, securityDescriptor_.get(), FALSE};
  return UniqueHandle(::CreateNamedPipeA(
      options_.pipeName.c_str(), PIPE_ACCESS_DUPLEX | FILE_FLAG_OVERLAPPED | (first ? FILE_FLAG_FIRST_PIPE_INSTANCE : 0),
      PIPE_TYPE_BYTE | PIPE_READMODE_BYTE | PIPE_WAIT | PIPE_REJECT_REMOTE_CLIENTS, options_.maxInstances,
      kPipeBufferSize, kPipeBufferSize, 0, securityDescriptor_ ? &attributes : nullptr));
}

bool PipeServer::Start() {
  if (started_) return false;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (::ConvertStringSecurityDescriptorToSecurityDescriptorA(kPipeSecurity, SDDL_REVISION_1, &descriptor, nullptr)) {
    securityDescriptor_.reset(descriptor);
  }
  stop_ = NewEvent(true);
  if (!stop_) return false;
  UniqueHandle first = CreatePipe(true);
  if (!first) return false;
  {
    const std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = false;
  }
  started_ = true;
  if (!AddInstance(std::move(first))) return false;
  AddListeners(kFirstInstances);
  return true;
}

void PipeServer::AddListeners(uint32_t listening) {
  for (;;) {
    {
      const std::lock_guard<std::mutex> lock(mutex_);
      if (stopping_ || listening_ >= listening ||
          (options_.maxInstances != 0 && open_ >= options_.maxInstances)) {
        return;
      }
    }
    UniqueHandle pipe = CreatePipe(false);
    if (!pipe || !AddInstance(std::move(pipe))) return;
  }
}

void PipeServer::Stop() {
  if (!started_) return;
  std::vector<std::shared_ptr<Instance>> instances;
  {
    const std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
  }
  ::SetEvent(stop_.get());
  connectionEnded_.notify_all();
  // No instance is added once stopping_ is set, so the list only shrinks from here.
  {
    const std::lock_guard<std::mutex> lock(mutex_);
    instances.swap(instances_);
  }
  for (auto& instance : instances) {
    if (instance->thread.joinable()) instance->thread.join();
  }
  listening_ = open_ = 0;
  started_ = false;
}

bool PipeServer::AddInstance(UniqueHandle pipe) {
  auto instance = std::make_shared<Instance>(std::move(pipe));
  if (!instance->ioEvent || !instance->drop) return false;
  Instance& added = *instance;
  const std::lock_guard<std::mutex> lock(mutex_);
  if (stopping_) return false;
  ++listening_;
  ++open_;
  ++stats_.instances;
  added.thread = std::thread(&PipeServer::Run, this, std::ref(added));
  instances_.push_back(std::move(instance));
  return true;
}

void PipeServer::ReapExited() {
  std::vector<std::shared_ptr<Instance>> exited;
  {
    const std::lock_guard<std::mutex> lock(mutex_);
    for (auto it = instances_.begin(); it != instances_.end();) {
      if ((*it)->state == Instance::State::Exited) {
        exited.push_back(std::move(*it));
        it = instances_.erase(it);
      } else {
        ++it;
      }
    }
  }
  for (auto& instance : exited) instance->thread.join();
}

bool PipeServer::AwaitClient(Instance& instance) {
  const HANDLE pipe = instance.pipe.get();
  for (;;) {
    OVERLAPPED overlapped{};
    overlapped.hEvent = instance.ioEvent.get();
    if (::ConnectNamedPipe(pipe, &overlapped)) return true;
    DWORD error = ::GetLastError();
    if (error == ERROR_PIPE_CONNECTED) return true;
    if (error == ERROR_IO_PENDING) {
      const HANDLE waits[] = {instance.ioEvent.get(), stop_.get()};
      if (::WaitForMultipleObjects(2, waits, FALSE, INFINITE) != WAIT_OBJECT_0) {
        Abandon(pipe, overlapped);
        return false;
      }
      DWORD ignored = 0;
      if (::GetOverlappedResult(pipe, &overlapped, &ignored, FALSE)) return true;
      error = ::GetLastError();
    }
    // A client that came and went (ERROR_NO_DATA) leaves the instance to be reset; after
    // anything unexpected, pause before trying again.
    ::DisconnectNamedPipe(pipe);
    const DWORD pause = error == ERROR_NO_DATA ? 0 : kConnectRetryMs;
    if (::WaitForSingleObject(stop_.get(), pause) == WAIT_OBJECT_0) return false;
  }
}

void PipeServer::Run(Instance& instance) {
  for (;;) {
    if (!AwaitClient(instance)) break;
    bool more = false;
    {
      const std::lock_guard<std::mutex> lock(mutex_);
      instance.state = Instance::State::Waiting;
      --listening_;
      more = listening_ < kListeningInstances;
    }
    ++stats_.connections;
    // Other instances listen before this one is served, so that the pipe is never
    // without a listener while instances are allowed.
    if (more) {
      ReapExited();
      AddListeners(kListeningInstances);
    }

    Serve(instance);
    // The client has gone, or is sent away: it has read every reply it waited for.
    ::DisconnectNamedPipe(instance.pipe.get());

    bool exit = false;
    {
      const std::lock_guard<std::mutex> lock(mutex_);
      if (instance.dropSet) {
        ::ResetEvent(instance.drop.get());
        instance.dropSet = false;
      }
      ++instance.connectionsEnded;
      exit = stopping_ || listening_ >= kIdleInstancesKept;
      if (exit) {
        --open_;
      } else {
        instance.state = Instance::State::Listening;
        ++listening_;
      }
    }
    connectionEnded_.notify_all();
    if (exit) break;
  }
  instance.pipe.reset();
  const std::lock_guard<std::mutex> lock(mutex_);
  instance.state = Instance::State::Exited;
}

void PipeServer::Serve(Instance& instance) {
  const HANDLE pipe = instance.pipe.get();
  SessionClient client;
  ULONG processId = 0;
  if (::GetNamedPipeClientProcessId(pipe, &processId)) client.processId = processId;
  client.log = options_.log;
  // The sections of a request are made for its client's user: that of its process.
  client.user = [this, pipe, processId] {
    std::string sid = processId != 0 ? clientUsers_.UserOf(processId) : std::string();
    return sid.empty() ? ImpersonatedUserSid(pipe) : sid;
  };
  const uint32_t clientId = client.processId;
  bool overCap = false;
  {
    const std::lock_guard<std::mutex> lock(mutex_);
    overCap = ++connectionsByClient_[clientId] > options_.maxConnectionsPerClient;
  }
  // Counted for as long as this connection lasts, whichever way it ends.
  struct Uncount {
    PipeServer& server;
    uint32_t id;
    ~Uncount() {
      const std::lock_guard<std::mutex> lock(server.mutex_);
      if (--server.connectionsByClient_[id] == 0) server.connectionsByClient_.erase(id);
    }
  } uncount{*this, clientId};
  if (overCap) {
    ++stats_.refusedConnections;
    if (options_.log) options_.log("refused for process " + std::to_string(clientId) + ": too many connections");
    return;
  }
  ServiceSession session(sections_, devices_, options_.misbehaviour, std::move(client));
  const HANDLE ioEvent = instance.ioEvent.get();
  const HANDLE drop = instance.drop.get();
  // A client that says nothing in time is treated as gone.
  auto read = [&](uint8_t* data, DWORD length) {
    return MoveOnce(pipe, ioEvent, false, data, length, stop_.get(), drop, options_.idleTimeoutMs);
  };
  auto writeAll = [&](uint8_t* data, DWORD length) {
    for (DWORD written = 0; written < length;) {
      const DWORD moved = MoveOnce(pipe, ioEvent, true, data + written, length - written, stop_.get(), drop);
      if (moved == 0) return false;
      written += moved;
    }
    return true;
  };

  RequestBuffer received;
  bool spoken = false;
  for (;;) {
    if (!received.Fill(kServiceRequestHeaderSize, read)) break;
    if (!spoken) {
      spoken = true;
      const std::lock_guard<std::mutex> lock(mutex_);
      instance.state = Instance::State::Speaking;
    }
    RequestHeaderBytes headerBytes{};
    std::memcpy(headerBytes.data(), received.Data(), headerBytes.size());
    const ServiceRequestHeader header = DecodeRequestHeader(headerBytes);
    if (!ServiceSession::AcceptBodyLength(header.bodyLength)) break;
    if (!received.Fill(kServiceRequestHeaderSize + header.bodyLength, read)) break;
    const uint8_t* bodyStart = received.Data() + kServiceRequestHeaderSize;
    Bytes body(bodyStart, bodyStart + header.bodyLength);
    received.Consume(kServiceRequestHeaderSize + header.bodyLength);

    if (options_.onRequest) options_.onRequest(header, body);
    switch (header.type) {
      case uint8_t(ServiceRequestType::CreateSharedMemory): ++stats_.createRequests; break;
      case uint8_t(ServiceRequestType::Finish): ++stats_.finishRequests; break;
      case uint8_t(ServiceRequestType::DeviceControl): ++stats_.deviceControlRequests; break;
      default: break;
    }
    SessionAction action = session.Handle(header, body.data(), body.size());
    if (action.kind == SessionAction::Kind::Close) break;
    if (action.kind == SessionAction::Kind::Stall) {
      uint8_t ignored[64];
      while (read(ignored, sizeof ignored) != 0) {
      }
      break;
    }
    if (action.kind == SessionAction::Kind::DropOthersThenReply) DropWaitingConnections(instance);
    if (!writeAll(action.reply.data(), DWORD(action.reply.size()))) break;
    if (action.kind == SessionAction::Kind::ReplyThenClose) {
      ++stats_.refusedRequests;
      // Disconnecting discards what the client has not read yet: give it a moment to
      // read the refusal and hang up, then cut the connection whatever it does.
      uint8_t ignored[64];
      MoveOnce(pipe, ioEvent, false, ignored, sizeof ignored, stop_.get(), drop, kRefusalLingerMs);
      break;
    }
  }
}

void PipeServer::DropWaitingConnections(const Instance& except) {
  std::unique_lock<std::mutex> lock(mutex_);
  // Held by reference count: an instance may end and be reaped while this waits.
  std::vector<std::pair<std::shared_ptr<Instance>, uint64_t>> waiting;
  for (const auto& instance : instances_) {
    if (instance.get() != &except && instance->state == Instance::State::Waiting) {
      waiting.emplace_back(instance, instance->connectionsEnded);
      instance->dropSet = true;
      ::SetEvent(instance->drop.get());
    }
  }
  for (const auto& [instance, ended] : waiting) {
    connectionEnded_.wait(lock, [&] { return stopping_ || instance->connectionsEnded != ended; });
    ++stats_.droppedConnections;
  }
}

}  // namespace tavolen::service
