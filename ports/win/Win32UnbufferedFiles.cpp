#include "ports/win/Win32UnbufferedFiles.h"

#include <windows.h>

#include "framework/UniqueHandle.h"
#include "framework/Utf16.h"

namespace tavolen {

namespace {

class Win32UnbufferedFile : public UnbufferedFile {
 public:
  explicit Win32UnbufferedFile(UniqueHandle file) : file_(std::move(file)) {}

  WriteResult Write(const uint8_t* data, std::size_t size) override {
    DWORD written = 0;
    if (std::size_t(DWORD(size)) != size) return WriteResult::Failed;  // more than one write can carry
    if (::WriteFile(file_.get(), data, DWORD(size), &written, nullptr)) {
      // A write that went through only in part means the disk had no more room (the last
      // error is not set then, so it is not asked).
      return written == size ? WriteResult::Written : WriteResult::DiskFull;
    }
    const DWORD error = ::GetLastError();
    if (error == ERROR_DISK_FULL || error == ERROR_HANDLE_DISK_FULL) return WriteResult::DiskFull;
    return WriteResult::Failed;
  }

 private:
  UniqueHandle file_;
};

}  // namespace

std::unique_ptr<UnbufferedFile> Win32UnbufferedFiles::Create(const std::u16string& path, bool deleteOnClose) {
  DWORD flags = FILE_FLAG_WRITE_THROUGH | FILE_FLAG_NO_BUFFERING | FILE_FLAG_SEQUENTIAL_SCAN;
  if (deleteOnClose) flags |= FILE_FLAG_DELETE_ON_CLOSE;
  UniqueHandle file(::CreateFileW(AsWide(path.c_str()), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, flags,
                                  nullptr));
  if (!file) return nullptr;
  return std::make_unique<Win32UnbufferedFile>(std::move(file));
}

bool Win32UnbufferedFiles::Remove(const std::u16string& path) {
  if (::DeleteFileW(AsWide(path.c_str()))) return true;
  const DWORD error = ::GetLastError();
  return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

}  // namespace tavolen
