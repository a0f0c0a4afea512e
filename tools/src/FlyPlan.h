#ifndef VOLAX_TOOLS_FLYPLAN_H
#define VOLAX_TOOLS_FLYPLAN_H

// Where each of volax-fed fly's entities flies, and what it is called.

#include <csignal>
#include <functional>
#include <string>
#include <vector>

#include "RPRValues.h"
#include "SyntheticTrack.h"

namespace volaxfed {

constexpr int kMaxFlyCount = 5000;

struct FlyRequest {
    double latitude = 0, longitude = 0, height = 0;
    double radius = 2000;
    int count = 1;
    EntityType type{1, 2, 225, 1, 1, 0, 0};
    bool circle = true;
    double speed = 120;
    DeadReckoningAlgorithm algorithm = DRM_RVW;
    std::string markingPrefix = "FLY";
    uint16_t site = 1, application = 200;
};

struct FlyPlanEntry {
    EntityIdentifier identifier;
    Marking marking;
    SyntheticTrack track;
};

// Entity i (from 0) gets number i + 1, the marking PREFIX<i + 1> (cut to 11
// characters), a circle or leg from 40 % to 100 % of the radius, its start angle
// (or leg bearing) spread evenly, and, in the air, a height 150 m above the last
// one in every ten. False with `error` when a track cannot be set up.
bool makeFlyPlan(const FlyRequest& request, std::vector<FlyPlanEntry>& plan, std::string* error);

// Flies the plan in real time on any network: each entity's true state goes to
// `send(i, state)` at `rate`, and at once when a straight leg turns at its end,
// until `duration` seconds (0: no end) or `stop`; `wait(seconds)` paces the loop.
// The number of states sent, or -1 when `send` or `wait` failed.
long flyPlan(const std::vector<FlyPlanEntry>& plan, double rate, double duration, const volatile sig_atomic_t& stop,
             const std::function<bool(std::size_t, const Spatial&)>& send, const std::function<bool(double)>& wait);

}  // namespace volaxfed

#endif
