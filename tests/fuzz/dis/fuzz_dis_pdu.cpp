// Any datagram into the PDU decoder; what it accepts must encode back to the same length.
#include <cstdint>
#include <cstring>

#include "DisPdu.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    dis::Pdu pdu;
    if (dis::decodePdu(data, size, pdu) != dis::Decode::Ok) return 0;
    uint8_t out[dis::MAX_PDU_SIZE];
    std::size_t n = 0;
    switch (pdu.header.type) {
    case dis::PDU_ENTITY_STATE: n = dis::encodeEntityState(pdu.header, pdu.entityState, out, sizeof out); break;
    case dis::PDU_DETONATION: n = dis::encodeDetonation(pdu.header, pdu.detonation, out, sizeof out); break;
    default: n = dis::encodeStartResume(pdu.header, pdu.startResume, out, sizeof out); break;
    }
    if (n == 0 || n > size) __builtin_trap();
    (void)dis::spatialOf(pdu.entityState);
    return 0;
}
