#ifndef VOLAX_PLUGIN_XPAIRCRAFTOBJECT_H
#define VOLAX_PLUGIN_XPAIRCRAFTOBJECT_H

// The ownship: X-Plane's user aircraft as an RPR Aircraft instance.
//
// Sending is change-driven. updateSample keeps a local-frame sample only when
// it moved more than 2 m, 2 m/s, 1 m/s^2 or 3 degrees (the attitude as one
// vector, no wrap-around) from the last kept one; prepareUpdate, run by the
// manager's tick just before the pending attributes go out, turns a kept
// sample into a geocentric Spatial (algorithm FVW).
//
// Frames: X-Plane's local frame is x east, y up, z south; the local tangent
// plane is east, north, up, so (x, y, z) enters it as (x, -z, y). The frame is
// flat and its origin may be far away (X-Plane moves it only now and then), so
// local_y is not the height: the position is published from the aircraft's
// double latitude, longitude and elevation (X-Plane's sea level is the WGS 84
// ellipsoid), while velocity, acceleration and attitude, which X-Plane gives
// against the frame at its origin, go through the local frame.
//
// Besides the change-driven Spatial, every attribute is re-sent each heartbeat
// (peers that bridge to DIS drop an entity not heard from for 12 s), and a
// pause re-sends the Spatial with IsFrozen set so that peers stop
// extrapolating it.

#include "OwnshipState.h"
#include "QVHLAAircraftObject.h"

namespace volax {

class XPAircraftObject : public QVHLAAircraftObject {
public:
    XPAircraftObject() = default;
    ~XPAircraftObject() override = default;

    QVHLARootObject* newInstance() override;
    void prepareUpdate() override;
    void attributesReflected() override {}

    void setReference(float latRef, float lonRef);
    // Returns whether the sample passed the thresholds and was kept.
    bool updateSample(const float position[3], const float velocity[3], const float acceleration[3],
                      const float attitude[3], double lat, double lon, double elevation);

    bool updateSample(const OwnshipSample& sample);
    // The Spatial the tick computed from the sample just kept: sent as it is, not
    // computed again (without it prepareUpdate computes it).
    void offerSpatial(const Spatial& spatial);

    bool isSampleChanged() const { return sampleChanged; }

    // The simulator's pause: a change re-sends the Spatial with the new IsFrozen.
    void setFrozen(bool frozen);
    bool isFrozen() const { return frozen; }
    // Called every flight loop with the simulator's elapsed time (s): re-sends every
    // attribute once `period` seconds have passed since the last heartbeat (the first
    // counts from the first call); a period of 0 turns it off.
    void heartbeat(double now, double period);

private:
    float refLatitude = 0.0f;
    float refLongitude = 0.0f;
    float lastPosition[3] = {0.0f, 0.0f, 0.0f};
    float lastVelocity[3] = {0.0f, 0.0f, 0.0f};
    float lastAcceleration[3] = {0.0f, 0.0f, 0.0f};
    float lastAttitude[3] = {0.0f, 0.0f, 0.0f};
    double latitude = 0.0;
    double longitude = 0.0;
    double elevation = 0.0;
    bool sampleChanged = false;
    Spatial computed{};
    bool computedValid = false;
    bool frozen = false;
    bool heartbeatStarted = false;
    double lastHeartbeat = 0.0;
};

// Creates, registers and identifies the ownship once the user aircraft is loaded:
// EntityType, ForceIdentifier, EntityIdentifier (entity number 0 unless
// ENTITYNUMBER), Marking (identifyOwnship) and the DamageState it has.
void createOwnship();

// The ownship's identity in ownshipState: EntityType (volaxexp.ini against the
// user's model), FORCEID and Marking (MARKING, else the tail number). The damage
// stays: only a new aircraft, a crash or an airport repairs it.
void identifyOwnship();

// Reads the ownship's data references into ownshipState and hands it to each
// network: the HLA ownship when there is one, DIS when it is on.
void sampleOwnship();

}  // namespace volax

#endif
