#pragma once
// The yardstick service: the device-management service protocol with nothing else. A
// fixed set of threads, each with one pipe instance of its own served with synchronous
// I/O (connect, serve until the client leaves, disconnect, again); default security;
// no bounds beyond what safety needs. Enough for one client at a time, which needs two
// connections at once.
#include <atomic>
#include <thread>
#include <vector>

#include "service/ServiceSession.h"

namespace tavolen::bench {

class MinimalService {
 public:
  explicit MinimalService(service::DeviceBackend& devices) : devices_(devices) {}
  ~MinimalService() { Stop(); }
  MinimalService(const MinimalService&) = delete;
  MinimalService& operator=(const MinimalService&) = delete;

  // False when the pipe is taken (another service listens).
  bool Start();
  void Stop();

 private:
  void Serve(void* instance);

  service::DeviceBackend& devices_;
  std::atomic<bool> stopping_{false};
  std::vector<std::thread> threads_;
};

}  // namespace tavolen::bench
