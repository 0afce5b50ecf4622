#include "service/win/PipeServer.h"

#include <sddl.h>

#include <utility>

#include "framework/UniqueLocal.h"

namespace tavolen::service {

namespace {

constexpr DWORD kPipeBufferSize = 4096;

// The pipe is for local clients without administrator rights: everyone signed in may
// read and write; the system and administrators may do everything.
constexpr char kPipeSecurity[] = "D:(A;;GA;;;SY)(A;;GA;;;BA)(A;;GA;;;OW)(A;;GRGW;;;AU)";

UniqueHandle NewEvent(bool manualReset) { return UniqueHandle(::CreateEventW(nullptr, manualReset, FALSE, nullptr)); }

// Moves all `length` bytes with overlapped I/O; false when the transfer fails or one of
// the stop events is set first (the transfer is then cancelled and finished).
bool Transfer(HANDLE pipe, HANDLE ioEvent, bool write, uint8_t* data, DWORD length, HANDLE stopA, HANDLE stopB) {
  DWORD total = 0;
  while (total < length) {
    OVERLAPPED overlapped{};
    overlapped.hEvent = ioEvent;
    ::ResetEvent(ioEvent);
    const BOOL started = write ? ::WriteFile(pipe, data + total, length - total, nullptr, &overlapped)
                               : ::ReadFile(pipe, data + total, length - total, nullptr, &overlapped);
    if (!started && ::GetLastError() != ERROR_IO_PENDING) return false;
    const HANDLE waits[] = {ioEvent, stopA, stopB};
    DWORD moved = 0;
    if (::WaitForMultipleObjects(3, waits, FALSE, INFINITE) != WAIT_OBJECT_0) {
      ::CancelIo(pipe);
      ::GetOverlappedResult(pipe, &overlapped, &moved, TRUE);
      return false;
    }
    if (!::GetOverlappedResult(pipe, &overlapped, &moved, FALSE) || moved == 0) return false;
    total += moved;
  }
  return true;
}

}  // namespace

struct PipeServer::Connection {
  UniqueHandle pipe;
  UniqueHandle ioEvent = NewEvent(true);
  UniqueHandle drop = NewEvent(true);    // set: close this connection now
  UniqueHandle closed = NewEvent(true);  // set by the connection once its pipe is closed
  std::atomic<bool> spoken{false};       // has received at least one byte
  std::atomic<bool> finished{false};
  std::thread thread;
};

PipeServer::PipeServer(SectionStore& sections, DeviceBackend& devices, PipeServerOptions options)
    : sections_(sections), devices_(devices), options_(std::move(options)) {}

PipeServer::~PipeServer() { Stop(); }

UniqueHandle PipeServer::CreateInstance(bool first) {
  SECURITY_ATTRIBUTES attributes{sizeof attributes, nullptr, FALSE};
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  UniqueLocal descriptorOwner;
  if (::ConvertStringSecurityDescriptorToSecurityDescriptorA(kPipeSecurity, SDDL_REVISION_1, &descriptor, nullptr)) {
    descriptorOwner.reset(descriptor);
    attributes.lpSecurityDescriptor = descriptor;
  }
  const DWORD instances = options_.maxInstances ? options_.maxInstances : PIPE_UNLIMITED_INSTANCES;
  return UniqueHandle(::CreateNamedPipeA(
      options_.pipeName.c_str(), PIPE_ACCESS_DUPLEX | FILE_FLAG_OVERLAPPED | (first ? FILE_FLAG_FIRST_PIPE_INSTANCE : 0),
      PIPE_TYPE_BYTE | PIPE_READMODE_BYTE | PIPE_WAIT, instances, kPipeBufferSize, kPipeBufferSize, 0,
      descriptor ? &attributes : nullptr));
}

bool PipeServer::Start() {
  if (started_) return false;
  stop_ = NewEvent(true);
  slotFreed_ = NewEvent(false);
  if (!stop_ || !slotFreed_) return false;
  UniqueHandle first = CreateInstance(true);
  if (!first) return false;
  started_ = true;
  listener_ = std::thread(&PipeServer::Listen, this, std::move(first));
  return true;
}

void PipeServer::Stop() {
  if (!started_) return;
  ::SetEvent(stop_.get());
  if (listener_.joinable()) listener_.join();
  std::vector<std::shared_ptr<Connection>> connections;
  {
    const std::lock_guard<std::mutex> lock(mutex_);
    connections.swap(connections_);
  }
  for (auto& connection : connections) {
    if (connection->thread.joinable()) connection->thread.join();
  }
  started_ = false;
}

void PipeServer::Listen(UniqueHandle instance) {
  const UniqueHandle connectEvent = NewEvent(true);
  while (::WaitForSingleObject(stop_.get(), 0) != WAIT_OBJECT_0) {
    if (!instance) {
      instance = CreateInstance(false);
      if (!instance) {
        // Every instance is taken (or the system is short of something): wait until a
        // connection ends.
        const HANDLE waits[] = {slotFreed_.get(), stop_.get()};
        ::WaitForMultipleObjects(2, waits, FALSE, INFINITE);
        continue;
      }
    }
    OVERLAPPED overlapped{};
    overlapped.hEvent = connectEvent.get();
    ::ResetEvent(connectEvent.get());
    bool connected = ::ConnectNamedPipe(instance.get(), &overlapped) != FALSE;
    const DWORD error = ::GetLastError();
    if (!connected && error == ERROR_PIPE_CONNECTED) {
      connected = true;
    } else if (!connected && error == ERROR_IO_PENDING) {
      const HANDLE waits[] = {connectEvent.get(), stop_.get()};
      DWORD ignored = 0;
      if (::WaitForMultipleObjects(2, waits, FALSE, INFINITE) != WAIT_OBJECT_0) {
        ::CancelIo(instance.get());
        ::GetOverlappedResult(instance.get(), &overlapped, &ignored, TRUE);
        break;
      }
      connected = ::GetOverlappedResult(instance.get(), &overlapped, &ignored, FALSE) != FALSE;
    }
    if (!connected) {
      instance = CreateInstance(false);  // a client that came and went: a fresh instance replaces it
      continue;
    }

    ++stats_.connections;
    auto connection = std::make_shared<Connection>();
    connection->pipe = std::move(instance);
    // The next instance exists before this one is served and can close: the pipe name
    // must never vanish between two clients, or a client's wait fails at once.
    instance = CreateInstance(false);
    {
      const std::lock_guard<std::mutex> lock(mutex_);
      connections_.push_back(connection);
    }
    connection->thread = std::thread(&PipeServer::Serve, this, connection);
    ReapFinished();
  }
}

void PipeServer::ReapFinished() {
  std::vector<std::shared_ptr<Connection>> finished;
  {
    const std::lock_guard<std::mutex> lock(mutex_);
    for (auto it = connections_.begin(); it != connections_.end();) {
      if ((*it)->finished && (*it)->thread.joinable()) {
        finished.push_back(std::move(*it));
        it = connections_.erase(it);
      } else {
        ++it;
      }
    }
  }
  for (auto& connection : finished) connection->thread.join();
}

void PipeServer::Serve(std::shared_ptr<Connection> shared) {
  Connection& connection = *shared;
  ServiceSession session(sections_, devices_, options_.misbehaviour);
  const HANDLE pipe = connection.pipe.get();
  const HANDLE ioEvent = connection.ioEvent.get();
  auto transfer = [&](bool write, uint8_t* data, std::size_t length) {
    return Transfer(pipe, ioEvent, write, data, DWORD(length), stop_.get(), connection.drop.get());
  };

  for (;;) {
    RequestHeaderBytes headerBytes{};
    if (!transfer(false, headerBytes.data(), headerBytes.size())) break;
    connection.spoken = true;
    const ServiceRequestHeader header = DecodeRequestHeader(headerBytes);
    if (!ServiceSession::AcceptBodyLength(header.bodyLength)) break;
    Bytes body(header.bodyLength);
    if (!body.empty() && !transfer(false, body.data(), body.size())) break;

    if (options_.onRequest) options_.onRequest(header, body);
    switch (header.type) {
      case uint8_t(ServiceRequestType::CreateSharedMemory): ++stats_.createRequests; break;
      case uint8_t(ServiceRequestType::Finish): ++stats_.finishRequests; break;
      case uint8_t(ServiceRequestType::DeviceControl): ++stats_.deviceControlRequests; break;
      default: break;
    }
    SessionAction action = session.Handle(header, body.data(), body.size());
    if (action.kind == SessionAction::Kind::Close) break;
    if (action.kind == SessionAction::Kind::DropOthersThenReply) DropWaitingConnections(connection);
    if (!transfer(true, action.reply.data(), action.reply.size())) break;
  }
  // The client has gone (or is sent away): our pipe end closes without a disconnect, so
  // that a reply written last is still read by the client.
  connection.pipe.reset();
  ::SetEvent(connection.closed.get());
  connection.finished = true;
  ::SetEvent(slotFreed_.get());
}

void PipeServer::DropWaitingConnections(const Connection& except) {
  std::vector<std::shared_ptr<Connection>> waiting;
  {
    const std::lock_guard<std::mutex> lock(mutex_);
    for (const auto& connection : connections_) {
      if (connection.get() != &except && !connection->spoken && !connection->finished) waiting.push_back(connection);
    }
  }
  for (const auto& connection : waiting) ::SetEvent(connection->drop.get());
  for (const auto& connection : waiting) {
    const HANDLE waits[] = {connection->closed.get(), stop_.get()};
    ::WaitForMultipleObjects(2, waits, FALSE, INFINITE);
    ++stats_.droppedConnections;
  }
}

}  // namespace tavolen::service
