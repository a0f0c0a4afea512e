#include "XPAircraftObject.h"

#include "DisNetwork.h"
#include "OwnshipState.h"

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
    computedValid = false;
    return true;
}

bool XPAircraftObject::updateSample(const OwnshipSample& sample) {
    setReference(sample.latRef, sample.lonRef);
    return updateSample(sample.position, sample.velocity, sample.acceleration, sample.attitude, sample.latitude,
                        sample.longitude, sample.elevation);
}

void XPAircraftObject::offerSpatial(const Spatial& spatial) {
    if (!sampleChanged) return;
    computed = spatial;
    computedValid = true;
}

void XPAircraftObject::prepareUpdate() {
    if (!sampleChanged) return;
    OwnshipSample sample;
    copy3(sample.position, lastPosition);
    copy3(sample.velocity, lastVelocity);
    copy3(sample.acceleration, lastAcceleration);
    copy3(sample.attitude, lastAttitude);
    sample.latitude = latitude;
    sample.longitude = longitude;
    sample.elevation = elevation;
    sample.latRef = refLatitude;
    sample.lonRef = refLongitude;
    Spatial s{};
    // The tick's state already holds this sample's Spatial: computed once for every network.
    if (computedValid) {
        s = computed;
        s.isFrozen = frozen ? 1 : 0;
    } else if (!ownshipSpatial(sample, frozen, s)) {
        return;
    }
    s.angularVelocity = takeSpatial().angularVelocity;
    setSpatial(s);
    sampleChanged = false;
    computedValid = false;
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
    identifyOwnship();
    ownship->setEntityType(ownshipState.entityType);
    ownship->setForceIdentifier(ownshipState.forceIdentifier);
    EntityIdentifier id{settings.siteId, settings.applicationId, ownshipEntityNumber(false)};
    ownship->setEntityIdentifier(id);
    ownship->setMarking(ownshipState.marking);
    ownship->setDamageState(ownshipState.damageState);
    setItemEnabled(menu.createItem, false);
}

void identifyOwnship() {
    ownshipState.entityType = modelEntityType(0);
    ownshipState.forceIdentifier = settings.forceId;
    ownshipState.marking = ownshipMarking();
}

void sampleOwnship() {
    const bool onDis = disActive() && userAircraftLoaded;
    if (!ownship && !onDis) return;
    const DataRefs& d = dataRefs;
    OwnshipSample sample;
    const XPLMDataRef refs[4][3] = {{d.localX, d.localY, d.localZ},
                                    {d.localVx, d.localVy, d.localVz},
                                    {d.localAx, d.localAy, d.localAz},
                                    {d.psi, d.theta, d.phi}};
    float* into[4] = {sample.position, sample.velocity, sample.acceleration, sample.attitude};
    for (int v = 0; v < 4; ++v)
        for (int i = 0; i < 3; ++i) into[v][i] = XPLMGetDataf(refs[v][i]);
    // Doubles in X-Plane: a float read alone costs up to a metre.
    sample.latitude = XPLMGetDatad(d.latitude);
    sample.longitude = XPLMGetDatad(d.longitude);
    sample.elevation = XPLMGetDatad(d.elevation);
    sample.latRef = XPLMGetDataf(d.latRef);
    sample.lonRef = XPLMGetDataf(d.lonRef);
    trace("REF SYSTEM : %f, %f\n", sample.latRef, sample.lonRef);
    trace("LatLon pos: %f, %f\n", sample.latitude, sample.longitude);

    // One computation of the state a tick, and only when a network will say it:
    // HLA when the sample moved past its thresholds, DIS always.
    OwnshipState& state = ownshipState;
    state.frozen = XPLMGetDatai(dataRefs.paused) != 0;
    const bool kept = ownship && ownship->updateSample(sample);
    if (kept || onDis) {
        state.hasSpatial = ownshipSpatial(sample, state.frozen, state.spatial);
        if (kept && state.hasSpatial) ownship->offerSpatial(state.spatial);
    }
    if (ownship) {
        ownship->setFrozen(state.frozen);
        ownship->heartbeat(XPLMGetElapsedTime(), settings.heartbeat);
    }
    if (onDis) publishOwnshipOnDis(state);
}

}  // namespace volax
