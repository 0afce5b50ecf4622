// DevMgr\SETUP.exe: installs the device-management service that sits beside it
// (SembridService.exe) by copying it into a folder under Program Files, which only
// administrators can write (the folder beside SETUP may be one its user can write, and a
// program replaced there would run as the service), registers that copy, creates the
// Parameters key and starts it. Uninstall removes the copy and its folder.
//   SETUP.exe [-- <service arguments>]   install and start (arguments go on the service's command line)
//   SETUP.exe /uninstall                 stop and remove the service and its key
// Exit code 0 on success.
#include <windows.h>
#include <shlobj.h>

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
constexpr char kInstalledFolderName[] = "Sembrid";

// The folder SETUP runs from, with its final separator; empty when unknown.
std::string OwnFolder() {
  std::vector<char> path(MAX_PATH);
  for (;;) {
    const DWORD length = ::GetModuleFileNameA(nullptr, path.data(), DWORD(path.size()));
    if (length == 0) return {};
    if (length < path.size()) break;
    path.resize(path.size() * 2);
  }
  std::string folder(path.data());
  folder.erase(folder.find_last_of("\\/") + 1);
  return folder;
}

// The folder the service runs from; empty when the system does not name Program Files.
std::string InstalledFolder() {
  char base[MAX_PATH] = {};
  if (FAILED(::SHGetFolderPathA(nullptr, CSIDL_PROGRAM_FILES, nullptr, SHGFP_TYPE_CURRENT, base))) return {};
  return std::string(base) + "\\" + kInstalledFolderName;
}

std::string ServiceCommandLine(const std::string& program, const std::vector<std::string>& serviceArgs) {
  std::string line = "\"" + program + "\"";
  for (const std::string& arg : serviceArgs) line += " \"" + arg + "\"";
  return line;
}

// Asks a running service to stop and waits, at most about ten seconds, until the service
// control manager reports it stopped; its program can then be replaced or removed.
void StopAndWait(SC_HANDLE service) {
  SERVICE_STATUS status{};
  if (!::QueryServiceStatus(service, &status) || status.dwCurrentState == SERVICE_STOPPED) return;
  ::ControlService(service, SERVICE_CONTROL_STOP, &status);
  for (int i = 0; i < 100 && ::QueryServiceStatus(service, &status) && status.dwCurrentState != SERVICE_STOPPED; ++i)
    ::Sleep(100);
}

int Fail(const char* what) {
  std::fprintf(stderr, "%s failed (error %lu)\n", what, ::GetLastError());
  return 1;
}

int Install(const std::vector<std::string>& serviceArgs) {
  const UniqueServiceHandle manager(::OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
  if (!manager) return Fail("OpenSCManager");
  const std::string source = OwnFolder();
  if (source.empty()) return Fail("GetModuleFileName");
  const std::string folder = InstalledFolder();
  if (folder.empty()) return Fail("SHGetFolderPath");
  if (!::CreateDirectoryA(folder.c_str(), nullptr) && ::GetLastError() != ERROR_ALREADY_EXISTS)
    return Fail("CreateDirectory");
  // A service installed before runs the copy that is to be replaced.
  if (const UniqueServiceHandle old{::OpenServiceA(manager.get(), kServiceName, SERVICE_STOP | SERVICE_QUERY_STATUS)})
    StopAndWait(old.get());
  const std::string program = folder + "\\" + kServiceExe;
  if (!::CopyFileA((source + kServiceExe).c_str(), program.c_str(), FALSE)) return Fail("CopyFile");
  const std::string commandLine = ServiceCommandLine(program, serviceArgs);

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
  StopAndWait(service.get());
  if (!::DeleteService(service.get()) && ::GetLastError() != ERROR_SERVICE_MARKED_FOR_DELETE) {
    return Fail("DeleteService");
  }
  // The copy goes with it; one still in use goes at the next start of the system.
  const std::string folder = InstalledFolder();
  if (!folder.empty()) {
    const std::string program = folder + "\\" + kServiceExe;
    if (!::DeleteFileA(program.c_str()) && ::GetLastError() != ERROR_FILE_NOT_FOUND)
      ::MoveFileExA(program.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
    ::RemoveDirectoryA(folder.c_str());
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
