// Choosing what to show: the nearest entities to draw, the airborne ones for TCAS.
#ifndef VOLAX_TRAFFIC_SELECTION_H
#define VOLAX_TRAFFIC_SELECTION_H

#include <cstdint>
#include <utility>
#include <vector>

#include "RPRValues.h"

namespace traffic {

// Without terrain, an air platform slower than this is taken to be on the ground.
constexpr double kGroundSpeed = 30.0;
// With terrain, one less than this above it is.
constexpr double kGroundClearance = 10.0;

// Reorders `nearest` ((distance, index) pairs) so that its first min(n, size)
// entries are the nearest, nearest first; returns that count. Ties go to the
// lower index, so equal distances do not swap between frames.
std::size_t selectNearest(std::vector<std::pair<double, uint32_t>>& nearest, std::size_t n);

// An air platform (kind 1, domain air) that is not on the ground. `aboveGround`
// is the height above the terrain, NaN when unknown; `speed` in m/s.
bool isAirborne(const EntityType& type, double speed, double aboveGround);

}  // namespace traffic

#endif
