#ifndef VOLAX_PLUGIN_DISNETWORK_H
#define VOLAX_PLUGIN_DISNETWORK_H

// VOLAX on a DIS exercise (NETWORK DIS or BOTH): the DIS twin of the HLA side.
//
// Out: the ownship's Entity State PDU, from the same OwnshipState the HLA object
// gets, every sample while it moves, at once when its appearance (damage, frozen)
// changes, and at least every HEARTBEAT (5 s when HEARTBEAT is 0: DIS peers drop an
// entity not heard from for 12 s). Entity number 1 unless ENTITYNUMBER. When DIS
// stops, a last PDU with the deactivated bit tells peers the aircraft is gone.
//
// In, every flight loop, all PDUs waiting (at most kMaxPdusPerTick, the rest wait
// for the next frame): of the configured exercise only, other exercises ignored
// whatever they carry. Entity State PDUs feed the traffic picture as HLA
// reflections do (an entity that stops sending times out after ENTITYTIMEOUT; the
// deactivated bit removes it); a Detonation PDU goes through the same hit test as
// MunitionDetonation; a Start/Resume PDU addressed to SITEID and APPLICATIONID (or
// 65535) sets the date as StartResume does. Refused datagrams leave one trace line
// per reason.

#include <cstddef>

#include "OwnshipState.h"

namespace volax {

constexpr std::size_t kMaxPdusPerTick = 1000;

// NETWORK is DIS or BOTH.
bool disEnabled();
// Opens DISADDRESS. Refused, with a line in Log.txt, without DISADDRESS or when the
// address is unusable: VOLAX never sends onto a network nobody chose.
bool startDis();
void stopDis();
bool disActive();

void receiveDis();
void publishOwnshipOnDis(const OwnshipState& state);

}  // namespace volax

#endif
