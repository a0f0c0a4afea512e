// UTC calendar conversions: the one place that knows each C library's name for them.
#ifndef VOLAX_PLATFORM_UTCTIME_H
#define VOLAX_PLATFORM_UTCTIME_H

#include <ctime>

namespace volax {

// The UTC calendar time of `t`; false when the C library cannot represent it.
inline bool utcCalendar(std::time_t t, std::tm& out) {
#ifdef _WIN32
    return ::gmtime_s(&out, &t) == 0;
#else
    return ::gmtime_r(&t, &out) != nullptr;
#endif
}

// Seconds since 1970 of a UTC calendar time (the inverse of utcCalendar);
// fields out of range are normalised as mktime does.
inline std::time_t utcSeconds(std::tm& t) {
#ifdef _WIN32
    return ::_mkgmtime(&t);
#else
    return ::timegm(&t);
#endif
}

}  // namespace volax

#endif
