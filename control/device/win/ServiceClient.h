#pragma once
// Client of the device-management service. A device that could not be opened with the
// caller's rights is reached through the service: each I/O control opens a pipe
// connection, has the service create a fresh shared-memory section for the data,
// sends the request and copies the output back. Nothing is kept between requests.
// The byte formats live in ServiceProtocol.h; this file only does the system calls.
#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>

#include "control/device/ServiceServerTrust.h"
#include "framework/UniqueHandle.h"

namespace tavolen {

// The step at which a service request ended.
enum class ServiceStep {
  None,
  Connect,        // the request connection could not be made
  ServerAccount,  // the pipe's server is not the service (see ServiceServerTrust)
  SectionName,    // no section name could be formed, or the sizes do not fit 32 bits
  AreaConnect,    // the second connection (for the section) could not be made
  CreateSection,  // request 6 failed (status)
  OpenMapping,    // the service's section could not be opened
  Finish,         // request 0 failed (status)
  MapView,        // the section could not be mapped
  ViewTooSmall,   // the mapped section is smaller than asked for: nothing was written to it
  DeviceControl,  // request 2 failed (status)
  Done,           // success
};

// What one request went through; tests read it, and may hook the connection steps.
struct ServiceTrace {
  ServiceStep step = ServiceStep::None;  // where the request ended
  uint16_t status = 0;                   // status of the request sent at that step (reply or 0x8001/0x8002)
  uint32_t systemError = 0;              // error of the failed system call at that step
  uint32_t pipeOpens = 0;                // CreateFileA calls on the pipe, all connections
  uint32_t pipeWaits = 0;                // WaitNamedPipeA calls, all connections
  uint32_t pipeBusy = 0;                 // pipe opens answered ERROR_PIPE_BUSY
  bool ioRequestSent = false;            // request 2 was started on the wire
  std::string sectionName;
  uint32_t sectionSize = 0;

  // Called on the requesting thread: before each open of the pipe, with the number of
  // the open attempt counted from 1 over the request, and whenever an open finds every
  // pipe instance busy (before the wait for a free one).
  std::function<void(uint32_t attempt)> beforePipeOpen;
  std::function<void()> onPipeBusy;
};

// How long a request waits for the service at most. A service that took a connection and
// never answers must not hold the calling thread (the host's window thread sends standby
// commands): the longest device time-out a request carries (the pass-through's 10 s) and
// a margin, then the request fails with ERROR_SEM_TIMEOUT as any other transport failure.
struct ServiceDeadlines {
  uint32_t connectMs = 15000;   // all waits for a free pipe instance, per connection
  uint32_t transferMs = 15000;  // each write of a request, each read of its reply
};

// The process-wide rule of every request on which pipe server it is sent to
// (LocalSystemOrRegistered unless a test or a demonstration changes it); returns the
// rule it replaces. Any thread.
ServiceServerTrust SetServiceServerTrust(ServiceServerTrust trust);
// Read once, at the first request, when no rule was set before (see ServiceServerTrust.h).
constexpr wchar_t kServiceServerVariable[] = L"TAVOLEN_SERVICE_SERVER";

// CreateFileA for read and write, identification-level impersonation only. An open that
// finds every instance busy, or no pipe of that name, waits with WaitNamedPipeA (10 s at
// a time, within the connect deadline) and tries again; a failed wait gives up (at once
// when the pipe does not exist). Null name: "\\.\pipe\SembridPipe". The connection is
// opened for overlapped I/O, so that every transfer on it can keep a deadline.
UniqueHandle ConnectPipe(const char* name, ServiceTrace* trace = nullptr, const ServiceDeadlines& deadlines = {});

// Has the service create the named section over a second connection (always the
// default pipe, its server checked as for a request), opens it, tells the service it
// is open. The mapping, or no handle.
UniqueHandle OpenTransferArea(const std::string& name, uint32_t sizeHigh, uint32_t sizeLow,
                              ServiceTrace* trace = nullptr, const ServiceDeadlines& deadlines = {});

// One device I/O control through the service. 1 on success, 0 on failure (then
// GetLastError() tells the failed system call, ERROR_SEM_TIMEOUT for a service that did
// not answer in time, ERROR_ACCESS_DENIED for a pipe server that is not the service, or
// ERROR_GEN_FAILURE for a refusal). in and out may be the same
// buffer. Null pipe name: the default pipe.
int ServiceDeviceControl(const char* pipeName, const std::string& devicePath, uint32_t code, const void* in,
                         uint32_t inLength, void* out, uint32_t outLength, ServiceTrace* trace = nullptr,
                         const ServiceDeadlines& deadlines = {});

// The service route of the device opener: ServiceDeviceControl on the default pipe.
bool ServiceDeviceRoute(const std::string& ansiDevicePath, uint32_t code, const void* in, uint32_t inLength, void* out,
                        uint32_t outLength);

// 1 when HKEY_LOCAL_MACHINE "SYSTEM\CurrentControlSet\Services\SembridService\Parameters" opens.
int IsServiceInstalled();

// 1 when the process token's groups hold the built-in Administrators group, whatever
// its attributes there; 0 otherwise or when the token cannot be read.
int IsAdministrator();

}  // namespace tavolen
