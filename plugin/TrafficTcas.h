#ifndef VOLAX_PLUGIN_TRAFFICTCAS_H
#define VOLAX_PLUGIN_TRAFFICTCAS_H

// The traffic picture's TCAS targets in X-Plane's TCAS override: VOLAX takes
// the AI aircraft, sets sim/operation/override/override_TCAS and writes the
// sim/cockpit2/tcas/targets/ arrays (slots 1..63; slot 0 is the user's
// aircraft). A target keeps its slot while it stays a target, so instruments
// can follow it.
//
// The AI aircraft are shared with other traffic plugins, so VOLAX holds them
// only while it has airborne traffic to show: it acquires them for the first
// target and lets them go after kIdleRelease seconds without one, or at once
// when another plugin asks (message 111) while none is shown. When another
// plugin holds them, or takes them first when they come free, VOLAX says so
// once in Log.txt and waits for X-Plane's planes-available notice.

#include <cstdint>
#include <vector>

#include "TrafficTypes.h"
#include "XPLMDataAccess.h"

namespace volax {

class TrafficModels;

// Where a target is in the local frame: XPLMWorldToLocal of its pose, or the
// same numbers the caller already has from placing its instance.
typedef void (*LocalPlace)(const traffic::TcasTarget& target, double xyz[3]);

class TrafficTcas {
public:
    static constexpr double kIdleRelease = 30.0;  // seconds without a target

    // Ready to show targets (at join). Takes nothing yet.
    void start();
    // This frame's targets, nearest first, posed against `origin`'s local
    // frame: acquires the AI aircraft for the first, writes them while
    // holding, and lets the aircraft go when idle (measured with
    // XPLMGetElapsedTime).
    void update(const std::vector<traffic::TcasTarget>& targets, const TrafficModels& models,
                const traffic::FrameOrigin& origin, LocalPlace place);
    // Clears the override and gives the AI aircraft back.
    void stop();
    // X-Plane's notice that the holder let go (the planesAvailable callback).
    void planesAvailable();
    // Another plugin asks for the AI aircraft (XPLM_MSG_RELEASE_PLANES).
    void releaseRequested(int fromPlugin);
    bool holding() const { return holding_; }

private:
    void findDataRefs();
    void acquire();
    void take();
    void release();
    void write(const std::vector<traffic::TcasTarget>& targets, const TrafficModels& models,
               const traffic::FrameOrigin& origin, LocalPlace place);

    bool started_ = false;
    bool holding_ = false;
    bool waiting_ = false;      // asked and queued: X-Plane calls back when they are free
    bool toldHeld_ = false;     // "another plugin holds" said since the last hold
    bool toldKept_ = false;     // "keeping them" said since the last hold
    bool toldCut_ = false;      // "took them first" said since the last hold
    bool refused_ = false;      // override_TCAS did not read back 1: stop asking
    bool showing_ = false;      // the last frame had targets
    double lastShown_ = 0;      // XPLMGetElapsedTime() of the last frame with targets
    int activeCount_ = 0;       // what XPLMSetActiveAircraftCount was given
    struct Slot {
        traffic::EntityKey key = 0;
        bool used = false;
        bool seen = false;
        EntityType type{};
        char icao[traffic::kFlightIdSize] = {};
    };
    Slot slots_[64];
    struct Refs {
        XPLMDataRef override_ = nullptr, modeS = nullptr, flightId = nullptr, icaoType = nullptr, ssr = nullptr;
        XPLMDataRef x = nullptr, y = nullptr, z = nullptr, vx = nullptr, vy = nullptr, vz = nullptr;
        XPLMDataRef vs = nullptr, psi = nullptr, the = nullptr, phi = nullptr, wow = nullptr;
        XPLMDataRef gear = nullptr, lights = nullptr;
    } refs_;
};

}  // namespace volax

#endif
