#pragma once
// Owner of one module reference (HMODULE) taken with LoadLibrary(Ex); given back exactly
// once with FreeLibrary. Never hold one in a static object of a library: its destructor
// would run under the loader lock at unload.
#include <windows.h>

#include "framework/Unique.h"

namespace tavolen {

namespace detail {
inline void FreeModuleHandle(HMODULE module) { ::FreeLibrary(module); }
}  // namespace detail
using UniqueModule = Unique<NullIsNone<HMODULE, &detail::FreeModuleHandle>>;

}  // namespace tavolen
