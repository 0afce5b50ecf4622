#include "tests/service/ServiceProcess.h"

#include <windows.h>

#include <atomic>
#include <cstdio>
#include <vector>

namespace tavolen::test {
namespace {

constexpr DWORD kStartStopMs = 60000;

// Build-tree paths come as Unix paths; Wine shows the root file system as Z:.
std::string WindowsPath(const char* unixPath) {
  std::string path = std::string("Z:") + unixPath;
  for (char& c : path) {
    if (c == '/') c = '\\';
  }
  return path;
}

bool FileExists(const std::string& path) { return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::string UniqueName(const char* what) {
  static std::atomic<unsigned> serial{0};
  char name[96];
  std::snprintf(name, sizeof name, "TavolenServiceProcess-%s-%lu-%u", what, ::GetCurrentProcessId(), ++serial);
  return name;
}

// A temporary file the child writes its output into; gone when the last handle closes.
UniqueHandle OutputFile() {
  char folder[MAX_PATH + 1] = {};
  char path[MAX_PATH + 1] = {};
  if (!::GetTempPathA(sizeof folder, folder) || !::GetTempFileNameA(folder, "svc", 0, path)) return UniqueHandle();
  SECURITY_ATTRIBUTES inheritable{sizeof inheritable, nullptr, TRUE};
  return UniqueHandle(::CreateFileA(path, GENERIC_READ | GENERIC_WRITE,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, &inheritable,
                                    CREATE_ALWAYS, FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr));
}

std::string ReadAll(HANDLE file) {
  std::string text;
  if (::SetFilePointer(file, 0, nullptr, FILE_BEGIN) == INVALID_SET_FILE_POINTER) return text;
  char buffer[4096];
  DWORD read = 0;
  while (text.size() < (1u << 20) && ::ReadFile(file, buffer, sizeof buffer, &read, nullptr) && read > 0)
    text.append(buffer, read);
  return text;
}

}  // namespace

std::string Built32OrOwn(const char* unixPath32, const char* unixPathOwn) {
  const std::string path32 = WindowsPath(unixPath32);
  return FileExists(path32) ? path32 : WindowsPath(unixPathOwn);
}

std::string ServiceProcess::Program() {
  return Built32OrOwn(TAVOLEN_SERVICE_DEMO_EXE_32, TAVOLEN_SERVICE_DEMO_EXE_OWN);
}

ServiceProcess ServiceProcess::Simulating(const std::string& set, const std::string& moreArguments) {
  return ServiceProcess("--simulate \"" + set + "\"" + (moreArguments.empty() ? "" : " " + moreArguments));
}

ServiceProcess::ServiceProcess(const std::string& arguments)
    : readyName_(UniqueName("ready")), stopName_(UniqueName("stop")) {
  ready_.reset(::CreateEventA(nullptr, TRUE, FALSE, readyName_.c_str()));
  stop_.reset(::CreateEventA(nullptr, TRUE, FALSE, stopName_.c_str()));
  outputFile_ = OutputFile();
  if (!ready_ || !stop_ || !outputFile_) return;
  std::string commandLine = "\"" + Program() + "\" --console --ready-event " + readyName_ + " --stop-event " +
                            stopName_ + " " + arguments;
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = outputFile_.get();
  startup.hStdError = outputFile_.get();
  PROCESS_INFORMATION info{};
  if (!::CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &info)) {
    return;
  }
  process_.reset(info.hProcess);
  const UniqueHandle thread(info.hThread);
  const HANDLE waits[] = {ready_.get(), process_.get()};
  listening_ = ::WaitForMultipleObjects(2, waits, FALSE, kStartStopMs) == WAIT_OBJECT_0;
}

bool ServiceProcess::Stop() {
  if (!process_) return stopped_;
  ::SetEvent(stop_.get());
  DWORD code = 1;
  if (::WaitForSingleObject(process_.get(), kStartStopMs) != WAIT_OBJECT_0) {
    ::TerminateProcess(process_.get(), 99);
    ::WaitForSingleObject(process_.get(), INFINITE);
  } else {
    ::GetExitCodeProcess(process_.get(), &code);
  }
  process_.reset();
  if (outputFile_) output_ = ReadAll(outputFile_.get());
  outputFile_.reset();
  stopped_ = code == 0;
  return stopped_;
}

std::optional<ServiceProcess::ServedCounts> ServiceProcess::Served() const {
  const std::size_t at = output_.find("served: ");
  if (at == std::string::npos) return std::nullopt;
  unsigned connections = 0, sections = 0, controls = 0;
  if (std::sscanf(output_.c_str() + at, "served: %u connections, %u sections, %u device controls", &connections,
                  &sections, &controls) != 3) {
    return std::nullopt;
  }
  return ServedCounts{connections, sections, controls};
}

}  // namespace tavolen::test
