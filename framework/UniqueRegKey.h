#pragma once
// Owner of one open registry key (HKEY); closed exactly once. The predefined root keys
// are never owned.
#include <windows.h>

#include "framework/Unique.h"

namespace tavolen {

namespace detail {
inline void CloseRegKey(HKEY key) { ::RegCloseKey(key); }
}  // namespace detail
using UniqueRegKey = Unique<NullIsNone<HKEY, &detail::CloseRegKey>>;

}  // namespace tavolen
