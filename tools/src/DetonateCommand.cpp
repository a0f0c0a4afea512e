// volax-fed detonate: sends one MunitionDetonation.

#include <cstdio>
#include <string>

#include "ArgParse.h"
#include "Commands.h"
#include "CommonOptions.h"
#include "DisPeer.h"
#include "FederateSession.h"
#include "QVCoordConv.h"
#include "QVHLAMunitionDetonationInteraction.h"

namespace volaxfed {

const char* const kDetonateHelp =
    "usage: volax-fed detonate [options]\n"
    "Publishes MunitionDetonation and sends one interaction, then resigns. Prints\n"
    "  SENT MunitionDetonation target=N relative=X,Y,Z location=X,Y,Z result=R fuse=F warhead=W velocity=X,Y,Z\n"
    "       event=N firer=NAME munition=K:D:C:CAT:SUB:SPECIFIC:EXTRA quantity=Q rate=R\n"
    "('-' for parameters not sent). Aim with --target and --relative, or with a location.\n"
    "Options:\n"
    "  --target NAME       TargetObjectIdentifier: the target's object instance name\n"
    "  --relative X,Y,Z    RelativeDetonationLocation, metres from the target (needs --target)\n"
    "  --at LAT,LON,H      DetonationLocation from latitude, longitude (degrees) and height above\n"
    "                      the WGS 84 ellipsoid (metres)\n"
    "  --gc X,Y,Z          DetonationLocation as geocentric WGS 84 metres (instead of --at)\n"
    "  --result CODE       DetonationResultCode 0..255 (default 1, entity impact)\n"
    "  --fuse N            FuseType 0..65535 (default 0)\n"
    "  --warhead N         WarheadType 0..65535 (default 0)\n"
    "  --velocity X,Y,Z    FinalVelocityVector, m/s (default 0,0,0)\n"
    "  --event N           EventIdentifier's event count 0..65535 (default 1)\n"
    "  --firer NAME        FiringObjectIdentifier and the event's issuing object\n"
    "                      (default: the federate name)\n"
    "  --munition TYPE     MunitionType K:D:C:CAT:SUB:SPECIFIC:EXTRA (default 2:1:225:1:0:0:0,\n"
    "                      a guided anti-air munition)\n"
    "  --quantity N        QuantityFired 0..65535 (default 1)\n"
    "  --rate N            RateOfFire, rounds per minute 0..65535 (default 0)\n"
    "The federate name defaults to volax-detonate.\n";

namespace {

Vector3f toVector(const double v[3]) {
    return Vector3f{static_cast<float>(v[0]), static_cast<float>(v[1]), static_cast<float>(v[2])};
}

std::string triple(double a, double b, double c, int decimals) {
    char buf[128];
    snprintf(buf, sizeof buf, "%.*f,%.*f,%.*f", decimals, a, decimals, b, decimals, c);
    return buf;
}

}  // namespace

int runDetonate(int argc, char** argv) {
    Options options = makeOptions({"target", "relative", "at", "gc", "result", "fuse", "warhead", "velocity", "event",
                                   "firer", "munition", "quantity", "rate"}, {});
    int status;
    if (!parseCommandLine(options, argc, argv, kDetonateHelp, &status)) return status;

    std::string error;
    auto usage = [](const std::string& text) { return usageError("detonate", text); };
    double relative[3] = {0, 0, 0}, location[3] = {0, 0, 0}, velocity[3] = {0, 0, 0};
    uint64_t result = 1, fuse = 0, warhead = 0, event = 1, quantity = 1, rate = 0;
    EntityType munition{2, 1, 225, 1, 0, 0, 0};
    const bool hasTarget = options.has("target");
    const bool hasRelative = options.has("relative");
    const bool hasLocation = options.has("at") || options.has("gc");
    if (hasTarget && options.get("target").empty()) return usage("--target needs a name");
    if (hasRelative && !parseTriple(options.get("relative"), relative, &error)) return usage("--relative: " + error);
    if (options.has("velocity") && !parseTriple(options.get("velocity"), velocity, &error))
        return usage("--velocity: " + error);
    if (options.has("result") && !parseUnsigned(options.get("result"), 0, 255, &result, &error))
        return usage("--result: " + error);
    if (options.has("fuse") && !parseUnsigned(options.get("fuse"), 0, 65535, &fuse, &error))
        return usage("--fuse: " + error);
    if (options.has("warhead") && !parseUnsigned(options.get("warhead"), 0, 65535, &warhead, &error))
        return usage("--warhead: " + error);
    if (options.has("event") && !parseUnsigned(options.get("event"), 0, 65535, &event, &error))
        return usage("--event: " + error);
    if (options.has("quantity") && !parseUnsigned(options.get("quantity"), 0, 65535, &quantity, &error))
        return usage("--quantity: " + error);
    if (options.has("rate") && !parseUnsigned(options.get("rate"), 0, 65535, &rate, &error))
        return usage("--rate: " + error);
    if (options.has("munition") && !parseEntityType(options.get("munition"), &munition, &error))
        return usage("--munition: " + error);
    if (options.has("firer") && options.get("firer").empty()) return usage("--firer needs a name");
    if (options.has("at") && options.has("gc")) return usage("give either --at or --gc, not both");
    if (hasRelative && !hasTarget) return usage("--relative needs --target");
    if (!(hasTarget && hasRelative) && !hasLocation)
        return usage("nothing to aim at: give --target with --relative, or --at or --gc");
    if (options.has("gc") && !parseTriple(options.get("gc"), location, &error)) return usage("--gc: " + error);
    if (options.has("at")) {
        double gd[3];
        if (!parseTriple(options.get("at"), gd, &error)) return usage("--at: " + error);
        if (gd[0] < -90 || gd[0] > 90 || gd[1] < -180 || gd[1] > 180)
            return usage("--at: latitude must be within -90..90 and longitude within -180..180 degrees");
        if (!QVCoordConv::gdc2gccDouble(gd[0], gd[1], gd[2], location[0], location[1], location[2]))
            return usage("--at: cannot convert '" + options.get("at") + "' to geocentric coordinates");
    }

    installStopHandlers();
    if (options.has("dis")) {
        // DIS names the target by its entity identifier.
        DisPeer peer;
        bool usageFault = false;
        dis::DetonationPdu d;
        if (hasTarget && !parseEntityAddress(options.get("target"), &d.target, &error))
            return usage("--target on DIS: " + error);
        if (!peer.open(options, &error, &usageFault)) return usageFault ? usage(error) : (fail(error), kExitFailure);
        d.firing = {0, 0, 0};
        d.event.eventNumber = static_cast<uint16_t>(event);
        d.velocity = toVector(velocity);
        d.location = WorldLocation{location[0], location[1], location[2]};
        d.munitionType = munition;
        d.warhead = static_cast<uint16_t>(warhead);
        d.fuse = static_cast<uint16_t>(fuse);
        d.quantity = static_cast<uint16_t>(quantity);
        d.rate = static_cast<uint16_t>(rate);
        d.relativeLocation = toVector(relative);
        d.result = static_cast<uint8_t>(result);
        if (!peer.send(d)) return fail("cannot send on DIS " + peer.address()), kExitFailure;
        printf("SENT Detonation dis=%s exercise=%u target=%s relative=%s location=%s result=%u\n",
               peer.address().c_str(), peer.exercise(), hasTarget ? options.get("target").c_str() : "-",
               hasRelative ? triple(relative[0], relative[1], relative[2], 3).c_str() : "-",
               hasLocation ? triple(location[0], location[1], location[2], 3).c_str() : "-",
               static_cast<unsigned>(result));
        fflush(stdout);
        return kExitOk;
    }
    FederateSession session(commonSettings(options, "volax-detonate"));
    if (!session.join()) return kExitFailure;

    QVHLAMunitionDetonationInteraction detonation;
    if (hasLocation) detonation.setDetonationLocation(WorldLocation{location[0], location[1], location[2]});
    detonation.setDetonationResultCode(static_cast<uint8_t>(result));
    detonation.setFinalVelocityVector(toVector(velocity));
    detonation.setFuseType(static_cast<uint16_t>(fuse));
    if (hasRelative) detonation.setRelativeDetonationLocation(toVector(relative));
    if (hasTarget) detonation.setTargetObjectIdentifier(options.get("target").c_str());
    detonation.setWarheadType(static_cast<uint16_t>(warhead));
    const std::string firer = options.get("firer", session.settings().federate);
    detonation.setEventIdentifier(static_cast<uint16_t>(event), firer);
    detonation.setFiringObjectIdentifier(firer);
    detonation.setMunitionType(munition);
    detonation.setQuantityFired(static_cast<uint16_t>(quantity));
    detonation.setRateOfFire(static_cast<uint16_t>(rate));
    // A sent location is logged under the send's own tag.
    if (!session.publishAndSend(detonation, "MunitionDetonation")) return kExitFailure;
    printf("SENT MunitionDetonation target=%s relative=%s location=%s result=%u fuse=%u warhead=%u velocity=%s"
           " event=%u firer=%s munition=%u:%u:%u:%u:%u:%u:%u quantity=%u rate=%u\n",
           hasTarget ? options.get("target").c_str() : "-",
           hasRelative ? triple(relative[0], relative[1], relative[2], 3).c_str() : "-",
           hasLocation ? triple(location[0], location[1], location[2], 3).c_str() : "-",
           static_cast<unsigned>(result), static_cast<unsigned>(fuse), static_cast<unsigned>(warhead),
           triple(velocity[0], velocity[1], velocity[2], 3).c_str(), static_cast<unsigned>(event), firer.c_str(),
           munition.kind, munition.domain, munition.country, munition.category, munition.subcategory,
           munition.specific, munition.extra, static_cast<unsigned>(quantity), static_cast<unsigned>(rate));
    fflush(stdout);

    // Give the RTI a moment to pass it on before leaving.
    if (!session.wait(0.2)) return kExitFailure;
    return session.resign() ? kExitOk : kExitFailure;
}

}  // namespace volaxfed
