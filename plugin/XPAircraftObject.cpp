#include "XPAircraftObject.h"

#include "PluginState.h"
#include "Prefs.h"
#include "QVCoordConv.h"
#include "XPLMDataAccess.h"
#include "XPLMProcessing.h"

namespace volax {

namespace {

double distanceSquare(const float a[3], const float b[3]) {
    double sum = 0.0;
    for (int i = 0; i < 3; ++i) {
        double d = static_cast<double>(a[i]) - static_cast<double>(b[i]);
        sum += d * d;
    }
    return sum;
}

void copy3(float dst[3], const float src[3]) {
    for (int i = 0; i < 3; ++i) dst[i] = src[i];
}

// MARKING when set, else the aircraft's tail number.
Marking ownshipMarking() {
    if (!settings.marking.empty()) return asciiMarking(settings.marking.c_str());
    // The tail number is a byte array of unspecified length, NUL-padded when shorter.
    char tail[MARKING_CHARACTERS + 1] = {};
    const int got = XPLMGetDatab(dataRefs.tailNumber, tail, 0, static_cast<int>(MARKING_CHARACTERS));
    tail[got > 0 && got <= static_cast<int>(MARKING_CHARACTERS) ? got : 0] = '\0';
    return asciiMarking(tail);
}

}  // namespace

QVHLARootObject* XPAircraftObject::newInstance() { return new XPAircraftObject(); }

void XPAircraftObject::setReference(float latRef, float lonRef) {
    refLatitude = latRef;
    refLongitude = lonRef;
}

bool XPAircraftObject::updateSample(const float position[3], const float velocity[3], const float acceleration[3],
                                    const float attitude[3], double lat, double lon, double elev) {
    // Runs every frame; the first vector past its limit decides.
    const bool moved = distanceSquare(position, lastPosition) > 4.0 || distanceSquare(velocity, lastVelocity) > 4.0 ||
                       distanceSquare(acceleration, lastAcceleration) > 1.0 ||
                       distanceSquare(attitude, lastAttitude) > 9.0;
    if (!moved) return false;
    copy3(lastPosition, position);
    copy3(lastVelocity, velocity);
    copy3(lastAcceleration, acceleration);
    copy3(lastAttitude, attitude);
    latitude = lat;
    longitude = lon;
    elevation = elev;
    sampleChanged = true;
    return true;
}

void XPAircraftObject::prepareUpdate() {
    if (!sampleChanged) return;

    const float* p = lastPosition;
    const float* v = lastVelocity;
    const float* a = lastAcceleration;
    const float* q = lastAttitude;
    trace("Ownship LTP pos (%f, %f, %f)\n", p[0], -p[2], p[1]);
    trace("Ownship LTP vel (%f, %f, %f)\n", v[0], -v[2], v[1]);
    trace("Ownship LTP acc (%f, %f, %f)\n", a[0], -a[2], a[1]);
    trace("Ownship LTP att (%f, %f, %f)\n", q[0], q[1], q[2]);

    float gp[3], gv[3], ga[3], go[3];
    bool ok = QVCoordConv::ltp2gcc(refLatitude, refLongitude, p[0], -p[2], p[1], v[0], -v[2], v[1], a[0], -a[2],
                                   a[1], q[0], q[1], q[2], gp[0], gp[1], gp[2], gv[0], gv[1], gv[2], ga[0], ga[1],
                                   ga[2], go[0], go[1], go[2]);
    // The flat frame's y is no height far from its origin (785 m off at
    // 100 km); the global position is exact, and stays double to the wire.
    // X-Plane's elevation is above mean sea level (heightDatum EGM96).
    double x = 0, y = 0, z = 0;
    if (ok) ok = QVCoordConv::gdc2gccDouble(latitude, longitude, elevation, heightDatum, x, y, z);
    if (!ok) {
        trace("Aircraft coordinate conversion failed!\n");
        return;
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

    Spatial s = takeSpatial();
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
    setSpatial(s);
    sampleChanged = false;
}

void XPAircraftObject::setFrozen(bool value) {
    if (value == frozen) return;
    frozen = value;
    // Without a published position there is nothing to freeze yet; the first Spatial
    // carries the flag.
    if (!hasSpatial()) return;
    Spatial s = peekSpatial();
    s.isFrozen = frozen ? 1 : 0;
    setSpatial(s);
}

void XPAircraftObject::heartbeat(double now, double period) {
    if (!(period > 0.0)) return;
    // A clock that went back (a restarted simulator clock) starts the count again.
    if (!heartbeatStarted || now < lastHeartbeat) {
        heartbeatStarted = true;
        lastHeartbeat = now;
        return;
    }
    if (now - lastHeartbeat < period) return;
    lastHeartbeat = now;
    requestAllAttributes();
}

void createOwnship() {
    if (ownship || !userAircraftLoaded) return;
    trace("Creating ownship...\n");
    ownship = new XPAircraftObject();
    // The RTI names the instance; a failure is logged by the framework and
    // leaves the ownship unregistered (a later join replaces it).
    ownship->registerObjectInstance(nullptr);
    selectEntityType(ownship, 0);
    ForceIdentifier force = settings.forceId;
    ownship->setForceIdentifier(force);
    EntityIdentifier id{settings.siteId, settings.applicationId, 0};
    ownship->setEntityIdentifier(id);
    ownship->setMarking(ownshipMarking());
    ownship->setDamageState(DAMAGE_NO_DAMAGE);
    setItemEnabled(menu.createItem, false);
}

void sampleOwnship() {
    if (!ownship) return;
    const DataRefs& d = dataRefs;
    float position[3] = {XPLMGetDataf(d.localX), XPLMGetDataf(d.localY), XPLMGetDataf(d.localZ)};
    float velocity[3] = {XPLMGetDataf(d.localVx), XPLMGetDataf(d.localVy), XPLMGetDataf(d.localVz)};
    float acceleration[3] = {XPLMGetDataf(d.localAx), XPLMGetDataf(d.localAy), XPLMGetDataf(d.localAz)};
    float attitude[3] = {XPLMGetDataf(d.psi), XPLMGetDataf(d.theta), XPLMGetDataf(d.phi)};
    // Doubles in X-Plane: a float read alone costs up to a metre.
    const double lat = XPLMGetDatad(d.latitude);
    const double lon = XPLMGetDatad(d.longitude);
    const double elevation = XPLMGetDatad(d.elevation);
    float latRef = XPLMGetDataf(d.latRef);
    float lonRef = XPLMGetDataf(d.lonRef);
    trace("REF SYSTEM : %f, %f\n", latRef, lonRef);
    trace("LatLon pos: %f, %f\n", lat, lon);
    ownship->setReference(latRef, lonRef);
    ownship->updateSample(position, velocity, acceleration, attitude, lat, lon, elevation);
    ownship->setFrozen(XPLMGetDatai(dataRefs.paused) != 0);
    ownship->heartbeat(XPLMGetElapsedTime(), settings.heartbeat);
}

}  // namespace volax
