// The time stamp of an update, as RPR FOM 2.0 carries it in the user-supplied
// tag: the DIS time stamp, a 32-bit value whose bits 31..1 count units of
// 3600/2^31 s (about 1.68 us) past the hour and whose bit 0 is 1 for absolute
// time (clocks synchronised to UTC) and 0 for relative time, written as eight
// hexadecimal characters ("8000000B": absolute, 1800 s past the hour).
//
// A receiver places an update at its time stamp when the stamp is absolute and
// plausible (within kPlausibleSkew of its own clock), else at its receipt.
#ifndef VOLAX_RPR_TIMESTAMP_H
#define VOLAX_RPR_TIMESTAMP_H

#include <cstdint>
#include <string>

namespace rpr {

// Seconds within which an absolute stamp is taken as true: clocks of one
// federation disagree by less, and a delivery longer than this is not
// extrapolated over anyway.
constexpr double kPlausibleSkew = 5.0;

struct TimeStamp {
    uint32_t value = 0;

    bool absolute() const { return (value & 1u) != 0; }
    // 0 <= s < 3600.
    double secondsPastHour() const { return (value >> 1) * (3600.0 / 2147483648.0); }
};

// The stamp of a time past the hour (taken modulo 3600 s, rounded down to a unit).
TimeStamp makeTimeStamp(double secondsPastHour, bool absolute);
// Eight upper-case hexadecimal characters.
std::string timeStampTag(TimeStamp stamp);
// A tag of exactly eight hexadecimal characters (either case); false for any
// other tag (such as "sometag" or an empty one), leaving `out` alone.
bool parseTimeStampTag(const char* tag, TimeStamp& out);

// UTC seconds past the hour now, from the system clock.
double utcSecondsPastHour();

// How long before `nowPastHour` an absolute stamp was taken, in seconds, when
// that is plausible: at most kPlausibleSkew either way (across the hour too);
// a stamp slightly in the future is taken as now (age 0). False for relative
// or implausible stamps.
bool plausibleAge(TimeStamp stamp, double nowPastHour, double& age);

}  // namespace rpr

#endif
