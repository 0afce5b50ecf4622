#pragma once
// The service's pipe: listens on "\\.\pipe\SembridPipe" and serves every connection on
// a thread of its own, so that a client's two connections (the request and its
// section) and several clients are served at once. Overlapped I/O throughout, so that
// Stop ends idle connections at once.
#include <windows.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "control/device/ServiceProtocol.h"
#include "service/ServiceSession.h"
#include "framework/UniqueHandle.h"

namespace tavolen::service {

struct PipeServerOptions {
  std::string pipeName = kServicePipeName;
  uint32_t maxInstances = 0;  // 0: unlimited
  Misbehaviour misbehaviour = Misbehaviour::None;
  // Called on the connection's thread with every whole request, before it is handled.
  std::function<void(const ServiceRequestHeader& header, const Bytes& body)> onRequest;
};

// Counts of what the server received (whole requests by type, connections accepted).
struct PipeServerStats {
  std::atomic<uint32_t> connections{0};
  std::atomic<uint32_t> createRequests{0};
  std::atomic<uint32_t> finishRequests{0};
  std::atomic<uint32_t> deviceControlRequests{0};
  std::atomic<uint32_t> droppedConnections{0};
};

class PipeServer {
 public:
  PipeServer(SectionStore& sections, DeviceBackend& devices, PipeServerOptions options);
  ~PipeServer();
  PipeServer(const PipeServer&) = delete;
  PipeServer& operator=(const PipeServer&) = delete;

  // Creates the first pipe instance (so clients find the pipe when this returns true)
  // and starts listening. False when the pipe cannot be made or another server has it.
  bool Start();
  // Stops listening, ends every connection and waits for their threads.
  void Stop();

  const PipeServerStats& Stats() const { return stats_; }

 private:
  struct Connection;

  UniqueHandle CreateInstance(bool first);
  void Listen(UniqueHandle instance);
  void Serve(std::shared_ptr<Connection> connection);
  void DropWaitingConnections(const Connection& except);
  void ReapFinished();

  SectionStore& sections_;
  DeviceBackend& devices_;
  PipeServerOptions options_;
  PipeServerStats stats_;
  UniqueHandle stop_;       // manual reset: the server is stopping
  UniqueHandle slotFreed_;  // auto reset: a connection ended (an instance may be free)
  std::thread listener_;
  std::mutex mutex_;
  std::vector<std::shared_ptr<Connection>> connections_;
  bool started_ = false;
};

}  // namespace tavolen::service
