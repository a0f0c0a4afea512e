// Terrain and the scenery X-Plane has loaded. The world is sea (0 m above
// mean sea level, which in the host is the WGS 84 ellipsoid, as `elevation`)
// with flat areas of land given by a terrain file. X-Plane loads the scenery
// in 1x1 degree tiles around the local frame's origin, the tile under it and
// one on each side (about 300 x 300 km); after a scenery shift the new tiles
// come some time later, in the background, and then message 104 is sent.
// Until then the old tiles stay. A probe finds the terrain straight below the
// point along the local frame's y axis, as X-Plane probes; outside the loaded
// tiles it finds a sea-level sphere (XPLMScenery.h), here the sphere that
// touches the ellipsoid at the frame's origin, with its mean radius of
// curvature there.

#include "HostState.h"
#include "Route.h"
#include "XPLMHost.h"

#include "XPLMGraphics.h"
#include "XPLMScenery.h"

#include <cmath>
#include <set>
#include <stdexcept>

namespace xphost {
namespace detail {
namespace {

const double kDefaultLoadDelay = 2.0;  // s
const int kTileReach = 1;              // tiles loaded on each side of the origin's

struct Area {
    double south, west, north, east, elevation;
};

struct Scenery {
    std::vector<Area> areas;  // later ones over earlier ones
    double loadDelay = kDefaultLoadDelay;
    int tileLat = 0, tileLon = 0;  // the tile the loaded scenery is centred on
    bool loading = false;
    int nextTileLat = 0, nextTileLon = 0;
    double loadDone = 0;
};

Scenery& scenery() {
    static auto* s = new Scenery;
    return *s;
}

std::set<const void*>& probes() {
    static auto* p = new std::set<const void*>;
    return *p;
}

struct Probe {
    int type = 0;
};

int tileOf(double deg) { return static_cast<int>(std::floor(deg)); }

bool loadedAt(double lat, double lon) {
    const Scenery& s = scenery();
    int dLon = std::abs(tileOf(lon) - s.tileLon);
    dLon = std::min(dLon, 360 - dLon);  // across the date line
    return std::abs(tileOf(lat) - s.tileLat) <= kTileReach && dLon <= kTileReach;
}

// The terrain's height above mean sea level, and whether it is water.
double terrainAt(double lat, double lon, bool* wet) {
    const std::vector<Area>& areas = scenery().areas;
    for (auto a = areas.rbegin(); a != areas.rend(); ++a)
        if (lat >= a->south && lat <= a->north && lon >= a->west && lon <= a->east) {
            if (wet) *wet = false;
            return a->elevation;
        }
    if (wet) *wet = true;
    return 0;
}

}  // namespace

void loadSceneryNow() {
    Scenery& s = scenery();
    s.tileLat = tileOf(currentFrame().latRef);
    s.tileLon = tileOf(currentFrame().lonRef);
    s.loading = false;
}

void sceneryShifted() {
    Scenery& s = scenery();
    // A shift while loading retargets the load; it does not restart it.
    if (!s.loading) s.loadDone = now() + s.loadDelay;
    s.loading = true;
    s.nextTileLat = tileOf(currentFrame().latRef);
    s.nextTileLon = tileOf(currentFrame().lonRef);
}

bool sceneryFrame() {
    Scenery& s = scenery();
    if (!s.loading || now() + 1e-9 < s.loadDone) return false;
    s.loading = false;
    s.tileLat = s.nextTileLat;
    s.tileLon = s.nextTileLon;
    return true;
}

void resetScenery() {
    Scenery& s = scenery();
    s.areas.clear();
    s.loadDelay = kDefaultLoadDelay;
    loadSceneryNow();
}

}  // namespace detail

bool setTerrain(const std::string& text, std::string* error, const std::string& fileName) {
    std::vector<detail::Area> areas;
    auto item = [&](const std::vector<std::string>& all, const std::string&, int) -> std::string {
        std::vector<std::string> w;  // up to a comment
        for (const std::string& word : all) {
            if (word[0] == '#') break;
            w.push_back(word);
        }
        if (w[0] != "area") return "unknown item \"" + w[0] + "\" (expected area)";
        if (w.size() != 6) return "area needs: south west north east elevation";
        double v[5];
        for (int i = 0; i < 5; ++i)
            if (!parseNumber(w[i + 1], &v[i])) return "\"" + w[i + 1] + "\" is not a number";
        const detail::Area a{v[0], v[1], v[2], v[3], v[4]};
        if (!(a.south >= -90 && a.south < a.north && a.north <= 90)) return "latitudes must be south < north in -90 .. 90";
        if (!(a.west >= -180 && a.west < a.east && a.east <= 180)) return "longitudes must be west < east in -180 .. 180";
        if (!(a.elevation >= -500 && a.elevation <= 9000)) return "elevation must be -500 .. 9000 m";
        areas.push_back(a);
        return "";
    };
    if (!readItems(text, fileName, error, item)) return false;
    detail::scenery().areas = areas;
    return true;
}

void setSceneryLoadDelay(double seconds) {
    if (!(seconds >= 0 && seconds <= 3600))
        throw std::invalid_argument("xphost::setSceneryLoadDelay: " + std::to_string(seconds) + " s");
    detail::scenery().loadDelay = seconds;
}

double sceneryLoadDelay() { return detail::scenery().loadDelay; }

bool sceneryLoading() { return detail::scenery().loading; }

bool sceneryLoadedAt(double latitude, double longitude) { return detail::loadedAt(latitude, longitude); }

double terrainElevation(double latitude, double longitude) { return detail::terrainAt(latitude, longitude, nullptr); }

}  // namespace xphost

