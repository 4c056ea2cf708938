// The services of the target computer, through its service control manager, into
// ServiceList. The WMI collector logs a failure and carries on; the NT fallback shows a
// message box and stops there. Both run the same listing.
#pragma once

#include <cstdint>

namespace korvane {

struct Korvane;

enum class ServiceListMode { Logged, Message };

// The number of 36-byte records allocated for a size probe's byte count: the quotient
// plus one, rounded to the nearest whole number with halves to even.
uint32_t ServiceEntryCount(uint32_t bytesNeeded);

// Appends the non-empty display names, each followed by "^", to ServiceList and removes
// the final character. Failures leave ServiceList as it was.
void ListServices(Korvane& k, ServiceListMode mode);

}  // namespace korvane
