#include "service/win/ServiceProgram.h"

#include <windows.h>

#include <cstdio>
#include <vector>

#include "framework/UniqueHandle.h"
#include "service/win/PipeServer.h"
#include "service/win/Win32Sections.h"

namespace tavolen::service {
namespace {

// Serves until one of the stop handles is set. `running` is called once the pipe
// listens, `stopped` with what was served.
template <typename Running, typename Stopped>
int Serve(const ServiceOptions& options, const DeviceBackendFactory& makeDevices, HANDLE stop, Running running,
          Stopped stopped) {
  std::string error;
  const std::unique_ptr<DeviceBackend> devices = makeDevices(options, &error);
  if (!devices) {
    std::fprintf(stderr, "%s\n", error.c_str());
    return 2;
  }
  Win32Sections sections;
  PipeServerOptions serverOptions;
  serverOptions.maxInstances = options.maxInstances;
  if (options.idleMs != 0) serverOptions.idleTimeoutMs = options.idleMs;
  serverOptions.misbehaviour = options.misbehaviour;
  serverOptions.log = [console = options.console](const std::string& line) {
    if (console) {
      std::fprintf(stderr, "%s\n", line.c_str());
      std::fflush(stderr);
    } else {
      ::OutputDebugStringA((line + "\n").c_str());
    }
  };
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
  stopped(server.Stats());
  return 0;
}

// --- console -------------------------------------------------------------------------

HANDLE g_consoleStop = nullptr;  // owned by RunConsole for the life of the process

BOOL WINAPI OnConsoleControl(DWORD) {
  ::SetEvent(g_consoleStop);
  return TRUE;
}

int RunConsole(const ServiceOptions& options, const DeviceBackendFactory& makeDevices) {
  const UniqueHandle stop(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
  g_consoleStop = stop.get();
  ::SetConsoleCtrlHandler(&OnConsoleControl, TRUE);
  const int result = Serve(
      options, makeDevices, stop.get(),
      [] {
        std::printf("listening on %s\n", kServicePipeName);
        std::fflush(stdout);
      },
      [](const PipeServerStats& stats) {
        std::printf("served: %u connections, %u sections, %u device controls\n", stats.connections.load(),
                    stats.createRequests.load(), stats.deviceControlRequests.load());
        std::fflush(stdout);
      });
  ::SetConsoleCtrlHandler(&OnConsoleControl, FALSE);
  return result;
}

// --- under the service control manager -------------------------------------------------

struct ServiceState {
  ServiceOptions options;
  DeviceBackendFactory makeDevices;
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
  const int result = Serve(
      state.options, state.makeDevices, state.stop.get(), [] { Report(SERVICE_RUNNING); },
      [](const PipeServerStats&) {});
  Report(SERVICE_STOPPED, result == 0 ? NO_ERROR : ERROR_SERVICE_SPECIFIC_ERROR);
}

int RunService(const ServiceOptions& options, DeviceBackendFactory makeDevices) {
  State().options = options;
  State().makeDevices = std::move(makeDevices);
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

int RunServiceProgram(int argc, char** argv, ServiceBuild build, DeviceBackendFactory makeDevices) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  std::string error;
  const auto options = ParseServiceOptions(args, build, &error);
  if (!options) {
    std::fprintf(stderr, "%s\n", error.c_str());
    return 2;
  }
  return options->console ? RunConsole(*options, makeDevices) : RunService(*options, std::move(makeDevices));
}

}  // namespace tavolen::service
