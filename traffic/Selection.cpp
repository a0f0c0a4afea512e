#include "Selection.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "TrafficTypes.h"

namespace traffic {

std::size_t selectNearest(const std::vector<double>& distances, std::vector<uint32_t>& order, std::size_t n) {
    // Sorted as (distance, index) pairs, so that a comparison does not reach
    // back into `distances`; ties go to the lower index, so equal distances do
    // not swap between frames. The pairs' room is kept from call to call.
    thread_local std::vector<std::pair<double, uint32_t>> pairs;
    pairs.resize(order.size());
    for (std::size_t i = 0; i < order.size(); ++i) pairs[i] = {distances[order[i]], order[i]};
    const std::size_t count = std::min(n, order.size());
    if (count < pairs.size()) std::nth_element(pairs.begin(), pairs.begin() + count, pairs.end());
    std::sort(pairs.begin(), pairs.begin() + count);
    for (std::size_t i = 0; i < pairs.size(); ++i) order[i] = pairs[i].second;
    return count;
}

bool isAirborne(const EntityType& type, double speed, double aboveGround) {
    if (type.kind != 1 || type.domain != DOMAIN_AIR) return false;
    if (std::isnan(aboveGround)) return speed >= kGroundSpeed;
    return aboveGround >= kGroundClearance;
}

}  // namespace traffic
