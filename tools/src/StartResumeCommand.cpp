// volax-fed start-resume: sends one StartResume.

#include <cstdio>
#include <ctime>
#include <string>

#include "ArgParse.h"
#include "ClockTimeCodec.h"
#include "Commands.h"
#include "CommonOptions.h"
#include "DisPeer.h"
#include "FederateSession.h"
#include "QVHLAStartResumeInteraction.h"

namespace volaxfed {

const char* const kStartResumeHelp =
    "usage: volax-fed start-resume [options]\n"
    "Publishes StartResume and sends one interaction, then resigns. Prints\n"
    "  SENT StartResume receiver=S:A:E originator=S:A:E request=N time=ISO hours=H past=0xHHHHHHHH\n"
    "Options:\n"
    "  --receiver S:A:E    ReceivingEntity; each field a number or '*' for all (65535); default *:*:*\n"
    "  --time ISO          SimulationTime, UTC, e.g. 2005-01-01T12:30:00Z (default: now).\n"
    "                      RealWorldTime is always the current time.\n"
    "  --originator S:A:E  OriginatingEntity (default 0:0:0)\n"
    "  --request-id N      RequestIdentifier 0..4294967295 (default 1)\n"
    "The federate name defaults to volax-start-resume.\n";

namespace {

std::string addressText(const EntityIdentifier& a) {
    auto field = [](uint16_t v) { return v == kWildcard ? std::string("*") : std::to_string(v); };
    return field(a.site) + ":" + field(a.application) + ":" + field(a.entityNumber);
}

}  // namespace

int runStartResume(int argc, char** argv) {
    Options options = makeOptions({"receiver", "time", "originator", "request-id"}, {});
    int status;
    if (!parseCommandLine(options, argc, argv, kStartResumeHelp, &status)) return status;

    std::string error;
    auto usage = [](const std::string& text) { return usageError("start-resume", text); };
    EntityIdentifier receiver{kWildcard, kWildcard, kWildcard}, originator{0, 0, 0};
    uint64_t requestId = 1;
    const int64_t now = static_cast<int64_t>(time(nullptr));
    int64_t when = now;
    if (options.has("receiver") && !parseEntityAddress(options.get("receiver"), &receiver, &error))
        return usage("--receiver: " + error);
    if (options.has("originator") && !parseEntityAddress(options.get("originator"), &originator, &error))
        return usage("--originator: " + error);
    if (options.has("request-id") && !parseUnsigned(options.get("request-id"), 0, 4294967295u, &requestId, &error))
        return usage("--request-id: " + error);
    if (options.has("time") && !parseIsoUtc(options.get("time"), &when, &error)) return usage("--time: " + error);
    ClockTime simulation{}, realWorld{};
    if (!clockTimeFromUnix(when, &simulation, &error)) return usage("--time: " + error);
    // RealWorldTime is informative only; a clock VOLAX could not read is not sent.
    const bool sendRealWorld = clockTimeFromUnix(now, &realWorld, &error);

    installStopHandlers();
    if (options.has("dis")) {
        DisPeer peer;
        bool usageFault = false;
        if (!peer.open(options, &error, &usageFault)) return usageFault ? usage(error) : (fail(error), kExitFailure);
        dis::StartResumePdu s;
        s.originating = originator;
        s.receiving = receiver;
        s.realWorldTime = realWorld;
        s.simulationTime = simulation;
        s.requestIdentifier = static_cast<uint32_t>(requestId);
        if (!peer.send(s)) return fail("cannot send on DIS " + peer.address()), kExitFailure;
        printf("SENT Start/Resume dis=%s exercise=%u receiver=%s originator=%s request=%lu time=%s hours=%ld "
               "past=0x%08X\n",
               peer.address().c_str(), peer.exercise(), addressText(receiver).c_str(), addressText(originator).c_str(),
               static_cast<unsigned long>(requestId), formatIsoUtc(when).c_str(), static_cast<long>(simulation.hours),
               simulation.timePastTheHour);
        fflush(stdout);
        return kExitOk;
    }
    FederateSession session(commonSettings(options, "volax-start-resume"));
    if (!session.join()) return kExitFailure;

    QVHLAStartResumeInteraction startResume;
    startResume.setOriginatingEntity(originator);
    if (sendRealWorld) startResume.setRealWorldTime(realWorld);
    startResume.setReceivingEntity(receiver);
    startResume.setRequestIdentifier(static_cast<uint32_t>(requestId));
    startResume.setSimulationTime(simulation);
    if (!session.publishAndSend(startResume, "StartResume")) return kExitFailure;
    printf("SENT StartResume receiver=%s originator=%s request=%lu time=%s hours=%ld past=0x%08X\n",
           addressText(receiver).c_str(), addressText(originator).c_str(), static_cast<unsigned long>(requestId),
           formatIsoUtc(when).c_str(), static_cast<long>(simulation.hours), simulation.timePastTheHour);
    fflush(stdout);

    if (!session.wait(0.2)) return kExitFailure;
    return session.resign() ? kExitOk : kExitFailure;
}

}  // namespace volaxfed
