// DevMgr\SETUP.exe: installs the device-management service that sits beside it
// (SembridService.exe), creates its Parameters key and starts it.
//   SETUP.exe [-- <service arguments>]   install and start (arguments go on the service's command line)
//   SETUP.exe /uninstall                 stop and remove the service and its key
// Exit code 0 on success.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "control/device/ServiceProtocol.h"
#include "framework/UniqueRegKey.h"
#include "framework/UniqueServiceHandle.h"

namespace tavolen {
namespace {

constexpr char kDisplayName[] = "Sembrid device service";
constexpr char kServiceExe[] = "SembridService.exe";

std::string ServiceCommandLine(const std::vector<std::string>& serviceArgs) {
  std::vector<char> path(MAX_PATH);
  for (;;) {
    const DWORD length = ::GetModuleFileNameA(nullptr, path.data(), DWORD(path.size()));
    if (length == 0) return {};
    if (length < path.size()) break;
    path.resize(path.size() * 2);
  }
  std::string folder(path.data());
  folder.erase(folder.find_last_of("\\/") + 1);
  std::string line = "\"" + folder + kServiceExe + "\"";
  for (const std::string& arg : serviceArgs) line += " \"" + arg + "\"";
  return line;
}

int Fail(const char* what) {
  std::fprintf(stderr, "%s failed (error %lu)\n", what, ::GetLastError());
  return 1;
}

int Install(const std::vector<std::string>& serviceArgs) {
  const UniqueServiceHandle manager(::OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
  if (!manager) return Fail("OpenSCManager");
  const std::string commandLine = ServiceCommandLine(serviceArgs);
  if (commandLine.empty()) return Fail("GetModuleFileName");

  UniqueServiceHandle service(::CreateServiceA(manager.get(), kServiceName, kDisplayName, SERVICE_ALL_ACCESS,
                                               SERVICE_WIN32_OWN_PROCESS, SERVICE_AUTO_START, SERVICE_ERROR_NORMAL,
                                               commandLine.c_str(), nullptr, nullptr, nullptr, nullptr, nullptr));
  if (!service && ::GetLastError() == ERROR_SERVICE_EXISTS) {
    service.reset(::OpenServiceA(manager.get(), kServiceName, SERVICE_ALL_ACCESS));
    if (service && !::ChangeServiceConfigA(service.get(), SERVICE_NO_CHANGE, SERVICE_AUTO_START, SERVICE_NO_CHANGE,
                                           commandLine.c_str(), nullptr, nullptr, nullptr, nullptr, nullptr,
                                           kDisplayName)) {
      return Fail("ChangeServiceConfig");
    }
  }
  if (!service) return Fail("CreateService");

  UniqueRegKey parameters;
  if (::RegCreateKeyExA(HKEY_LOCAL_MACHINE, kServiceParametersKey, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE,
                        nullptr, parameters.put(), nullptr) != ERROR_SUCCESS) {
    return Fail("RegCreateKeyEx");
  }
  if (!::StartServiceA(service.get(), 0, nullptr) && ::GetLastError() != ERROR_SERVICE_ALREADY_RUNNING) {
    return Fail("StartService");
  }
  return 0;
}

int Uninstall() {
  const UniqueServiceHandle manager(::OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
  if (!manager) return Fail("OpenSCManager");
  ::RegDeleteKeyA(HKEY_LOCAL_MACHINE, kServiceParametersKey);
  const UniqueServiceHandle service(::OpenServiceA(manager.get(), kServiceName, SERVICE_ALL_ACCESS));
  if (!service) return ::GetLastError() == ERROR_SERVICE_DOES_NOT_EXIST ? 0 : Fail("OpenService");
  SERVICE_STATUS status{};
  ::ControlService(service.get(), SERVICE_CONTROL_STOP, &status);
  if (!::DeleteService(service.get()) && ::GetLastError() != ERROR_SERVICE_MARKED_FOR_DELETE) {
    return Fail("DeleteService");
  }
  return 0;
}

}  // namespace
}  // namespace tavolen

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  if (!args.empty() && (args[0] == "/uninstall" || args[0] == "-uninstall")) return tavolen::Uninstall();
  std::vector<std::string> serviceArgs;
  if (!args.empty()) {
    if (args[0] != "--") {
      std::fprintf(stderr, "usage: SETUP.exe [/uninstall | -- <service arguments>]\n");
      return 2;
    }
    serviceArgs.assign(args.begin() + 1, args.end());
  }
  return tavolen::Install(serviceArgs);
}
