#pragma once
// The recycle bins of all drives as the system reports them. The Windows adapter asks
// SHQueryRecycleBinW with the platform's own query record; tests say what is in the bin.
#include <cstdint>
#include <optional>

namespace tavolen {

class RecycleBin {
 public:
  virtual ~RecycleBin() = default;
  // Bytes in all recycle bins together; none when the system cannot tell.
  virtual std::optional<uint64_t> TotalSize() = 0;
};

}  // namespace tavolen
