#include "framework/UniqueVariant.h"

namespace tavolen {

UniqueVariant UniqueVariant::FromInt(LONG value) {
  UniqueVariant result;
  V_VT(&result.v_) = VT_I4;
  V_I4(&result.v_) = value;
  return result;
}

UniqueVariant UniqueVariant::FromDouble(double value) {
  UniqueVariant result;
  V_VT(&result.v_) = VT_R8;
  V_R8(&result.v_) = value;
  return result;
}

UniqueVariant UniqueVariant::FromBool(bool value) {
  UniqueVariant result;
  V_VT(&result.v_) = VT_BOOL;
  V_BOOL(&result.v_) = value ? VARIANT_TRUE : VARIANT_FALSE;
  return result;
}

UniqueVariant UniqueVariant::FromString(std::wstring_view text) {
  UniqueVariant result;
  BSTR bstr = ::SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
  if (bstr) {
    V_VT(&result.v_) = VT_BSTR;
    V_BSTR(&result.v_) = bstr;
  }
  return result;
}

UniqueVariant UniqueVariant::CopyOf(const VARIANT& source) {
  UniqueVariant result;
  // VariantCopyInd takes a non-const source but does not change it.
  ::VariantCopyInd(&result.v_, const_cast<VARIANT*>(&source));
  return result;
}

}  // namespace tavolen
