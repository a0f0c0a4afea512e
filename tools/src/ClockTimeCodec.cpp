#include "ClockTimeCodec.h"

#include <cmath>
#include <cstdio>
#include <cstring>

namespace volaxfed {
namespace {

bool isLeap(int64_t y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int monthLength(int64_t y, int m) {
    static const int lengths[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m == 2 && isLeap(y) ? 29 : lengths[m - 1];
}

// Days since 1970-01-01 of a proleptic Gregorian date.
int64_t daysFromCivil(int64_t y, int m, int d) {
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const int64_t yoe = y - era * 400;
    const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

void civilFromDays(int64_t z, int64_t* y, int* m, int* d) {
    z += 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const int64_t doe = z - era * 146097;
    const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const int64_t mp = (5 * doy + 2) / 153;
    *d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    *m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    *y = yoe + era * 400 + (*m <= 2);
}

// Reads exactly `width` decimal digits.
bool digits(const char*& p, int width, int* out) {
    int v = 0;
    for (int i = 0; i < width; ++i, ++p) {
        if (*p < '0' || *p > '9') return false;
        v = v * 10 + (*p - '0');
    }
    *out = v;
    return true;
}

bool expect(const char*& p, char c) {
    if (*p != c) return false;
    ++p;
    return true;
}

}  // namespace

bool parseIsoUtc(const std::string& text, int64_t* unixSeconds, std::string* error) {
    const char* p = text.c_str();
    int year, month, day, hour, minute, second;
    const bool shapeOk = digits(p, 4, &year) && expect(p, '-') && digits(p, 2, &month) && expect(p, '-') &&
                         digits(p, 2, &day) && (expect(p, 'T') || expect(p, 't') || expect(p, ' ')) &&
                         digits(p, 2, &hour) && expect(p, ':') && digits(p, 2, &minute) && expect(p, ':') &&
                         digits(p, 2, &second);
    if (!shapeOk || text.size() != static_cast<size_t>(p - text.c_str()) + strlen(p)) {
        *error = "'" + text + "' is not an ISO-8601 UTC time like 2005-01-01T12:30:00Z";
        return false;
    }
    if (strcmp(p, "Z") != 0 && strcmp(p, "z") != 0 && strcmp(p, "+00:00") != 0) {
        *error = "'" + text + "' is not an ISO-8601 UTC time like 2005-01-01T12:30:00Z (it must end in Z)";
        return false;
    }
    if (month < 1 || month > 12 || day < 1 || day > monthLength(year, month) || hour > 23 || minute > 59 ||
        second > 59) {
        *error = "'" + text + "' is not a valid date and time";
        return false;
    }
    *unixSeconds = daysFromCivil(year, month, day) * 86400 + hour * 3600 + minute * 60 + second;
    return true;
}

std::string formatIsoUtc(int64_t t) {
    int64_t days = t / 86400, rem = t % 86400;
    if (rem < 0) {
        rem += 86400;
        --days;
    }
    int64_t y;
    int m, d;
    civilFromDays(days, &y, &m, &d);
    char buf[64];
    snprintf(buf, sizeof buf, "%04lld-%02d-%02dT%02d:%02d:%02dZ", static_cast<long long>(y), m, d,
             static_cast<int>(rem / 3600), static_cast<int>(rem / 60 % 60), static_cast<int>(rem % 60));
    return buf;
}

bool clockTimeFromUnix(int64_t t, ClockTime* out, std::string* error) {
    if (t < 0) {
        *error = "times before 1970-01-01T00:00:00Z cannot be sent";
        return false;
    }
    const int64_t hours = t / 3600;
    if (hours * 3600 > INT32_MAX) {
        *error = "times after 2038-01-19T03:59:59Z cannot be sent (the receiver counts seconds in 32 bits)";
        return false;
    }
    const double past = static_cast<double>(t - hours * 3600) + 0.5;
    const auto units = static_cast<uint32_t>(std::llround(past / kClockUnitSeconds));
    ClockTime v;
    v.hours = static_cast<int32_t>(hours);
    v.timePastTheHour = units << 1;
    if (unixFromClockTime(v) != t || unixFromClockTime(v, kExactClockUnitSeconds) != t) {
        *error = "internal error: the clock value does not round-trip";
        return false;
    }
    *out = v;
    return true;
}

int64_t unixFromClockTime(const ClockTime& value, double unitSeconds) {
    // Mirrors the receiver: 32-bit hour seconds, then a double sum truncated.
    const int64_t hourSeconds = static_cast<int64_t>(value.hours) * 3600;
    const double u = static_cast<double>(value.timePastTheHour >> 1);
    return static_cast<int64_t>(static_cast<double>(hourSeconds) + u * unitSeconds);
}

}  // namespace volaxfed
