#include "OwnshipState.h"

#include "PluginState.h"
#include "QVCoordConv.h"

namespace volax {

OwnshipState ownshipState;

uint16_t ownshipEntityNumber(bool onDis) {
    if (settings.entityNumber != 0) return settings.entityNumber;
    return onDis ? 1 : 0;
}

bool ownshipSpatial(const OwnshipSample& sample, bool frozen, Spatial& out) {
    const float* p = sample.position;
    const float* v = sample.velocity;
    const float* a = sample.acceleration;
    const float* q = sample.attitude;
    trace("Ownship LTP pos (%f, %f, %f)\n", p[0], -p[2], p[1]);
    trace("Ownship LTP vel (%f, %f, %f)\n", v[0], -v[2], v[1]);
    trace("Ownship LTP acc (%f, %f, %f)\n", a[0], -a[2], a[1]);
    trace("Ownship LTP att (%f, %f, %f)\n", q[0], q[1], q[2]);

    float gp[3], gv[3], ga[3], go[3];
    bool ok = QVCoordConv::ltp2gcc(sample.latRef, sample.lonRef, p[0], -p[2], p[1], v[0], -v[2], v[1], a[0], -a[2],
                                   a[1], q[0], q[1], q[2], gp[0], gp[1], gp[2], gv[0], gv[1], gv[2], ga[0], ga[1],
                                   ga[2], go[0], go[1], go[2]);
    // The flat frame's y is no height far from its origin (785 m off at
    // 100 km); the global position is exact, and stays double to the wire.
    // X-Plane's elevation is above mean sea level (heightDatum EGM96): the
    // vertical datum is applied here, once, for every network.
    double x = 0, y = 0, z = 0;
    if (ok)
        ok = QVCoordConv::gdc2gccDouble(sample.latitude, sample.longitude, sample.elevation, heightDatum, x, y, z);
    if (!ok) {
        trace("Aircraft coordinate conversion failed!\n");
        return false;
    }

    trace("Ownship GCC pos (%f, %f, %f)\n", x, y, z);
    trace("Ownship GCC vel (%f, %f, %f)\n", gv[0], gv[1], gv[2]);
    trace("Ownship GCC acc (%f, %f, %f)\n", ga[0], ga[1], ga[2]);
    trace("Ownship GCC att (%f, %f, %f)\n", go[0], go[1], go[2]);
    if (traceStream) {
        double lat, lon, h;
        if (QVCoordConv::gcc2gdcDouble(x, y, z, heightDatum, lat, lon, h)) {
            trace("LatLon pos = (%f , %f , %f)\n", lat, lon, h);
        }
    }

    Spatial s{};
    s.algorithm = DRM_FVW;
    s.worldLocation.x = x;
    s.worldLocation.y = y;
    s.worldLocation.z = z;
    s.isFrozen = frozen ? 1 : 0;
    s.orientation.x = go[0] * 3.1415926535f / 180.0f;
    s.orientation.y = go[1] * 3.1415926535f / 180.0f;
    s.orientation.z = go[2] * 3.1415926535f / 180.0f;
    s.velocity.x = gv[0];
    s.velocity.y = gv[1];
    s.velocity.z = gv[2];
    s.acceleration.x = ga[0];
    s.acceleration.y = ga[1];
    s.acceleration.z = ga[2];
    out = s;
    return true;
}

}  // namespace volax
