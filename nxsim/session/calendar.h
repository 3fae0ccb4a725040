// Calendar arithmetic on the host clock, which counts local time as if it were UTC:
// the same on every platform, without the C library's zone handling.
#pragma once

#include <ctime>

#include "export.h"

namespace nxsim {

// Seconds since 1970 of the calendar fields (as timegm; days past the month's end roll over).
NXSIM_EXPORT std::time_t utc_seconds(const std::tm &fields);

// The calendar fields of those seconds (as gmtime), weekday and day of the year included.
NXSIM_EXPORT std::tm utc_fields(std::time_t seconds);

}  // namespace nxsim
