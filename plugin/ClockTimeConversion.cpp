#include "ClockTimeConversion.h"

#include <climits>
#include <ctime>

#include "UtcTime.h"

namespace volax {

namespace {

const int kMonthLength[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
const int kDaysBefore[12] = {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334};

}  // namespace

bool clockTimeToCalendar(const ClockTime& time, CalendarTime& out) {
    // 64-bit arithmetic: hours * 3600 overflows 32 bits from about 596,523 hours on.
    int64_t hourSeconds = static_cast<int64_t>(time.hours) * 3600;
    if (hourSeconds > INT32_MAX || hourSeconds < INT32_MIN) return false;
    uint32_t units = time.timePastTheHour >> 1;
    double seconds = static_cast<double>(hourSeconds) + static_cast<double>(units) * kClockUnit;
    if (!(seconds >= 0.0)) return false;
    time_t whole = static_cast<time_t>(static_cast<int64_t>(seconds));  // truncated toward zero
    struct tm broken {};
    if (!volax::utcCalendar(whole, broken)) return false;
    out.month = static_cast<uint16_t>(broken.tm_mon + 1);
    out.day = static_cast<uint16_t>(broken.tm_mday);
    out.hour = static_cast<uint16_t>(broken.tm_hour);
    out.minute = static_cast<uint16_t>(broken.tm_min);
    out.second = static_cast<uint16_t>(broken.tm_sec);
    return true;
}

int dayNumber(int month, int day, bool& legalMonth) {
    if (day < 1) day = 1;
    legalMonth = month >= 1 && month <= 12;
    int before = 0;
    if (legalMonth) {
        if (day > kMonthLength[month - 1]) day = kMonthLength[month - 1];
        before = kDaysBefore[month - 1];
    }
    return before + day - 1;
}

}  // namespace volax
