#include "TrafficView.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <unordered_map>
#include <vector>

#include "LocalTrack.h"
#include "PluginState.h"
#include "TrafficFeed.h"
#include "TrafficModels.h"
#include "TrafficTcas.h"
#include "XPLMDataAccess.h"
#include "XPLMGraphics.h"
#include "XPLMInstance.h"
#include "XPLMScenery.h"

namespace volax {

namespace {

struct Drawn {
    XPLMInstanceRef instance = nullptr;
    XPLMObjectRef object = nullptr;
    uint64_t placedIn = 0;       // the frame it was last placed in
    double x = 0, y = 0, z = 0;  // where it was placed then
    LocalTrack track;
};

// The terrain under a point, for telling parked aircraft from flying ones.
// One probe per cell of about 200 m, remembered in a direct-mapped table:
// terrain does not move, and the picture asks for every air platform in every
// frame.
class Ground {
public:
    bool height(double latitude, double longitude, double& ground) {
        const int64_t la = static_cast<int64_t>(std::floor(latitude / kCell));
        const int64_t lo = static_cast<int64_t>(std::floor(longitude / kCell));
        const uint64_t key = (static_cast<uint64_t>(la) << 32) ^ static_cast<uint32_t>(lo);
        if (cells_.empty()) cells_.resize(kCells);
        Cell& c = cells_[(key * 0x9E3779B97F4A7C15ull) >> (64 - kCellBits)];
        if (!c.used || c.key != key) {
            c.used = true;
            c.key = key;
            c.ground = probe((la + 0.5) * kCell, (lo + 0.5) * kCell);
        }
        ground = c.ground;
        return std::isfinite(ground);
    }
    // Probes see only the scenery that is loaded (elsewhere: sea level), so
    // what was learnt before new scenery came may be wrong now.
    void forget() {
        for (Cell& c : cells_) c.used = false;
    }
    void release() {
        if (probe_) XPLMDestroyProbe(probe_);
        probe_ = nullptr;
        std::vector<Cell>().swap(cells_);
    }

private:
    struct Cell {
        uint64_t key = 0;
        double ground = 0;
        bool used = false;
    };
    static constexpr double kCell = 0.002;  // degrees
    static constexpr int kCellBits = 16;
    static constexpr size_t kCells = size_t(1) << kCellBits;

    double probe(double latitude, double longitude) {
        if (!probe_) probe_ = XPLMCreateProbe(xplm_ProbeY);
        double x, y, z, lat, lon, alt = NAN;
        XPLMWorldToLocal(latitude, longitude, 0.0, &x, &y, &z);
        XPLMProbeInfo_t info;
        info.structSize = sizeof(info);
        if (probe_ && XPLMProbeTerrainXYZ(probe_, static_cast<float>(x), static_cast<float>(y), static_cast<float>(z),
                                          &info) == xplm_ProbeHitTerrain)
            XPLMLocalToWorld(info.locationX, info.locationY, info.locationZ, &lat, &lon, &alt);
        return alt;
    }

    XPLMProbeRef probe_ = nullptr;
    std::vector<Cell> cells_;
};

struct View {
    bool active = false;
    Ground ground;
    TrafficModels models;
    TrafficTcas tcas;
    std::unordered_map<traffic::EntityKey, Drawn> drawn;
    uint64_t frame = 0;  // drawTraffic calls
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

// A TCAS target drawn this frame has the pose its instance was placed from.
void localPlace(const traffic::TcasTarget& t, double xyz[3]) {
    const auto it = view().drawn.find(t.key);
    if (it != view().drawn.end() && it->second.placedIn == view().frame) {
        xyz[0] = it->second.x;
        xyz[1] = it->second.y;
        xyz[2] = it->second.z;
        return;
    }
    XPLMWorldToLocal(t.pose.latitude, t.pose.longitude, t.pose.height, &xyz[0], &xyz[1], &xyz[2]);
}

}  // namespace

void trafficSceneryLoaded() { view().ground.forget(); }

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
    // Drawn heights, the ownship's and the terrain's are X-Plane's.
    trafficPicture().setVerticalDatum(heightDatum);
    trafficPicture().setGroundQuery(
        [](double lat, double lon, double& ground) { return view().ground.height(lat, lon, ground); });
    v.tcas.start();
    trace("Traffic view started\n");
}

void drawTraffic() {
    View& v = view();
    if (!v.active || !trafficActive()) return;
    traffic::TrafficPicture& picture = trafficPicture();
    traffic::OwnshipPosition own;
    traffic::FrameOrigin origin;
    // An empty picture (most frames outside a busy federation) uses neither.
    if (picture.size() > 0) {
        own.latitude = XPLMGetDatad(v.latitude);
        own.longitude = XPLMGetDatad(v.longitude);
        own.height = XPLMGetDatad(v.elevation);
        origin.latRef = XPLMGetDataf(v.latRef);
        origin.lonRef = XPLMGetDataf(v.lonRef);
    }
    picture.advance(trafficClock(), own, origin);

    const uint64_t frame = ++v.frame;
    size_t placed = 0;
    // Neighbours in the list often share a type.
    const EntityType* lastType = nullptr;
    XPLMObjectRef lastObject = nullptr;
    for (const traffic::DrawnEntity& e : picture.drawn()) {
        XPLMObjectRef object = lastType && std::memcmp(lastType, &e.entityType, sizeof e.entityType) == 0
                                   ? lastObject
                                   : v.models.objectFor(e.entityType);
        lastType = &e.entityType;
        lastObject = object;
        if (!object) continue;  // no rule, still loading, or failed (traced once)
        Drawn& d = v.drawn[e.key];
        double local[3];
        d.track.place(e.pose.latitude, e.pose.longitude, e.pose.height, origin, local);
        const double x = local[0], y = local[1], z = local[2];
        if (!std::isfinite(x) || !std::isfinite(y) || !std::isfinite(z)) continue;
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
        d.placedIn = frame;
        ++placed;
        d.x = x;
        d.y = y;
        d.z = z;
    }
    for (auto it = v.drawn.begin(); placed < v.drawn.size() && it != v.drawn.end();) {
        if (it->second.placedIn == frame) {
            ++it;
            continue;
        }
        destroy(it->second);
        it = v.drawn.erase(it);
    }
    v.tcas.update(picture.tcasTargets(), v.models, origin, localPlace);
}

void stopTrafficView() {
    View& v = view();
    for (auto& kv : v.drawn) destroy(kv.second);
    v.drawn.clear();
    v.tcas.stop();
    trafficPicture().setGroundQuery(nullptr);
    v.ground.release();
    if (v.active) trace("Traffic view stopped\n");
    v.active = false;
}

void unloadTrafficModels() { view().models.unloadAll(); }

void forgetTrafficModelLoads() { TrafficModels::forgetPendingLoads(); }

void trafficPlanesAvailable() { view().tcas.planesAvailable(); }

void trafficReleaseRequested(int fromPlugin) { view().tcas.releaseRequested(fromPlugin); }

bool trafficNeedsEveryFrame() { return view().active && trafficActive() && trafficPicture().size() > 0; }

}  // namespace volax
