#pragma once
// Owner of one service control manager handle (SC_HANDLE); closed exactly once.
#include <windows.h>

#include "framework/Unique.h"

namespace tavolen {

namespace detail {
inline void CloseServiceHandleOf(SC_HANDLE handle) { ::CloseServiceHandle(handle); }
}  // namespace detail
using UniqueServiceHandle = Unique<NullIsNone<SC_HANDLE, &detail::CloseServiceHandleOf>>;

}  // namespace tavolen
