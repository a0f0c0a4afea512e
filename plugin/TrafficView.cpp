#include "TrafficView.h"

#include <cmath>
#include <unordered_map>

#include "PluginState.h"
#include "TrafficFeed.h"
#include "TrafficModels.h"
#include "TrafficTcas.h"
#include "XPLMDataAccess.h"
#include "XPLMGraphics.h"
#include "XPLMInstance.h"

namespace volax {

namespace {

struct Drawn {
    XPLMInstanceRef instance = nullptr;
    XPLMObjectRef object = nullptr;
    bool seen = false;
};

struct View {
    bool active = false;
    TrafficModels models;
    TrafficTcas tcas;
    std::unordered_map<traffic::EntityKey, Drawn> drawn;
    XPLMDataRef latitude = nullptr, longitude = nullptr, elevation = nullptr;
    XPLMDataRef latRef = nullptr, lonRef = nullptr;
};

View& view() {
    static auto* v = new View;  // the models' loads may land after a reload
    return *v;
}

// Our objects animate with no data references (an array holding only NULL).
const char* kNoDataRefs[] = {nullptr};
// X-Plane before 11.50 reads the data pointer even with no data references.
const float kNoData[1] = {0.0f};

void destroy(Drawn& d) {
    if (d.instance) XPLMDestroyInstance(d.instance);
    d.instance = nullptr;
}

}  // namespace

void startTrafficView() {
    View& v = view();
    if (!trafficActive()) return;
    v.latitude = XPLMFindDataRef("sim/flightmodel/position/latitude");
    v.longitude = XPLMFindDataRef("sim/flightmodel/position/longitude");
    v.elevation = XPLMFindDataRef("sim/flightmodel/position/elevation");
    v.latRef = XPLMFindDataRef("sim/flightmodel/position/lat_ref");
    v.lonRef = XPLMFindDataRef("sim/flightmodel/position/lon_ref");
    if (!v.active) {
        v.models.load(pluginFolder(), static_cast<float>(XPLMGetDatad(v.latitude)),
                      static_cast<float>(XPLMGetDatad(v.longitude)));
    }
    v.active = true;
    v.tcas.start();
    trace("Traffic view started\n");
}

void drawTraffic() {
    View& v = view();
    if (!v.active || !trafficActive()) return;
    traffic::TrafficPicture& picture = trafficPicture();
    traffic::OwnshipPosition own;
    own.latitude = XPLMGetDatad(v.latitude);
    own.longitude = XPLMGetDatad(v.longitude);
    own.height = XPLMGetDatad(v.elevation);
    traffic::FrameOrigin origin;
    origin.latRef = XPLMGetDataf(v.latRef);
    origin.lonRef = XPLMGetDataf(v.lonRef);
    picture.advance(trafficClock(), own, origin);

    for (auto& kv : v.drawn) kv.second.seen = false;
    for (const traffic::DrawnEntity& e : picture.drawn()) {
        XPLMObjectRef object = v.models.objectFor(e.entityType);
        if (!object) continue;  // no rule, still loading, or failed (traced once)
        double x, y, z;
        XPLMWorldToLocal(e.pose.latitude, e.pose.longitude, e.pose.height, &x, &y, &z);
        if (!std::isfinite(x) || !std::isfinite(y) || !std::isfinite(z)) continue;
        Drawn& d = v.drawn[e.key];
        if (d.instance && d.object != object) destroy(d);  // its type changed
        if (!d.instance) {
            d.instance = XPLMCreateInstance(object, kNoDataRefs);
            d.object = object;
            if (!d.instance) continue;
        }
        XPLMDrawInfo_t where;
        where.structSize = sizeof(where);
        where.x = static_cast<float>(x);
        where.y = static_cast<float>(y);
        where.z = static_cast<float>(z);
        where.pitch = e.pose.pitch;
        where.heading = e.pose.heading;
        where.roll = e.pose.roll;
        XPLMInstanceSetPosition(d.instance, &where, kNoData);
        d.seen = true;
    }
    for (auto it = v.drawn.begin(); it != v.drawn.end();) {
        if (it->second.seen) {
            ++it;
            continue;
        }
        destroy(it->second);
        it = v.drawn.erase(it);
    }
    v.tcas.update(picture.tcasTargets());
}

void stopTrafficView() {
    View& v = view();
    for (auto& kv : v.drawn) destroy(kv.second);
    v.drawn.clear();
    v.tcas.stop();
    if (v.active) trace("Traffic view stopped\n");
    v.active = false;
}

void unloadTrafficModels() { view().models.unloadAll(); }

void trafficPlanesAvailable() { view().tcas.planesAvailable(); }

int trafficInstanceCount() { return static_cast<int>(view().drawn.size()); }

bool trafficNeedsEveryFrame() { return view().active && trafficActive() && trafficPicture().size() > 0; }

}  // namespace volax
