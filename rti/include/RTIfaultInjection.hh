// Test hooks of the embedded VOLAX RTI; not part of the HLA API and absent from
// production RTIs. They let tests drive every error handler a federate has.
#ifndef RTIfaultInjection_hh
#define RTIfaultInjection_hh

#include <exception>
#include <stdexcept>

#include "RTI.hh"

namespace rtitest {

// The next call of the named RTIambassador service ("joinFederationExecution",
// "tick", "registerObjectInstance", ...; null or "" matches any service) made on
// any ambassador of this process raises `error` instead of doing its work.
// Faults are consumed in the order they were queued.
void failNextCall(const char* service, std::exception_ptr error);

// Shorthand: failNextCall<RTI::NameNotFound>("getObjectClassHandle", "no such class")
// or failNextCall<std::runtime_error>("tick", "boom") for a non-RTI exception.
template <class E>
void failNextCall(const char* service, const char* reason) {
    failNextCall(service, std::make_exception_ptr(E(reason)));
}

// Drops every queued fault.
void clearFaults();

// Number of faults still queued.
int pendingFaults();

}  // namespace rtitest

#endif
