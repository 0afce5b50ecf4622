#pragma once
// Helpers of the Windows service tests: a service running in this process on its own
// threads over the real pipe, devices that record what reached them, and a raw pipe
// connection for sending requests no well-behaved client sends.
#include <windows.h>

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "service/win/PipeServer.h"
#include "control/device/ServiceProtocol.h"
#include "service/SimulatedDevices.h"
#include "framework/UniqueHandle.h"
#include "service/win/Win32Sections.h"

namespace tavolen::service::testing {

struct ReceivedRequest {
  ServiceRequestHeader header;
  Bytes body;
};

// Simulated devices that also note the path and lengths of every control.
class RecordingDevices : public SimulatedDevices {
 public:
  struct Call {
    std::string path;
    uint32_t code = 0;
    uint32_t inLength = 0, outLength = 0;
  };
  using SimulatedDevices::SimulatedDevices;
  bool Control(const std::string& path, uint32_t code, const uint8_t* in, uint32_t inLength, uint8_t* out,
               uint32_t outLength, uint32_t* bytesReturned, uint32_t* error) override {
    {
      const std::lock_guard<std::mutex> lock(mutex_);
      calls_.push_back({path, code, inLength, outLength});
    }
    return SimulatedDevices::Control(path, code, in, inLength, out, outLength, bytesReturned, error);
  }
  std::vector<Call> Calls() const {
    const std::lock_guard<std::mutex> lock(mutex_);
    return calls_;
  }

 private:
  mutable std::mutex mutex_;
  std::vector<Call> calls_;
};

// The service in this process, listening on the real pipe name until destroyed.
class InProcessService {
 public:
  explicit InProcessService(PipeServerOptions options = {}, const char* deviceSet = "1=sat,2=plain-ata,cdrom0=optical")
      : devices(*ParseSimulatedDeviceSet(deviceSet)) {
    options.onRequest = [this](const ServiceRequestHeader& header, const Bytes& body) {
      const std::lock_guard<std::mutex> lock(mutex_);
      requests_.push_back({header, body});
    };
    server_ = std::make_unique<PipeServer>(sections, devices, std::move(options));
    started = server_->Start();
  }
  ~InProcessService() { server_->Stop(); }

  std::vector<ReceivedRequest> Requests() const {
    const std::lock_guard<std::mutex> lock(mutex_);
    return requests_;
  }
  const PipeServerStats& Stats() const { return server_->Stats(); }

  Win32Sections sections;
  RecordingDevices devices;
  bool started = false;

 private:
  mutable std::mutex mutex_;
  std::vector<ReceivedRequest> requests_;
  std::unique_ptr<PipeServer> server_;
};

// A plain synchronous connection to the pipe that sends whatever bytes it is given.
class RawConnection : public ServiceStream {
 public:
  RawConnection()
      : pipe_(::CreateFileA(kServicePipeName, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr)) {}
  explicit operator bool() const { return bool(pipe_); }
  bool WriteAll(const uint8_t* data, std::size_t length) override {
    DWORD written = 0;
    return ::WriteFile(pipe_.get(), data, DWORD(length), &written, nullptr) && written == length;
  }
  bool ReadAll(uint8_t* data, std::size_t length) override {
    DWORD read = 0;
    return ::ReadFile(pipe_.get(), data, DWORD(length), &read, nullptr) && read == length;
  }
  void Close() { pipe_.reset(); }
  HANDLE Handle() const { return pipe_.get(); }

 private:
  UniqueHandle pipe_;
};

}  // namespace tavolen::service::testing
