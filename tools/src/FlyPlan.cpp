#include "FlyPlan.h"

#include <cstring>

namespace volaxfed {

bool makeFlyPlan(const FlyRequest& request, std::vector<FlyPlanEntry>& plan, std::string* error) {
    constexpr double kPi = 3.14159265358979323846;
    const bool air = request.type.kind == 1 && request.type.domain == 2;
    plan.clear();
    plan.reserve(static_cast<std::size_t>(request.count));
    for (int i = 0; i < request.count; ++i) {
        FlyPlanEntry entry;
        entry.identifier = {request.site, request.application, static_cast<uint16_t>(i + 1)};
        const std::string text = (request.markingPrefix + std::to_string(i + 1)).substr(0, MARKING_CHARACTERS);
        entry.marking = asciiMarking(text.c_str());
        TrackShape shape;
        shape.latitude = request.latitude;
        shape.longitude = request.longitude;
        shape.height = request.height + (air ? 150.0 * (i % 10) : 0.0);
        shape.radius = request.radius * (0.4 + 0.6 * (i + 1) / request.count);
        shape.speed = request.speed;
        shape.circle = request.circle;
        shape.banked = air;
        shape.phase = (request.circle ? 2 * kPi : kPi) * i / request.count;
        shape.algorithm = request.algorithm;
        const char* why = nullptr;
        if (!entry.track.setup(shape, &why)) {
            *error = why;
            return false;
        }
        plan.push_back(entry);
    }
    return true;
}

}  // namespace volaxfed
