#include "TrafficFeed.h"

#include <chrono>

namespace volax {

namespace {
traffic::TrafficPicture picture;
bool active = false;
}  // namespace

traffic::TrafficPicture& trafficPicture() { return picture; }
bool trafficActive() { return active; }

double trafficClock() {
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

void startTrafficFeed() { active = false; }

void stopTrafficFeed() {
    active = false;
    picture.clear();
}

}  // namespace volax
