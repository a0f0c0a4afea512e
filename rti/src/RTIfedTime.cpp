// RTIfedTime: federation time as a double. Encoded as 8 bytes, big-endian
// IEEE 754, so that an encoded time reads the same on every host.
#include <fedtime.hh>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <new>

namespace {

constexpr double kEpsilon = 1e-9;

double valueOf(const RTI::FedTime& t) {
    if (auto p = dynamic_cast<const RTIfedTime*>(&t)) return p->getTime();
    throw RTI::InvalidFederationTime("not an RTIfedTime");
}

void encodeDouble(double v, char* out) {
    std::uint64_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    for (int i = 0; i < 8; ++i) out[i] = static_cast<char>(bits >> (56 - 8 * i));
}

double decodeDouble(const char* in) {
    std::uint64_t bits = 0;
    for (int i = 0; i < 8; ++i) bits = (bits << 8) | static_cast<unsigned char>(in[i]);
    double v;
    std::memcpy(&v, &bits, sizeof v);
    return v;
}

RTI::Boolean b(bool v) { return v ? RTI::RTI_TRUE : RTI::RTI_FALSE; }

}  // namespace

RTIfedTime::RTIfedTime() : _fedTime(0.0) {}
RTIfedTime::RTIfedTime(const RTI::Double& value) : _fedTime(value) {}
RTIfedTime::RTIfedTime(const RTI::FedTime& other) : _fedTime(valueOf(other)) {}
RTIfedTime::RTIfedTime(const RTIfedTime& other) : RTI::FedTime(), _fedTime(other._fedTime) {}
RTIfedTime::~RTIfedTime() = default;

void RTIfedTime::setZero() { _fedTime = 0.0; }
RTI::Boolean RTIfedTime::isZero() { return b(_fedTime == 0.0); }
void RTIfedTime::setEpsilon() { _fedTime = kEpsilon; }
void RTIfedTime::setPositiveInfinity() { _fedTime = std::numeric_limits<double>::infinity(); }
RTI::Boolean RTIfedTime::isPositiveInfinity() { return b(std::isinf(_fedTime) && _fedTime > 0); }

RTI::FedTime& RTIfedTime::operator+=(const RTI::FedTime& o) {
    _fedTime += valueOf(o);
    return *this;
}
RTI::FedTime& RTIfedTime::operator-=(const RTI::FedTime& o) {
    _fedTime -= valueOf(o);
    return *this;
}
RTI::Boolean RTIfedTime::operator<=(const RTI::FedTime& o) const { return b(_fedTime <= valueOf(o)); }
RTI::Boolean RTIfedTime::operator<(const RTI::FedTime& o) const { return b(_fedTime < valueOf(o)); }
RTI::Boolean RTIfedTime::operator>=(const RTI::FedTime& o) const { return b(_fedTime >= valueOf(o)); }
RTI::Boolean RTIfedTime::operator>(const RTI::FedTime& o) const { return b(_fedTime > valueOf(o)); }
RTI::Boolean RTIfedTime::operator==(const RTI::FedTime& o) const { return b(_fedTime == valueOf(o)); }
RTI::FedTime& RTIfedTime::operator=(const RTI::FedTime& o) {
    _fedTime = valueOf(o);
    return *this;
}
RTIfedTime& RTIfedTime::operator=(const RTIfedTime& o) {
    _fedTime = o._fedTime;
    return *this;
}

int RTIfedTime::encodedLength() const { return 8; }

void RTIfedTime::encode(char* buff) const {
    if (buff == nullptr) throw RTI::RTIinternalError("null buffer for RTIfedTime::encode");
    encodeDouble(_fedTime, buff);
}

int RTIfedTime::getPrintableLength() const {
    char tmp[64];
    return std::snprintf(tmp, sizeof tmp, "%.17g", _fedTime) + 1;
}

void RTIfedTime::getPrintableString(char* out) {
    if (out == nullptr) throw RTI::RTIinternalError("null buffer for RTIfedTime::getPrintableString");
    char tmp[64];
    int n = std::snprintf(tmp, sizeof tmp, "%.17g", _fedTime);
    std::memcpy(out, tmp, static_cast<std::size_t>(n) + 1);
}

RTI::FedTime* RTI::FedTimeFactory::makeZero() {
    try {
        return new RTIfedTime(0.0);
    } catch (const std::bad_alloc&) {
        throw RTI::MemoryExhausted("cannot allocate a federation time");
    }
}

RTI::FedTime* RTI::FedTimeFactory::decode(const char* buf) {
    if (buf == nullptr) throw RTI::RTIinternalError("null buffer for FedTimeFactory::decode");
    try {
        return new RTIfedTime(decodeDouble(buf));
    } catch (const std::bad_alloc&) {
        throw RTI::MemoryExhausted("cannot allocate a federation time");
    }
}
