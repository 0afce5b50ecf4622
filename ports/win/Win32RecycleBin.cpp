#include "ports/win/Win32RecycleBin.h"

#include <windows.h>
#include <shellapi.h>

namespace tavolen {

static_assert(sizeof(SHQUERYRBINFO) == (sizeof(void*) == 8 ? 24 : 20), "the shell's query record of this word size");

std::optional<uint64_t> Win32RecycleBin::TotalSize() {
  // The platform's record and its own size: the 32-bit layout is packed (20 bytes), the
  // 64-bit one is not (24), and the shell refuses any other size.
  SHQUERYRBINFO query{};
  query.cbSize = sizeof query;
  if (FAILED(::SHQueryRecycleBinW(nullptr, &query)) || query.i64Size < 0) return std::nullopt;
  return uint64_t(query.i64Size);
}

}  // namespace tavolen
