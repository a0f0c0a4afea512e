#include "Selection.h"

#include <algorithm>
#include <cmath>

#include "TrafficTypes.h"

namespace traffic {

std::size_t selectNearest(std::vector<std::pair<double, uint32_t>>& nearest, std::size_t n) {
    // Pairs compare without reaching back into a table of distances.
    const std::size_t count = std::min(n, nearest.size());
    if (count < nearest.size()) std::nth_element(nearest.begin(), nearest.begin() + count, nearest.end());
    std::sort(nearest.begin(), nearest.begin() + count);
    return count;
}

bool isAirborne(const EntityType& type, double speed, double aboveGround) {
    if (type.kind != 1 || type.domain != DOMAIN_AIR) return false;
    if (std::isnan(aboveGround)) return speed >= kGroundSpeed;
    return aboveGround >= kGroundClearance;
}

}  // namespace traffic
