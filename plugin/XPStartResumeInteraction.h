#ifndef VOLAX_PLUGIN_XPSTARTRESUMEINTERACTION_H
#define VOLAX_PLUGIN_XPSTARTRESUMEINTERACTION_H

// Receiver of StartResume: a request addressed to this federate (site and
// application equal to SITEID and APPLICATIONID, 65535 matching any) sets
// X-Plane's date and time of day from its simulation time.

#include "QVHLAStartResumeInteraction.h"

namespace volax {

class XPStartResumeInteraction : public QVHLAStartResumeInteraction {
public:
    void interactionReceived() override;
    void prepareSend() override {}
};

// Site or application number addressing every federate.
constexpr unsigned kAnyNumber = 65535;

// The request above as any network reports it: null for what it did not carry.
void applyStartResume(const EntityIdentifier* receiver, const ClockTime* simulationTime);

// Stops X-Plane following the computer's clock and sets day of the year and
// seconds of the day (month 1..12; an illegal month is logged and adds no days).
void setSimulatorDate(int month, int day, float secondsOfDay);

}  // namespace volax

#endif
