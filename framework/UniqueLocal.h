#pragma once
// Owner of one block the system allocated with LocalAlloc for us (security descriptors
// from their string form, formatted messages); freed exactly once with LocalFree.
#include <windows.h>

#include "framework/Unique.h"

namespace tavolen {

namespace detail {
inline void FreeLocalBlock(void* block) { ::LocalFree(block); }
}  // namespace detail
using UniqueLocal = Unique<NullIsNone<void*, &detail::FreeLocalBlock>>;

}  // namespace tavolen
