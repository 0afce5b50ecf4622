#pragma once
// Owner of one menu (HMENU) from CreateMenu, CreatePopupMenu or LoadMenu; destroyed
// exactly once with DestroyMenu. A menu attached to a window or inserted as another
// menu's submenu belongs to that owner: release() it first.
#include <windows.h>

#include "framework/Unique.h"

namespace tavolen {

namespace detail {
inline void DestroyMenuHandle(HMENU menu) { ::DestroyMenu(menu); }
}  // namespace detail
using UniqueMenu = Unique<NullIsNone<HMENU, &detail::DestroyMenuHandle>>;

}  // namespace tavolen
