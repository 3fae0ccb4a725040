#include "calendar.h"

#include <chrono>

namespace nxsim {

using namespace std::chrono;

std::time_t utc_seconds(const std::tm &f) {
    sys_days month_start = year{f.tm_year + 1900} / month{static_cast<unsigned>(f.tm_mon + 1)} / day{1};
    sys_days date = month_start + days{f.tm_mday - 1};
    return static_cast<std::time_t>(date.time_since_epoch().count()) * 86400 + f.tm_hour * 3600L + f.tm_min * 60L +
           f.tm_sec;
}

std::tm utc_fields(std::time_t seconds_since_1970) {
    sys_seconds s{seconds{seconds_since_1970}};
    sys_days date = floor<days>(s);
    year_month_day ymd{date};
    hh_mm_ss clock{s - date};
    std::tm f{};
    f.tm_year = static_cast<int>(ymd.year()) - 1900;
    f.tm_mon = static_cast<int>(static_cast<unsigned>(ymd.month())) - 1;
    f.tm_mday = static_cast<int>(static_cast<unsigned>(ymd.day()));
    f.tm_hour = static_cast<int>(clock.hours().count());
    f.tm_min = static_cast<int>(clock.minutes().count());
    f.tm_sec = static_cast<int>(clock.seconds().count());
    f.tm_wday = static_cast<int>(weekday{date}.c_encoding());
    f.tm_yday = static_cast<int>((date - sys_days{ymd.year() / January / 1}).count());
    return f;
}

}  // namespace nxsim
