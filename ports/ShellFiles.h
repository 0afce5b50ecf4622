#pragma once
// The shell's own work on files: its file operation (copy, move, delete into the recycle
// bin or for good, with its progress, conflict and error dialogs) and its "open" of a
// file, folder or program. The Windows adapter uses SHFileOperationW and ShellExecuteW;
// tests record what would be done. Any thread may use it; a window is passed as a number
// so that portable code can carry it.
#include <cstdint>
#include <string>

namespace tavolen {

struct ShellOpen {
  std::u16string verb;        // "open"
  std::u16string file;        // the file, folder or program
  std::u16string parameters;  // for a program
  std::u16string folder;      // the working folder
  int32_t show = 1;           // SW_* show command
};

class ShellFiles {
 public:
  virtual ~ShellFiles() = default;
  // FO_* `operation` of the NUL-separated, double-NUL-terminated `sources` to
  // `destination` (the same form; empty for a delete) with FOF_* `flags`, its dialogs owned
  // by `owner`. The shell reports its own errors; true when it says it succeeded.
  virtual bool Operate(uintptr_t owner, uint32_t operation, const std::u16string& sources,
                       const std::u16string& destination, uint32_t flags) = 0;
  // The shell's result of the open: above 32 when it started, else its error code.
  virtual intptr_t Open(uintptr_t owner, const ShellOpen& open) = 0;
};

}  // namespace tavolen
