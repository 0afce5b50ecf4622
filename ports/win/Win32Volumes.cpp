#include "ports/win/Win32Volumes.h"

#include <windows.h>

namespace tavolen {

namespace {
const wchar_t* Wide(const std::u16string& text) { return reinterpret_cast<const wchar_t*>(text.c_str()); }

std::u16string FromWide(const wchar_t* text) {
  std::u16string out;
  // Volume texts come from the file system: bounded by the caller's buffers.
  for (; *text != L'\0'; ++text) out.push_back(char16_t(*text));
  return out;
}

using SetThreadErrorModeFn = BOOL(WINAPI*)(DWORD mode, DWORD* previous);

// The per-thread error mode call, or null on systems before Windows 7.
SetThreadErrorModeFn ThreadErrorModeSetter() {
  static const SetThreadErrorModeFn setter = [] {
    const HMODULE kernel = ::GetModuleHandleW(L"kernel32.dll");  // loaded in every process: no reference taken
    return kernel ? reinterpret_cast<SetThreadErrorModeFn>(
                        reinterpret_cast<void*>(::GetProcAddress(kernel, "SetThreadErrorMode")))
                  : nullptr;
  }();
  return setter;
}

// Removable drives without a medium must not make the system ask the user to insert one.
// Volume calls come from several threads and the host has its own error mode, so the mode
// is changed for the calling thread only; the process-wide mode, which another thread
// could restore in the middle of this call, serves only where the per-thread call is missing.
class NoCriticalErrorBoxes {
 public:
  NoCriticalErrorBoxes() {
    if (const SetThreadErrorModeFn setThreadMode = ThreadErrorModeSetter()) {
      DWORD previous = 0;
      if (setThreadMode(SEM_FAILCRITICALERRORS, &previous)) {
        restore_ = Restore::Thread;
        previous_ = previous;
      }
    } else {
      previous_ = ::SetErrorMode(SEM_FAILCRITICALERRORS);
      restore_ = Restore::Process;
    }
  }
  ~NoCriticalErrorBoxes() {
    if (restore_ == Restore::Thread)
      ThreadErrorModeSetter()(previous_, nullptr);
    else if (restore_ == Restore::Process)
      ::SetErrorMode(UINT(previous_));
  }
  NoCriticalErrorBoxes(const NoCriticalErrorBoxes&) = delete;
  NoCriticalErrorBoxes& operator=(const NoCriticalErrorBoxes&) = delete;

 private:
  enum class Restore { Nothing, Thread, Process };
  Restore restore_ = Restore::Nothing;
  DWORD previous_ = 0;
};
}  // namespace

std::vector<std::u16string> Win32Volumes::DriveRoots() {
  wchar_t buffer[26 * 4 + 2] = {};
  const DWORD length = ::GetLogicalDriveStringsW(DWORD(sizeof buffer / sizeof buffer[0] - 1), buffer);
  std::vector<std::u16string> roots;
  if (length == 0 || length >= sizeof buffer / sizeof buffer[0]) return roots;
  for (const wchar_t* p = buffer; *p != L'\0'; p += wcslen(p) + 1) roots.push_back(FromWide(p));
  return roots;
}

DriveType Win32Volumes::Type(const std::u16string& root) { return DriveType(::GetDriveTypeW(Wide(root))); }

std::optional<VolumeInformation> Win32Volumes::Information(const std::u16string& root) {
  NoCriticalErrorBoxes quiet;
  wchar_t label[MAX_PATH + 1] = {};
  wchar_t fileSystem[MAX_PATH + 1] = {};
  if (!::GetVolumeInformationW(Wide(root), label, MAX_PATH + 1, nullptr, nullptr, nullptr, fileSystem, MAX_PATH + 1))
    return std::nullopt;
  return VolumeInformation{FromWide(label), FromWide(fileSystem)};
}

std::optional<VolumeSpace> Win32Volumes::Space(const std::u16string& root) {
  NoCriticalErrorBoxes quiet;
  ULARGE_INTEGER available{}, total{}, free{};
  if (!::GetDiskFreeSpaceExW(Wide(root), &available, &total, &free)) return std::nullopt;
  return VolumeSpace{total.QuadPart, free.QuadPart};
}

}  // namespace tavolen
