// Conversions between values the way the program's runtime makes them: text from a
// Null fails, text that is not a number fails, whole numbers round half to even.
// Each failure is a RuntimeError, so a continue-on-error step that converts leaves its
// target unchanged.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/variant.h"

namespace korvane {

// Text of a value: Null raises "Invalid use of Null"; Empty gives empty text; numbers
// give their plain decimal text (NumberText); Booleans "True"/"False".
std::string ToText(const Variant& v);

// A number from a value: numeric text (blanks around it allowed) or a number; Null
// raises "Invalid use of Null", other text "Type mismatch".
double ToDouble(const Variant& v);

// A 32-bit whole number: as ToDouble, rounded half to even; out of range raises
// "Overflow".
int32_t ToLong(const Variant& v);

// A Double in plain decimal with up to 15 significant digits and a fractional part only
// when there is one: 51.2, 52.6666666666667, 2400, -3.
std::string NumberText(double value);

// Whole megabytes from a raw count: raw divided by 1024 `divisions` times in floating
// point, rounded half away from zero. nullopt when the quotient is below 0.5 (the
// formatted text is then empty and the conversion into the field fails).
std::optional<double> WholeMegabytes(double raw, int divisions);

// Number of characters (code points) of UTF-8 text, and its first n characters.
std::size_t CharCount(const std::string& text);
std::string FirstChars(const std::string& text, std::size_t n);

}  // namespace korvane
