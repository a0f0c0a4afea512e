// Choosing what to show: the nearest entities to draw, the airborne ones for TCAS.
#ifndef VOLAX_TRAFFIC_SELECTION_H
#define VOLAX_TRAFFIC_SELECTION_H

#include <cstdint>
#include <vector>

#include "RPRValues.h"

namespace traffic {

// Without terrain, an air platform slower than this is taken to be on the ground.
constexpr double kGroundSpeed = 30.0;
// With terrain, one less than this above it is.
constexpr double kGroundClearance = 10.0;

// Reorders `order` (indices into `distances`) so that its first min(n, size)
// entries are the nearest, nearest first; returns that count.
std::size_t selectNearest(const std::vector<double>& distances, std::vector<uint32_t>& order, std::size_t n);

// An air platform (kind 1, domain air) that is not on the ground. `aboveGround`
// is the height above the terrain, NaN when unknown; `speed` in m/s.
bool isAirborne(const EntityType& type, double speed, double aboveGround);

}  // namespace traffic

#endif
