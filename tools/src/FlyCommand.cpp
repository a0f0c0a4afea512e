// volax-fed fly: publishes synthetic entities moving on circles or straight legs.

#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "ArgParse.h"
#include "Commands.h"
#include "CommonOptions.h"
#include "DisPeer.h"
#include "FederateSession.h"
#include "FlyPlan.h"
#include "QVHLAManager.h"
#include "QVHLAPhysicalEntityObject.h"
#include "VerticalDatumOption.h"

namespace volaxfed {

const char* const kFlyHelp =
    "usage: volax-fed fly --around LAT,LON,H [options]\n"
    "Registers synthetic physical entities and sends their true state, dead-reckonable\n"
    "with the chosen algorithm, until --duration ends or SIGINT/SIGTERM; the entities\n"
    "are deleted on the way out. Each moves in the tangent plane at its height: on a\n"
    "circle (clockwise, banked if airborne) or back and forth on a straight leg through\n"
    "the centre, turning at the ends (a state goes out at once then). Prints\n"
    "  REGISTERED name=N id=S:A:E class=C marking=M\n"
    "per entity and FLOWN entities=N updates=U at the end.\n"
    "Options:\n"
    "  --around LAT,LON,H  centre: latitude, longitude (degrees), height above mean sea level\n"
    "                      (metres; see --vertical-datum); air entities are stacked 150 m apart\n"
    "                      above it\n"
    "  --radius M          largest circle or half leg, metres (default 2000); entities are\n"
    "                      spread from 40 % of it outwards\n"
    "  --count N           number of entities, 1..5000 (default 1)\n"
    "  --type K:D:C:CAT:SUB:SPECIFIC:EXTRA  EntityType (default 1:2:225:1:1:0:0, an aircraft);\n"
    "                      the class registered follows kind and domain\n"
    "  --path circle|line  motion (default circle)\n"
    "  --speed M/S         speed (default 120 for air, 15 otherwise)\n"
    "  --algorithm N       dead-reckoning algorithm 1..9 (default 4, RVW)\n"
    "  --rate HZ           updates per second, 0.1..100 (default 1)\n"
    "  --marking PREFIX    Marking: PREFIX and the entity's number, at most 11 characters\n"
    "                      (default FLY)\n"
    "  --site N, --application N  EntityIdentifier site and application (default 1, 200);\n"
    "                      entity numbers count from 1\n"
    "  --duration S        seconds to fly, 0 for until interrupted (default 0)\n"
    "The federate name defaults to volax-fly.\n";

namespace {

class FlyingEntity : public QVHLAPhysicalEntityObject {
public:
    explicit FlyingEntity(const char* className) : QVHLAPhysicalEntityObject(className) {}
    QVHLARootObject* newInstance() override { return nullptr; }  // publishes only
};

}  // namespace

int runFly(int argc, char** argv) {
    Options options = makeOptions({"around", "radius", "count", "type", "path", "speed", "algorithm", "rate",
                                   "marking", "site", "application", "duration", "vertical-datum"},
                                  {});
    int status;
    std::string help = kFlyHelp;
    help.insert(help.find("The federate name"), kVerticalDatumHelp);
    if (!parseCommandLine(options, argc, argv, help.c_str(), &status)) return status;
    auto usage = [](const std::string& text) { return usageError("fly", text); };

    FlyRequest request;
    std::string error;
    if (!options.has("around")) return usage("--around is needed: the centre to fly around");
    double around[3];
    if (!parseTriple(options.get("around"), around, &error)) return usage("--around: " + error);
    request.latitude = around[0];
    request.longitude = around[1];
    request.height = around[2];
    if (request.latitude < -90 || request.latitude > 90 || request.longitude < -180 || request.longitude > 180)
        return usage("--around: latitude must be within -90..90 and longitude within -180..180 degrees");
    QVCoordConv::VerticalDatum datum;
    if (!verticalDatumOption(options, &datum, &error)) return usage(error);
    // The tracks fly at ellipsoid heights.
    double separation = 0;
    if (datum == QVCoordConv::VerticalDatum::EGM96 &&
        QVCoordConv::geoidSeparation(request.latitude, request.longitude, separation))
        request.height += separation;
    uint64_t n;
    if (options.has("count")) {
        if (!parseUnsigned(options.get("count"), 1, kMaxFlyCount, &n, &error)) return usage("--count: " + error);
        request.count = static_cast<int>(n);
    }
    if (options.has("radius") && !parseNumber(options.get("radius"), 1, 1e6, &request.radius, &error))
        return usage("--radius: " + error);
    if (options.has("type") && !parseEntityType(options.get("type"), &request.type, &error))
        return usage("--type: " + error);
    if (options.has("path")) {
        const std::string path = options.get("path");
        if (path != "circle" && path != "line") return usage("--path: '" + path + "' is not circle or line");
        request.circle = path == "circle";
    }
    request.speed = request.type.kind == 1 && request.type.domain == 2 ? 120 : 15;
    if (options.has("speed") && !parseNumber(options.get("speed"), 0.1, 10000, &request.speed, &error))
        return usage("--speed: " + error);
    if (options.has("algorithm")) {
        if (!parseUnsigned(options.get("algorithm"), 1, 9, &n, &error)) return usage("--algorithm: " + error);
        request.algorithm = static_cast<DeadReckoningAlgorithm>(n);
    }
    double rate = 1;
    if (options.has("rate") && !parseNumber(options.get("rate"), 0.1, 100, &rate, &error))
        return usage("--rate: " + error);
    if (options.has("marking")) request.markingPrefix = options.get("marking");
    if (options.has("site")) {
        if (!parseUnsigned(options.get("site"), 0, 65535, &n, &error)) return usage("--site: " + error);
        request.site = static_cast<uint16_t>(n);
    }
    if (options.has("application")) {
        if (!parseUnsigned(options.get("application"), 0, 65535, &n, &error)) return usage("--application: " + error);
        request.application = static_cast<uint16_t>(n);
    }
    double duration = 0;
    if (options.has("duration") && !parseNumber(options.get("duration"), 0, 1e7, &duration, &error))
        return usage("--duration: " + error);

    std::vector<FlyPlanEntry> plan;
    if (!makeFlyPlan(request, plan, &error)) return usage(error);

    installStopHandlers();
    if (options.has("dis")) {
        DisPeer peer;
        bool usageFault = false;
        if (!peer.open(options, &error, &usageFault)) return usageFault ? usage(error) : (fail(error), kExitFailure);
        return flyOnDis(peer, request, plan, rate, duration);
    }
    FederateSession session(commonSettings(options, "volax-fly"));
    if (!session.join()) return kExitFailure;

    const char* className = QVHLAPhysicalEntityObject::classNameFor(request.type);
    {
        FlyingEntity publisher(className);
        if (!publisher.getHandles() || !publisher.publish()) {
            fail(std::string("cannot publish ") + className + ": " +
                 session.reason("QVHLAPhysicalEntityObject::publish()", "the RTI refused"));
            return kExitFailure;
        }
    }
    std::vector<std::unique_ptr<FlyingEntity>> entities;
    for (const FlyPlanEntry& entry : plan) {
        std::unique_ptr<FlyingEntity> e(new FlyingEntity(className));
        if (!e->registerObjectInstance(nullptr)) {
            fail("cannot register entity " + std::to_string(entry.identifier.entityNumber) + ": " +
                 session.reason("QVHLARootObject::registerObjectInstance", "the RTI refused"));
            return kExitFailure;
        }
        e->setEntityIdentifier(entry.identifier);
        e->setEntityType(request.type);
        e->setForceIdentifier(1);
        e->setMarking(entry.marking);
        e->setDamageState(DAMAGE_NO_DAMAGE);
        printf("REGISTERED name=%s id=%u:%u:%u class=%s marking=%s\n", e->getInstanceName().c_str(),
               entry.identifier.site, entry.identifier.application, entry.identifier.entityNumber, className,
               markingText(entry.marking).c_str());
        entities.push_back(std::move(e));
    }
    fflush(stdout);

    const long updates = flyPlan(
        plan, rate, duration, stopRequested,
        [&](std::size_t i, const Spatial& state) {
            entities[i]->setSpatial(state);
            entities[i]->requestAllAttributes();
            return true;
        },
        [&](double seconds) {
            session.manager().tick();
            return session.wait(seconds);
        });
    if (updates < 0) return kExitFailure;
    entities.clear();  // deletes the instances
    if (!session.wait(0.2)) return kExitFailure;
    printf("FLOWN entities=%zu updates=%ld\n", plan.size(), updates);
    fflush(stdout);
    return session.resign() ? kExitOk : kExitFailure;
}

}  // namespace volaxfed
