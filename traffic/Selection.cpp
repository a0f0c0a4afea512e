#include "Selection.h"

#include <algorithm>
#include <cmath>

#include "TrafficTypes.h"

namespace traffic {

std::size_t selectNearest(const std::vector<double>& distances, std::vector<uint32_t>& order, std::size_t n) {
    // Ties go to the lower index, so equal distances do not swap between frames.
    auto nearer = [&](uint32_t a, uint32_t b) {
        return distances[a] < distances[b] || (distances[a] == distances[b] && a < b);
    };
    const std::size_t count = std::min(n, order.size());
    if (count < order.size()) std::nth_element(order.begin(), order.begin() + count, order.end(), nearer);
    std::sort(order.begin(), order.begin() + count, nearer);
    return count;
}

bool isAirborne(const EntityType& type, double speed, double aboveGround) {
    if (type.kind != 1 || type.domain != DOMAIN_AIR) return false;
    if (std::isnan(aboveGround)) return speed >= kGroundSpeed;
    return aboveGround >= kGroundClearance;
}

}  // namespace traffic