extern "C" {

XPLM_API XPLMProbeRef XPLMCreateProbe(XPLMProbeType inProbeType) {
    if (inProbeType != xplm_ProbeY) return nullptr;
    auto* p = new xphost::detail::Probe;
    xphost::detail::probes().insert(p);
    return p;
}

XPLM_API void XPLMDestroyProbe(XPLMProbeRef inProbe) {
    if (xphost::detail::probes().erase(inProbe)) delete static_cast<xphost::detail::Probe*>(inProbe);
}

XPLM_API XPLMProbeResult XPLMProbeTerrainXYZ(XPLMProbeRef inProbe, float inX, float inY, float inZ,
                                             XPLMProbeInfo_t* outInfo) {
    using namespace xphost::detail;
    if (!probes().count(inProbe) || !outInfo || outInfo->structSize != static_cast<int>(sizeof(XPLMProbeInfo_t)))
        return xplm_ProbeError;
    double y = inY, lat, lon, h;
    bool wet = true;
    XPLMLocalToWorld(inX, y, inZ, &lat, &lon, &h);
    if (loadedAt(lat, lon)) {
        // The y where the height is the terrain's: the point's latitude and
        // longitude move a little with y away from the origin.
        for (int i = 0; i < 5; ++i) {
            y -= h - terrainAt(lat, lon, &wet);
            XPLMLocalToWorld(inX, y, inZ, &lat, &lon, &h);
        }
    } else {
        const double phi = currentFrame().latRef * M_PI / 180, e2 = xphost::wgs84::kF * (2 - xphost::wgs84::kF);
        const double w = 1 - e2 * std::sin(phi) * std::sin(phi);
        const double r = xphost::wgs84::kA * std::sqrt(1 - e2) / w;  // sqrt(M N)
        const double d2 = double(inX) * inX + double(inZ) * inZ;
        if (d2 >= r * r) return xplm_ProbeMissed;
        y = std::sqrt(r * r - d2) - r;
    }
    outInfo->locationX = inX;
    outInfo->locationY = static_cast<float>(y);
    outInfo->locationZ = inZ;
    outInfo->normalX = 0;
    outInfo->normalY = 1;
    outInfo->normalZ = 0;
    outInfo->velocityX = outInfo->velocityY = outInfo->velocityZ = 0;
    outInfo->is_wet = wet ? 1 : 0;
    return xplm_ProbeHitTerrain;
}

}  // extern "C"
