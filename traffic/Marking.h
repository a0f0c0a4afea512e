// Marking text as the picture keeps it, and the TCAS flight id made from it.
#ifndef VOLAX_TRAFFIC_MARKING_H
#define VOLAX_TRAFFIC_MARKING_H

#include <cstddef>

#include "TrafficTypes.h"

namespace traffic {

// The received characters up to the first NUL (all 11 when unterminated), each
// outside printable ASCII replaced by '?'; `out` is always NUL-terminated.
void normalizeMarking(const char raw[kMarkingChars], char out[kMarkingChars + 1]);

// At most 7 characters of a normalized marking, leading and trailing spaces
// dropped; empty when the marking is.
void flightIdFromMarking(const char* marking, char out[kFlightIdSize]);

}  // namespace traffic

#endif
