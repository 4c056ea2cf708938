// How a WMI property value (a COM VARIANT) becomes the program's Variant. Kept apart so
// the rule can be tested on its own: null stays Null; text, 32-bit and floating-point
// numbers and booleans keep their kind; 64-bit numbers (which WMI usually hands over as
// text anyway) become Double; arrays and objects, which no conversion to a scalar can
// take, read as Null so that the caller's conversion fails and the field keeps its value.
#pragma once

#include "platform/variant.h"
#include "platform/win32/windows_api.h"

#include <oaidl.h>

namespace korvane::win32 {

Variant FromComVariant(const VARIANT& value);

}  // namespace korvane::win32
