#include "FlyPlan.h"

#include <chrono>
#include <cmath>
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

long flyPlan(const std::vector<FlyPlanEntry>& plan, double rate, double duration, const volatile sig_atomic_t& stop,
             const std::function<bool(std::size_t, const Spatial&)>& send, const std::function<bool(double)>& wait) {
    using Clock = std::chrono::steady_clock;
    const Clock::time_point start = Clock::now();
    const double period = 1 / rate;
    std::vector<long> legs(plan.size(), 0);
    std::vector<double> sent(plan.size(), -1e9);
    long updates = 0;
    for (;;) {
        const double t = std::chrono::duration<double>(Clock::now() - start).count();
        if (stop || (duration > 0 && t >= duration)) break;
        for (std::size_t i = 0; i < plan.size(); ++i) {
            const long leg = plan[i].track.legAt(t);
            if (t - sent[i] < period && leg == legs[i]) continue;
            legs[i] = leg;
            sent[i] = t;
            if (!send(i, plan[i].track.stateAt(t))) return -1;
            ++updates;
        }
        if (!wait(std::fmin(period, 0.05))) return -1;
    }
    return updates;
}

}  // namespace volaxfed
