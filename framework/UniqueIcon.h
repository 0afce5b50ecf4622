#pragma once
// Owner of one icon or cursor (HICON) made by CreateIconIndirect, ExtractIcon,
// SHGetFileInfo or LoadImage without LR_SHARED; destroyed exactly once with DestroyIcon.
// Shared icons must not be given to it.
#include <windows.h>

#include "framework/Unique.h"

namespace tavolen {

namespace detail {
inline void DestroyIconHandle(HICON icon) { ::DestroyIcon(icon); }
}  // namespace detail
using UniqueIcon = Unique<NullIsNone<HICON, &detail::DestroyIconHandle>>;

}  // namespace tavolen
