#pragma once
// Calls a scripting method by name, as a page's script does: arguments in the order the
// script writes them. The caller's arguments are cleared whatever the outcome.
#include <windows.h>
#include <oaidl.h>

#include <vector>

namespace tavolen {

// E_UNEXPECTED without an object; otherwise the name's lookup or the call's result.
// `result` may be null when the caller wants none.
HRESULT CallByName(IDispatch* dispatch, const wchar_t* name, std::vector<VARIANT> argsInOrder, VARIANT* result);

}  // namespace tavolen
