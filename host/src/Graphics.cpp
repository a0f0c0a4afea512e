// Global <-> local coordinates in the frame the flight model publishes. The
// world is the WGS 84 ellipsoid with sea level on it, so an altitude above
// sea level is a height above the ellipsoid.

#include "HostState.h"

#include "XPLMGraphics.h"

extern "C" {

XPLM_API void XPLMWorldToLocal(double inLatitude, double inLongitude, double inAltitude, double* outX, double* outY,
                               double* outZ) {
    namespace w = xphost::wgs84;
    const w::Vec3 l = w::toLocal(xphost::detail::currentFrame(), w::toEcef(inLatitude, inLongitude, inAltitude));
    if (outX) *outX = l.x;
    if (outY) *outY = l.y;
    if (outZ) *outZ = l.z;
}

XPLM_API void XPLMLocalToWorld(double inX, double inY, double inZ, double* outLatitude, double* outLongitude,
                               double* outAltitude) {
    namespace w = xphost::wgs84;
    double lat = 0, lon = 0, alt = 0;
    w::fromEcef(w::fromLocal(xphost::detail::currentFrame(), w::Vec3{inX, inY, inZ}), &lat, &lon, &alt);
    if (outLatitude) *outLatitude = lat;
    if (outLongitude) *outLongitude = lon;
    if (outAltitude) *outAltitude = alt;
}

}  // extern "C"
