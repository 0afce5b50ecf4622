#pragma once
// The shell's file operation and its "open" (SHFileOperationW, ShellExecuteW).
#include "ports/ShellFiles.h"

namespace tavolen {

class Win32ShellFiles : public ShellFiles {
 public:
  bool Operate(uintptr_t owner, uint32_t operation, const std::u16string& sources, const std::u16string& destination,
               uint32_t flags) override;
  intptr_t Open(uintptr_t owner, const ShellOpen& open) override;
};

}  // namespace tavolen
