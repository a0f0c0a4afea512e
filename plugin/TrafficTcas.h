#ifndef VOLAX_PLUGIN_TRAFFICTCAS_H
#define VOLAX_PLUGIN_TRAFFICTCAS_H

// The traffic picture's TCAS targets in X-Plane's TCAS override: VOLAX takes
// the AI aircraft, sets sim/operation/override/override_TCAS and writes the
// sim/cockpit2/tcas/targets/ arrays (slots 1..63; slot 0 is the user's
// aircraft). A target keeps its slot while it stays a target, so instruments
// can follow it. When another plugin holds the AI aircraft, VOLAX says so once
// in Log.txt and waits for them.

#include <cstdint>
#include <vector>

#include "TrafficTypes.h"
#include "XPLMDataAccess.h"

namespace volax {

class TrafficTcas {
public:
    // Asks for the AI aircraft. Safe to call again.
    void start();
    // Writes this frame's targets, nearest first, while holding the AI aircraft.
    void update(const std::vector<traffic::TcasTarget>& targets);
    // Clears the override and gives the AI aircraft back.
    void stop();
    // The AI aircraft became available (the planesAvailable callback).
    void planesAvailable();
    bool holding() const { return holding_; }

private:
    void findDataRefs();
    bool holding_ = false;
    bool started_ = false;
    bool toldHeld_ = false;
    struct Slot {
        traffic::EntityKey key = 0;
        bool used = false;
        bool seen = false;
    };
    Slot slots_[64];
    struct Refs {
        XPLMDataRef override_ = nullptr, modeS = nullptr, flightId = nullptr, ssr = nullptr;
        XPLMDataRef x = nullptr, y = nullptr, z = nullptr, vx = nullptr, vy = nullptr, vz = nullptr;
        XPLMDataRef vs = nullptr, psi = nullptr, the = nullptr, phi = nullptr, wow = nullptr;
    } refs_;
};

}  // namespace volax

#endif
