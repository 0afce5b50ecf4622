#pragma once
// The service's pipe: listens on "\\.\pipe\SembridPipe" and serves every connection at
// once, so that a client's two connections (the request and its section) and several
// clients are served together. Each pipe instance has a thread of its own that serves
// one connection after another on it. Four instances listen from the start, and at
// least two at all times while instances are allowed (a connection that leaves fewer
// makes another one, and its thread, before it is served), so a client's second
// connection never waits for one; threads are made only when more connections come at
// once than before, and idle ones beyond a few end. Overlapped I/O throughout, so that Stop ends idle
// connections at once.
#include <windows.h>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "control/device/ServiceProtocol.h"
#include "framework/UniqueHandle.h"
#include "framework/UniqueLocal.h"
#include "service/ClientUserCache.h"
#include "service/SectionRegistry.h"
#include "service/ServiceSession.h"

namespace tavolen::service {

struct PipeServerOptions {
  std::string pipeName = kServicePipeName;
  uint32_t maxInstances = 0;  // 0: kDefaultMaxInstances
  // Connections one client process may hold at once; more are closed unserved. A
  // request takes two, and a client's threads may ask at the same time.
  uint32_t maxConnectionsPerClient = 32;
  // A client that sends nothing (or stops in the middle of a request) this long loses
  // its connection.
  uint32_t idleTimeoutMs = 30000;
  Misbehaviour misbehaviour = Misbehaviour::None;
  // Called on the connection's thread with every whole request, before it is handled.
  std::function<void(const ServiceRequestHeader& header, const Bytes& body)> onRequest;
  // Where refused requests are written, one line each (with the caller's process id);
  // called from the connections' threads at once.
  std::function<void(const std::string& line)> log;
};

// Pipe instances at most when no other cap is given. (The section memory the service
// holds is capped on its own: kMaxHeldSectionBytes, kMaxHeldSectionBytesPerProcess.)
constexpr uint32_t kDefaultMaxInstances = 64;

// Counts of what the server received (whole requests by type, connections accepted).
struct PipeServerStats {
  std::atomic<uint32_t> connections{0};
  std::atomic<uint32_t> createRequests{0};
  std::atomic<uint32_t> finishRequests{0};
  std::atomic<uint32_t> deviceControlRequests{0};
  std::atomic<uint32_t> droppedConnections{0};
  std::atomic<uint32_t> refusedRequests{0};
  std::atomic<uint32_t> refusedConnections{0};  // over a client's cap
  std::atomic<uint32_t> instances{0};  // pipe instances made, each with its thread
};

// Start and Stop are called from one thread; the devices and sections are used from
// the instances' threads at once and must outlive the server.
class PipeServer {
 public:
  PipeServer(SectionStore& sections, DeviceBackend& devices, PipeServerOptions options);
  ~PipeServer();
  PipeServer(const PipeServer&) = delete;
  PipeServer& operator=(const PipeServer&) = delete;

  // Creates the first pipe instance (so clients find the pipe when this returns true)
  // and starts listening. False when the pipe cannot be made or another server has it.
  bool Start();
  // Stops listening, ends every connection and waits for the instances' threads.
  void Stop();

  const PipeServerStats& Stats() const { return stats_; }

 private:
  struct Instance;

  UniqueHandle CreatePipe(bool first);
  bool AddInstance(UniqueHandle pipe);    // starts its thread
  void AddListeners(uint32_t listening);  // until that many instances listen
  void Run(Instance& instance);
  bool AwaitClient(Instance& instance);
  void Serve(Instance& instance);
  void DropWaitingConnections(const Instance& except);
  void ReapExited();

  SectionRegistry sections_;  // over the store given; shared by every connection
  DeviceBackend& devices_;
  PipeServerOptions options_;
  ClientUserCache clientUsers_;  // the users of recent clients' processes, for their sections
  PipeServerStats stats_;
  UniqueLocal securityDescriptor_;  // of every instance
  UniqueHandle stop_;               // manual reset: the server is stopping

  std::mutex mutex_;  // guards everything below and each instance's state
  std::condition_variable connectionEnded_;
  std::vector<std::shared_ptr<Instance>> instances_;
  std::map<uint32_t, uint32_t> connectionsByClient_;  // open connections per client process id
  uint32_t listening_ = 0;  // instances waiting for a client
  uint32_t open_ = 0;       // instances that exist
  bool stopping_ = false;
  bool started_ = false;
};

}  // namespace tavolen::service
