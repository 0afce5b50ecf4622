#pragma once
// Files for filling free space: CreateFileW with FILE_FLAG_WRITE_THROUGH,
// FILE_FLAG_NO_BUFFERING and FILE_FLAG_SEQUENTIAL_SCAN (plus FILE_FLAG_DELETE_ON_CLOSE
// when asked), written with WriteFileW; ERROR_DISK_FULL and ERROR_HANDLE_DISK_FULL read as
// a full disk. Stateless: any thread may call it.
#include "ports/UnbufferedFiles.h"

namespace tavolen {

class Win32UnbufferedFiles : public UnbufferedFiles {
 public:
  std::unique_ptr<UnbufferedFile> Create(const std::u16string& path, bool deleteOnClose) override;
  bool Remove(const std::u16string& path) override;
};

}  // namespace tavolen
