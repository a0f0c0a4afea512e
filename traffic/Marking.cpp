#include "Marking.h"

namespace traffic {

void normalizeMarking(const char raw[kMarkingChars], char out[kMarkingChars + 1]) {
    std::size_t n = 0;
    for (; n < kMarkingChars && raw[n] != '\0'; ++n) {
        const unsigned char c = static_cast<unsigned char>(raw[n]);
        out[n] = (c >= 0x20 && c <= 0x7e) ? static_cast<char>(c) : '?';
    }
    out[n] = '\0';
}

void flightIdFromMarking(const char* marking, char out[kFlightIdSize]) {
    std::size_t start = 0;
    while (marking[start] == ' ') ++start;
    std::size_t n = 0;
    while (n < kFlightIdSize - 1 && marking[start + n] != '\0') {
        out[n] = marking[start + n];
        ++n;
    }
    while (n > 0 && out[n - 1] == ' ') --n;
    out[n] = '\0';
}

}  // namespace traffic
