#ifndef VOLAX_TOOLS_CLOCKTIMECODEC_H
#define VOLAX_TOOLS_CLOCKTIMECODEC_H

// UTC calendar text <-> RPR ClockTime as VOLAX reads it.
//
// A ClockTime holds whole hours since 1970-01-01T00:00:00Z and the time past
// the hour in bits 1..31 (bit 0 unused) counted in units of kClockUnitSeconds.
// The receiver computes hours*3600 in signed 32-bit arithmetic, adds the units
// times that literal in double precision and truncates to a whole second, so
// we place the value in the middle of the wanted second: both VOLAX's literal
// and the exact RPR unit (3600/2^31 s) then truncate to the same second.

#include <cstdint>
#include <string>

#include "RPRValues.h"

namespace volaxfed {

constexpr double kClockUnitSeconds = 1.67638063509e-6;
constexpr double kExactClockUnitSeconds = 3600.0 / 2147483648.0;

// "YYYY-MM-DDTHH:MM:SSZ" (also "+00:00" instead of "Z", or a blank instead of
// "T"). Rejects anything else with a reason in *error.
bool parseIsoUtc(const std::string& text, int64_t* unixSeconds, std::string* error);

std::string formatIsoUtc(int64_t unixSeconds);

// Fails (with a reason) for times before 1970 or whose hours*3600 does not fit
// the receiver's signed 32-bit arithmetic (after 2038-01-19T03:59:59Z).
bool clockTimeFromUnix(int64_t unixSeconds, ClockTime* out, std::string* error);

// The second the receiver derives, using the given unit.
int64_t unixFromClockTime(const ClockTime& value, double unitSeconds = kClockUnitSeconds);

}  // namespace volaxfed

#endif
