#include "sim/win/WineDrives.h"

#include <winioctl.h>

#include <cstddef>
#include <cstring>
#include <memory>
#include <utility>
#include <vector>

#include "framework/UniqueHandle.h"

namespace tavolen::test {
namespace {

// From Wine's ddk/mountmgr.h (its extensions of the mount manager).
constexpr ULONG kMountMgrControlType = 'm';
constexpr DWORD kDefineUnixDrive =
    CTL_CODE(kMountMgrControlType, 32, METHOD_BUFFERED, FILE_READ_ACCESS | FILE_WRITE_ACCESS);
constexpr wchar_t kMountManager[] = L"\\\\.\\MountPointManager";

struct MountMgrUnixDrive {
  ULONG size;
  ULONG type;
  ULONG fsType;
  DWORD serial;
  ULONGLONG unixDev;
  WCHAR letter;
  USHORT mountPointOffset;  // of a zero-terminated Unix path after the structure; 0: none
  USHORT deviceOffset;
  USHORT labelOffset;
};
static_assert(sizeof(MountMgrUnixDrive) == 32, "the mount manager's layout on both word sizes");
static_assert(offsetof(MountMgrUnixDrive, letter) == 24, "the mount manager's layout on both word sizes");

struct ProcessHeapFree {
  void operator()(char* p) const { ::HeapFree(::GetProcessHeap(), 0, p); }
};

std::string Utf8(const std::wstring& text) {
  if (text.empty()) return {};
  const int size = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), int(text.size()), nullptr, 0, nullptr, nullptr);
  std::string result(size_t(size > 0 ? size : 0), '\0');
  if (size > 0) ::WideCharToMultiByte(CP_UTF8, 0, text.data(), int(text.size()), result.data(), size, nullptr, nullptr);
  return result;
}

// Sends one definition request: `unixFolder` empty removes the letter.
DWORD SendDefinition(wchar_t letter, UINT driveType, const std::string& unixFolder) {
  if (letter >= L'a' && letter <= L'z') letter = wchar_t(letter - L'a' + L'A');
  if (letter < L'A' || letter > L'Z') return ERROR_INVALID_PARAMETER;
  std::vector<BYTE> buffer(sizeof(MountMgrUnixDrive) + (unixFolder.empty() ? 0 : unixFolder.size() + 1));
  MountMgrUnixDrive request{};
  request.size = ULONG(buffer.size());
  request.type = driveType;
  request.letter = letter;
  if (!unixFolder.empty()) {
    if (buffer.size() > 0xFFFF) return ERROR_FILENAME_EXCED_RANGE;
    request.mountPointOffset = USHORT(sizeof(MountMgrUnixDrive));
    std::memcpy(buffer.data() + sizeof request, unixFolder.c_str(), unixFolder.size() + 1);
  }
  std::memcpy(buffer.data(), &request, sizeof request);

  const UniqueHandle manager(::CreateFileW(kMountManager, GENERIC_READ | GENERIC_WRITE,
                                           FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr));
  if (!manager) return ::GetLastError();
  DWORD returned = 0;
  if (!::DeviceIoControl(manager.get(), kDefineUnixDrive, buffer.data(), DWORD(buffer.size()), nullptr, 0, &returned,
                         nullptr)) {
    return ::GetLastError();
  }
  return ERROR_SUCCESS;
}

bool CreateFolders(const std::wstring& folder) {
  // Every prefix after the root ("C:\", "\\server\share\" are left alone: they exist or not).
  for (size_t at = folder.find_first_of(L"\\/", 3); at != std::wstring::npos; at = folder.find_first_of(L"\\/", at + 1))
    ::CreateDirectoryW(folder.substr(0, at).c_str(), nullptr);
  ::CreateDirectoryW(folder.c_str(), nullptr);
  const DWORD attributes = ::GetFileAttributesW(folder.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace

std::string UnixPathOf(const std::wstring& windowsPath) {
  using Convert = char*(CDECL*)(const WCHAR*);
  const HMODULE kernel = ::GetModuleHandleW(L"kernel32.dll");
  const auto convert = kernel ? reinterpret_cast<Convert>(
                                    reinterpret_cast<void*>(::GetProcAddress(kernel, "wine_get_unix_file_name")))
                              : nullptr;
  if (!convert) return {};
  const std::unique_ptr<char, ProcessHeapFree> path(convert(windowsPath.c_str()));
  return path ? std::string(path.get()) : std::string();
}

DWORD DefineUnixDrive(wchar_t letter, UINT driveType, const std::string& unixFolder) {
  if (unixFolder.empty() || driveType == DRIVE_NO_ROOT_DIR || driveType == DRIVE_UNKNOWN)
    return ERROR_INVALID_PARAMETER;
  return SendDefinition(letter, driveType, unixFolder);
}

DWORD RemoveUnixDrive(wchar_t letter) { return SendDefinition(letter, DRIVE_NO_ROOT_DIR, {}); }

bool WriteVolumeLabel(const std::wstring& windowsFolder, const std::wstring& label) {
  std::wstring path = windowsFolder;
  if (!path.empty() && path.back() != L'\\') path += L'\\';
  path += L".windows-label";
  const UniqueHandle file(
      ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return false;
  const std::string text = Utf8(label) + "\n";
  DWORD written = 0;
  return ::WriteFile(file.get(), text.data(), DWORD(text.size()), &written, nullptr) && written == text.size();
}

WineDrive::WineDrive(wchar_t letter, UINT driveType, const std::wstring& folder, const std::wstring& label)
    : folder_(folder) {
  if (!CreateFolders(folder) || (!label.empty() && !WriteVolumeLabel(folder, label))) {
    error_ = ::GetLastError() ? ::GetLastError() : ERROR_PATH_NOT_FOUND;
    return;
  }
  const std::string unixFolder = UnixPathOf(folder);
  if (unixFolder.empty()) {
    error_ = ERROR_NOT_SUPPORTED;
    return;
  }
  error_ = DefineUnixDrive(letter, driveType, unixFolder);
  if (error_ == ERROR_SUCCESS) letter_ = (letter >= L'a' && letter <= L'z') ? wchar_t(letter - L'a' + L'A') : letter;
}

WineDrive::WineDrive(WineDrive&& other) noexcept
    : letter_(std::exchange(other.letter_, wchar_t(0))),
      error_(other.error_),
      folder_(std::move(other.folder_)) {}

WineDrive& WineDrive::operator=(WineDrive&& other) noexcept {
  if (this != &other) {
    Remove();
    letter_ = std::exchange(other.letter_, wchar_t(0));
    error_ = other.error_;
    folder_ = std::move(other.folder_);
  }
  return *this;
}

std::wstring WineDrive::Root() const { return letter_ ? std::wstring{letter_, L':', L'\\'} : std::wstring(); }

bool WineDrive::Remove() {
  if (!letter_) return true;
  const wchar_t letter = std::exchange(letter_, wchar_t(0));
  return RemoveUnixDrive(letter) == ERROR_SUCCESS;
}

}  // namespace tavolen::test
