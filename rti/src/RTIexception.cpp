// RTI::Exception: owns a copy of its reason so that a thrower's temporary
// buffer can go away before the catcher reads it.
#include <RTI.hh>

#include <cstring>
#include <new>
#include <ostream>

namespace {
// Stands for the reason when not even its copy could be allocated.
const char kNoReason[] = "";

void freeReason(const char* reason) {
    if (reason != kNoReason) delete[] reason;
}
}  // namespace

RTI::Exception::Exception(const char* reason) : _serial(0), _reason(nullptr), _name("RTI::Exception") {
    setReason(reason);
}

RTI::Exception::Exception(ULong serial, const char* reason)
    : _serial(serial), _reason(nullptr), _name("RTI::Exception") {
    setReason(reason);
}

RTI::Exception::Exception(const Exception& other) : _serial(other._serial), _reason(nullptr), _name(other._name) {
    setReason(other._reason);
}

RTI::Exception::~Exception() { freeReason(_reason); }

RTI::Exception& RTI::Exception::operator=(const Exception& other) {
    if (this != &other) {
        _serial = other._serial;
        _name = other._name;
        setReason(other._reason);
    }
    return *this;
}

void RTI::Exception::setReason(const char* reason) {
    if (reason == nullptr) reason = "";
    std::size_t n = std::strlen(reason);
    // Without memory the reason is dropped rather than letting bad_alloc escape
    // from an exception constructor.
    char* copy = new (std::nothrow) char[n + 1];
    if (copy != nullptr) std::memcpy(copy, reason, n + 1);
    freeReason(_reason);
    _reason = copy != nullptr ? copy : kNoReason;
}

std::ostream& operator<<(std::ostream& os, const RTI::Exception& ex) {
    return os << (ex._name ? ex._name : "RTI::Exception") << ": " << (ex._reason ? ex._reason : "");
}

std::ostream& operator<<(std::ostream& os, const RTI::Exception* ex) {
    if (ex == nullptr) return os << "(null exception)";
    return os << *ex;
}
