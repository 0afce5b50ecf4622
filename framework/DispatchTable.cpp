#include "framework/DispatchTable.h"

#include "framework/Utf16.h"

namespace tavolen {
namespace {

// Values that refer to objects or aggregates: coercing them would call into the caller's
// objects (their default member), so they reach only members that declare them.
bool IsReferenceType(VARTYPE type) {
  VARTYPE base = type & VT_TYPEMASK;
  return (type & VT_ARRAY) || base == VT_DISPATCH || base == VT_UNKNOWN || base == VT_RECORD;
}

// Owns the coerced arguments for the length of one call.
class ArgumentList {
 public:
  explicit ArgumentList(size_t count) : values_(count) {
    for (VARIANT& v : values_) ::VariantInit(&v);
  }
  ~ArgumentList() {
    for (VARIANT& v : values_) ::VariantClear(&v);
  }
  ArgumentList(const ArgumentList&) = delete;
  ArgumentList& operator=(const ArgumentList&) = delete;

  void Set(size_t index, UniqueVariant value) { values_[index] = value.release(); }
  const std::vector<VARIANT>& values() const { return values_; }

 private:
  std::vector<VARIANT> values_;
};

}  // namespace

const DispatchEntry* FindDispatchEntry(const DispatchTable& table, DISPID id) {
  for (const DispatchEntry& entry : table)
    if (entry.id == id) return &entry;
  return nullptr;
}

const DispatchEntry* FindDispatchEntry(const DispatchTable& table, std::wstring_view name) {
  for (const DispatchEntry& entry : table)
    if (EqualsIgnoreCase(entry.name, name)) return &entry;
  return nullptr;
}

HRESULT DispatchGetIDsOfNames(const DispatchTable& table, LPOLESTR* names, UINT count, DISPID* ids) {
  if (count == 0) return S_OK;
  if (!names || !ids) return E_POINTER;
  for (UINT i = 0; i < count; ++i) ids[i] = DISPID_UNKNOWN;
  if (!names[0]) return DISP_E_UNKNOWNNAME;
  const DispatchEntry* entry = FindDispatchEntry(table, names[0]);
  if (!entry) return DISP_E_UNKNOWNNAME;
  ids[0] = entry->id;
  return count == 1 ? S_OK : DISP_E_UNKNOWNNAME;
}

bool CoerceArgument(const VARIANT& source, VARTYPE type, UniqueVariant* out) {
  // By-reference values are followed and copied as values.
  UniqueVariant value;
  if (FAILED(::VariantCopyInd(value.get(), const_cast<VARIANT*>(&source)))) return false;
  if (type == VT_VARIANT) {
    *out = std::move(value);
    return true;
  }
  if (value.type() == type) {
    *out = std::move(value);
    return true;
  }
  if (IsReferenceType(value.type()) || IsReferenceType(type)) return false;
  UniqueVariant converted;
  if (FAILED(::VariantChangeType(converted.get(), value.get(), 0, type))) return false;
  *out = std::move(converted);
  return true;
}

HRESULT DispatchInvoke(const DispatchTable& table, DISPID id, REFIID riid, WORD flags, DISPPARAMS* params,
                       VARIANT* result, UINT* argErr, const DispatchHandler& handler) {
  if (riid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
  const DispatchEntry* entry = FindDispatchEntry(table, id);
  if (!entry) return DISP_E_MEMBERNOTFOUND;
  if (!(flags & (DISPATCH_METHOD | DISPATCH_PROPERTYGET))) return DISP_E_MEMBERNOTFOUND;
  if (!params) return E_INVALIDARG;
  if (params->cNamedArgs != 0) return DISP_E_NONAMEDARGS;
  if (params->cArgs != entry->args.size()) return DISP_E_BADPARAMCOUNT;
  if (params->cArgs > 0 && !params->rgvarg) return E_INVALIDARG;

  // DISPPARAMS holds the arguments last first.
  const UINT count = params->cArgs;
  ArgumentList args(count);
  for (UINT i = 0; i < count; ++i) {
    const UINT position = count - 1 - i;
    UniqueVariant value;
    if (!CoerceArgument(params->rgvarg[position], entry->args[i], &value)) {
      if (argErr) *argErr = position;
      return DISP_E_TYPEMISMATCH;
    }
    args.Set(i, std::move(value));
  }

  UniqueVariant returned;
  HRESULT hr = handler(entry->id, args.values(), returned.get());
  if (FAILED(hr)) return hr;

  if (!result) return S_OK;
  ::VariantInit(result);
  if (entry->result == VT_EMPTY) return S_OK;
  if (returned.type() != entry->result) {
    UniqueVariant converted;
    if (FAILED(::VariantChangeType(converted.get(), returned.get(), 0, entry->result))) return E_UNEXPECTED;
    returned = std::move(converted);
  }
  *result = returned.release();
  return S_OK;
}

}  // namespace tavolen
