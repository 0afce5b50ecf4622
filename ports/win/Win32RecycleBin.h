#pragma once
// The system's recycle bins through SHQueryRecycleBinW.
#include "ports/RecycleBin.h"

namespace tavolen {

class Win32RecycleBin : public RecycleBin {
 public:
  std::optional<uint64_t> TotalSize() override;
};

}  // namespace tavolen
