#include "platform/win32/wmi_value.h"

#include <limits>

#include "platform/win32/text.h"

namespace korvane::win32 {

Variant FromComVariant(const VARIANT& value) {
  if ((value.vt & (VT_ARRAY | VT_BYREF)) != 0) return Variant::Null();
  switch (value.vt) {
    case VT_BSTR: return Variant(FromWide(std::wstring_view(value.bstrVal, SysStringLen(value.bstrVal))));
    case VT_I1: return Variant(static_cast<int32_t>(value.cVal));
    case VT_UI1: return Variant(static_cast<int32_t>(value.bVal));
    case VT_I2: return Variant(static_cast<int32_t>(value.iVal));
    case VT_UI2: return Variant(static_cast<int32_t>(value.uiVal));
    case VT_I4:
    case VT_INT: return Variant(static_cast<int32_t>(value.lVal));
    case VT_UI4:
    case VT_UINT:
      if (value.ulVal <= static_cast<ULONG>(std::numeric_limits<int32_t>::max())) {
        return Variant(static_cast<int32_t>(value.ulVal));
      }
      return Variant(static_cast<double>(value.ulVal));
    case VT_I8: return Variant(static_cast<double>(value.llVal));
    case VT_UI8: return Variant(static_cast<double>(value.ullVal));
    case VT_R4: return Variant(static_cast<double>(value.fltVal));
    case VT_R8: return Variant(value.dblVal);
    case VT_BOOL: return Variant::Boolean(value.boolVal != VARIANT_FALSE);
    case VT_EMPTY:
    case VT_NULL:
    default: return Variant::Null();
  }
}

}  // namespace korvane::win32
