// The user's locale as the Windows settings give it: the general date format (short
// date and long time), the date and time separators and the decimal separator.
#pragma once

#include <memory>

#include "platform/locale_formats.h"

namespace korvane::win32 {

std::unique_ptr<LocaleFormats> MakeUserLocale();

}  // namespace korvane::win32
