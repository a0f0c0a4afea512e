// Terrain probes. The host's world is the WGS 84 ellipsoid with sea level on
// it and no land above it: a probe finds the sea surface straight below the
// point (along the local frame's y axis, as X-Plane probes), wet, level.

#include "HostState.h"
#include "XPLMHost.h"

#include "XPLMGraphics.h"
#include "XPLMScenery.h"

#include <set>

namespace xphost {
namespace detail {
namespace {

std::set<const void*>& probes() {
    static auto* p = new std::set<const void*>;
    return *p;
}

struct Probe {
    int type = 0;
};

}  // namespace
}  // namespace detail
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
    if (!xphost::detail::probes().count(inProbe) || !outInfo ||
        outInfo->structSize != static_cast<int>(sizeof(XPLMProbeInfo_t)))
        return xplm_ProbeError;
    // The sea surface below: the local y where the height above the ellipsoid is 0.
    double y = inY, lat, lon, h;
    for (int i = 0; i < 4; ++i) {
        XPLMLocalToWorld(inX, y, inZ, &lat, &lon, &h);
        y -= h;
    }
    outInfo->locationX = inX;
    outInfo->locationY = static_cast<float>(y);
    outInfo->locationZ = inZ;
    outInfo->normalX = 0;
    outInfo->normalY = 1;
    outInfo->normalZ = 0;
    outInfo->velocityX = outInfo->velocityY = outInfo->velocityZ = 0;
    outInfo->is_wet = 1;
    return xplm_ProbeHitTerrain;
}

}  // extern "C"
