#ifndef VOLAX_PLUGIN_CLOCKTIMECONVERSION_H
#define VOLAX_PLUGIN_CLOCKTIMECONVERSION_H

// RPR ClockTime to UTC calendar time: X-Plane's zulu_time_sec is UTC, so
// the host's own time zone plays no part.
//
// A ClockTime counts whole hours since 1970-01-01 00:00 UTC plus a time past
// the hour whose bits 1..31 count units of 1.67638063509e-6 s (bit 0 is not
// part of the time).

#include <cstdint>

#include "RPRValues.h"

namespace volax {

struct CalendarTime {
    uint16_t month;  // 1 to 12
    uint16_t day;    // of the month
    uint16_t hour;
    uint16_t minute;
    uint16_t second;
};

// Seconds per unit of the time past the hour; this literal, not 3600 / 2^31.
constexpr double kClockUnit = 1.67638063509e-6;

// False, leaving `out` alone, when the time is before 1970, its hours do not
// fit 32-bit seconds, or the C library cannot break it down.
bool clockTimeToCalendar(const ClockTime& time, CalendarTime& out);

// Day of the year counted from 0, as X-Plane's local_date_days (January 1 = 0,
// December 31 = 364), on a calendar without leap years (February 29 = 58, as
// February 28). Days below 1 count as 1 and days past the month's end as its
// last day. A month outside 1..12 adds no days before it and leaves the day
// as it is; `legalMonth` reports which case applied.
int dayNumber(int month, int day, bool& legalMonth);

}  // namespace volax

#endif
