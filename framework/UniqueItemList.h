#pragma once
// Owner of one shell item ID list the shell allocated for us (SHBrowseForFolder,
// SHParseDisplayName); freed exactly once with CoTaskMemFree.
#include <windows.h>
#include <shtypes.h>

#include "framework/Unique.h"

namespace tavolen {

namespace detail {
inline void FreeItemList(PIDLIST_ABSOLUTE list) { ::CoTaskMemFree(list); }
}  // namespace detail
using UniqueItemList = Unique<NullIsNone<PIDLIST_ABSOLUTE, &detail::FreeItemList>>;

}  // namespace tavolen
