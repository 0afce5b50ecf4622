#pragma once
// Owner of one mapped view of a file mapping (MapViewOfFile); unmapped exactly once.
#include <windows.h>

#include "framework/Unique.h"

namespace tavolen {

namespace detail {
inline void UnmapView(void* view) { ::UnmapViewOfFile(view); }
}  // namespace detail
using UniqueView = Unique<NullIsNone<void*, &detail::UnmapView>>;

inline unsigned char* ViewBytes(const UniqueView& view) { return static_cast<unsigned char*>(view.get()); }

// Bytes that can be reached from the start of the view: the extent of the mapped region
// as the memory manager reports it (whole pages), 0 when unknown.
inline SIZE_T MappedSize(const UniqueView& view) {
  MEMORY_BASIC_INFORMATION info{};
  if (!view || ::VirtualQuery(view.get(), &info, sizeof info) != sizeof info) return 0;
  if (info.State != MEM_COMMIT) return 0;
  return info.RegionSize - (static_cast<const char*>(view.get()) - static_cast<const char*>(info.BaseAddress));
}

}  // namespace tavolen
