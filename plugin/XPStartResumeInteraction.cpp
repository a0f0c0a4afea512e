#include "XPStartResumeInteraction.h"

#include "ClockTimeConversion.h"
#include "PluginState.h"
#include "XPLMDataAccess.h"
#include "XPLMUtilities.h"

namespace volax {

void XPStartResumeInteraction::interactionReceived() {
    applyStartResume(receivingEntityReceived ? &getReceivingEntity() : nullptr,
                     simulationTimeReceived ? &getSimulationTime() : nullptr);
}

void applyStartResume(const EntityIdentifier* receiver, const ClockTime* simulationTime) {
    if (receiver) {
        const EntityIdentifier& to = *receiver;
        bool siteMatches = to.site == kAnyNumber || to.site == settings.siteId;
        bool applicationMatches = to.application == kAnyNumber || to.application == settings.applicationId;
        if (!siteMatches || !applicationMatches) return;
    }
    if (!simulationTime) return;
    CalendarTime c{};
    if (!clockTimeToCalendar(*simulationTime, c)) {
        XPLMDebugString("VOLAX ignored a simulation time outside the time range it can convert\n");
        return;
    }
    setSimulatorDate(c.month, c.day, static_cast<float>(c.hour * 3600 + c.minute * 60 + c.second));
}

void setSimulatorDate(int month, int day, float secondsOfDay) {
    XPLMSetDatai(dataRefs.useSystemTime, 0);
    bool legalMonth = true;
    int days = dayNumber(month, day, legalMonth);
    if (!legalMonth) XPLMDebugString("VOLAX using illegal month!\n");
    XPLMSetDatai(dataRefs.localDateDays, days);
    XPLMSetDataf(dataRefs.zuluTimeSec, secondsOfDay);
    trace("Setting day and second: %d  %f\n", days, secondsOfDay);
}

}  // namespace volax
