#pragma once
// Files written around the system's cache and straight through to the disk, one block
// after the other, as erasing a drive's free space writes them. The Windows adapter opens
// them with FILE_FLAG_NO_BUFFERING and FILE_FLAG_WRITE_THROUGH; tests keep a small disk in
// memory that fills up, fails or goes away when they say so.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace tavolen {

enum class WriteResult {
  Written,   // the whole block went to the disk
  DiskFull,  // no room for the block: the disk is full
  Failed,    // any other error (the drive went away, for example)
};

// One open file. Closing it (destruction) deletes it when it was made delete-on-close.
// Used by one thread at a time.
class UnbufferedFile {
 public:
  virtual ~UnbufferedFile() = default;
  // Appends `size` bytes from `data`. Unbuffered writes need `data` aligned to the
  // sector size and `size` a multiple of it: a page-aligned block of whole MiB is.
  virtual WriteResult Write(const uint8_t* data, std::size_t size) = 0;
};

// Any thread may use it, several at once.
class UnbufferedFiles {
 public:
  virtual ~UnbufferedFiles() = default;
  // Creates `path` (an existing file is emptied), shared with nobody; none when it cannot
  // be made. A delete-on-close file goes when it is closed, even by a crash.
  virtual std::unique_ptr<UnbufferedFile> Create(const std::u16string& path, bool deleteOnClose) = 0;
  // Deletes `path`; true when it is gone (a missing file counts as gone).
  virtual bool Remove(const std::u16string& path) = 0;
};

}  // namespace tavolen
