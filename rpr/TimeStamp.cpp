#include "TimeStamp.h"

#include <chrono>
#include <cmath>

namespace rpr {

namespace {
constexpr double kUnit = 3600.0 / 2147483648.0;
}

TimeStamp makeTimeStamp(double secondsPastHour, bool absolute) {
    double s = std::fmod(secondsPastHour, 3600.0);
    if (!(s >= 0)) s = s < 0 ? s + 3600.0 : 0.0;  // negative, or not a number
    double units = std::floor(s / kUnit);
    if (units > 2147483647.0) units = 2147483647.0;
    TimeStamp t;
    t.value = (static_cast<uint32_t>(units) << 1) | (absolute ? 1u : 0u);
    return t;
}

std::string timeStampTag(TimeStamp stamp) {
    // Every update carries one: by hand, not through printf's format parser.
    static const char kHex[] = "0123456789ABCDEF";
    std::string text(8, '0');
    for (std::size_t i = 0; i < 8; ++i) text[7 - i] = kHex[(stamp.value >> (4 * i)) & 0xFu];
    return text;
}

bool parseTimeStampTag(const char* tag, TimeStamp& out) {
    if (!tag) return false;
    uint32_t v = 0;
    for (int i = 0; i < 8; ++i) {
        const char c = tag[i];
        uint32_t d;
        if (c >= '0' && c <= '9') d = static_cast<uint32_t>(c - '0');
        else if (c >= 'A' && c <= 'F') d = static_cast<uint32_t>(c - 'A' + 10);
        else if (c >= 'a' && c <= 'f') d = static_cast<uint32_t>(c - 'a' + 10);
        else return false;  // also the end of a shorter tag
        v = (v << 4) | d;
    }
    if (tag[8] != '\0') return false;
    out.value = v;
    return true;
}

double utcSecondsPastHour() {
    using namespace std::chrono;
    const auto since = system_clock::now().time_since_epoch();
    const auto hours = duration_cast<std::chrono::hours>(since);
    return duration<double>(since - hours).count();
}

bool plausibleAge(TimeStamp stamp, double nowPastHour, double& age) {
    if (!stamp.absolute()) return false;
    double a = nowPastHour - stamp.secondsPastHour();
    if (a > 1800) a -= 3600;  // the hour turned between the stamp and now, or the other way
    if (a < -1800) a += 3600;
    if (!(std::fabs(a) <= kPlausibleSkew)) return false;
    age = a > 0 ? a : 0;
    return true;
}

}  // namespace rpr
