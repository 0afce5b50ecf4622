#pragma once
// The table that binds a control's automation members: name, DISPID, result type and the
// declared types of the arguments, in declared order. IDispatch calls arrive from script,
// so everything in them is checked here before a control sees it: the member exists, the
// argument count matches, no named arguments, and each argument is coerced to its declared
// type (numbers come as VT_I4 or VT_R8, booleans in several forms, values by reference).
#include "framework/UniqueVariant.h"

#include <windows.h>

#include <oaidl.h>

#include <functional>
#include <string_view>
#include <vector>

namespace tavolen {

struct DispatchEntry {
  const wchar_t* name;
  DISPID id;
  VARTYPE result;              // VT_EMPTY: the member returns nothing
  std::vector<VARTYPE> args;   // declared order; VT_VARIANT takes any value as it comes
};

using DispatchTable = std::vector<DispatchEntry>;

// Receives the coerced arguments in declared order (owned by the caller, cleared after the
// call) and fills `result` (an empty variant) with a value of the declared result type.
using DispatchHandler = std::function<HRESULT(DISPID id, const std::vector<VARIANT>& args, VARIANT* result)>;

const DispatchEntry* FindDispatchEntry(const DispatchTable& table, DISPID id);
// Case-insensitive, as script names are.
const DispatchEntry* FindDispatchEntry(const DispatchTable& table, std::wstring_view name);

// IDispatch::GetIDsOfNames over the table: the member name only (argument names are not
// bound: DISP_E_UNKNOWNNAME with DISPID_UNKNOWN for them).
HRESULT DispatchGetIDsOfNames(const DispatchTable& table, LPOLESTR* names, UINT count, DISPID* ids);

// IDispatch::Invoke over the table: validates, coerces, calls `handler`, converts its result
// to the declared type for `result` (which may be null when the caller wants none).
HRESULT DispatchInvoke(const DispatchTable& table, DISPID id, REFIID riid, WORD flags, DISPPARAMS* params,
                       VARIANT* result, UINT* argErr, const DispatchHandler& handler);

// One argument as a member of declared type `type` takes it; false when it cannot be coerced.
bool CoerceArgument(const VARIANT& source, VARTYPE type, UniqueVariant* out);

}  // namespace tavolen
