// The device-management service stand-in: a service under the service control manager,
// or a console process (--console) for tests and for trying things by hand.
#include <windows.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "service/win/PipeServer.h"
#include "service/ServiceOptions.h"
#include "service/SimulatedDevices.h"
#include "service/win/SystemDevices.h"
#include "framework/UniqueHandle.h"
#include "service/win/Win32Sections.h"

namespace tavolen::service {
namespace {

std::unique_ptr<DeviceBackend> MakeDevices(const ServiceOptions& options) {
  if (options.simulate.empty()) return std::make_unique<SystemDevices>();
  const auto specs = ParseSimulatedDeviceSet(options.simulate);
  if (!specs) return nullptr;
  return std::make_unique<SimulatedDevices>(*specs);
}

// Serves until one of the stop handles is set. `running` is called once the pipe listens.
template <typename Running>
int Serve(const ServiceOptions& options, HANDLE stop, Running running) {
  const std::unique_ptr<DeviceBackend> devices = MakeDevices(options);
  if (!devices) {
    std::fprintf(stderr, "bad device set: %s\n", options.simulate.c_str());
    return 2;
  }
  Win32Sections sections;
  PipeServerOptions serverOptions;
  serverOptions.maxInstances = options.maxInstances;
  serverOptions.misbehaviour = options.misbehaviour;
  PipeServer server(sections, *devices, serverOptions);
  if (!server.Start()) {
    std::fprintf(stderr, "cannot listen on %s (error %lu)\n", kServicePipeName, ::GetLastError());
    return 1;
  }
  UniqueHandle namedStop;
  if (!options.stopEvent.empty()) namedStop.reset(::CreateEventA(nullptr, TRUE, FALSE, options.stopEvent.c_str()));
  if (!options.readyEvent.empty()) {
    const UniqueHandle ready(::CreateEventA(nullptr, TRUE, FALSE, options.readyEvent.c_str()));
    if (ready) ::SetEvent(ready.get());
  }
  running();
  const HANDLE waits[] = {stop, namedStop ? namedStop.get() : stop};
  ::WaitForMultipleObjects(2, waits, FALSE, INFINITE);
  server.Stop();
  return 0;
}

// --- console -------------------------------------------------------------------------

HANDLE g_consoleStop = nullptr;  // owned by RunConsole for the life of the process

BOOL WINAPI OnConsoleControl(DWORD) {
  ::SetEvent(g_consoleStop);
  return TRUE;
}

int RunConsole(const ServiceOptions& options) {
  const UniqueHandle stop(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
  g_consoleStop = stop.get();
  ::SetConsoleCtrlHandler(&OnConsoleControl, TRUE);
  const int result = Serve(options, stop.get(), [] {
    std::printf("listening on %s\n", kServicePipeName);
    std::fflush(stdout);
  });
  ::SetConsoleCtrlHandler(&OnConsoleControl, FALSE);
  return result;
}

// --- under the service control manager -------------------------------------------------

struct ServiceState {
  ServiceOptions options;
  SERVICE_STATUS_HANDLE status = nullptr;
  UniqueHandle stop;
};
ServiceState& State() {
  static ServiceState state;
  return state;
}

void Report(DWORD currentState, DWORD exitCode = NO_ERROR) {
  SERVICE_STATUS status{};
  status.dwServiceType = SERVICE_WIN32_OWN_PROCESS;
  status.dwCurrentState = currentState;
  status.dwControlsAccepted = currentState == SERVICE_RUNNING ? SERVICE_ACCEPT_STOP | SERVICE_ACCEPT_SHUTDOWN : 0;
  status.dwWin32ExitCode = exitCode;
  status.dwWaitHint = currentState == SERVICE_RUNNING || currentState == SERVICE_STOPPED ? 0 : 3000;
  ::SetServiceStatus(State().status, &status);
}

DWORD WINAPI OnServiceControl(DWORD control, DWORD, void*, void*) {
  if (control == SERVICE_CONTROL_STOP || control == SERVICE_CONTROL_SHUTDOWN) {
    Report(SERVICE_STOP_PENDING);
    ::SetEvent(State().stop.get());
    return NO_ERROR;
  }
  return control == SERVICE_CONTROL_INTERROGATE ? NO_ERROR : ERROR_CALL_NOT_IMPLEMENTED;
}

void WINAPI ServiceEntry(DWORD, char**) {
  ServiceState& state = State();
  state.status = ::RegisterServiceCtrlHandlerExA(kServiceName, &OnServiceControl, nullptr);
  if (!state.status) return;
  state.stop.reset(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
  Report(SERVICE_START_PENDING);
  const int result = Serve(state.options, state.stop.get(), [] { Report(SERVICE_RUNNING); });
  Report(SERVICE_STOPPED, result == 0 ? NO_ERROR : ERROR_SERVICE_SPECIFIC_ERROR);
}

int RunService(const ServiceOptions& options) {
  State().options = options;
  char name[sizeof kServiceName];
  std::snprintf(name, sizeof name, "%s", kServiceName);
  SERVICE_TABLE_ENTRYA table[] = {{name, &ServiceEntry}, {nullptr, nullptr}};
  if (!::StartServiceCtrlDispatcherA(table)) {
    std::fprintf(stderr, "not started as a service (error %lu); use --console to run in a console\n",
                 ::GetLastError());
    return 1;
  }
  return 0;
}

}  // namespace
}  // namespace tavolen::service

int main(int argc, char** argv) {
  using namespace tavolen::service;
  const std::vector<std::string> args(argv + 1, argv + argc);
  std::string error;
  const auto options = ParseServiceOptions(args, &error);
  if (!options) {
    std::fprintf(stderr, "%s\n", error.c_str());
    return 2;
  }
  return options->console ? RunConsole(*options) : RunService(*options);
}
