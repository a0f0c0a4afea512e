// volax-fed monitor: subscribes to aircraft (or, with --all, every physical
// entity) and reports what the federation shows of them, one parseable line per event.

#include <RTI.hh>

#include <cmath>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "ArgParse.h"
#include "Commands.h"
#include "CommonOptions.h"
#include "DisPeer.h"
#include "FederateSession.h"
#include "GroundTrack.h"
#include "KmlTrackWriter.h"
#include "QVCoordConv.h"
#include "QVHLAAircraftObject.h"
#include "QVHLAManager.h"
#include "QVHLAPhysicalEntityObject.h"
#include "VerticalDatumOption.h"

namespace volaxfed {

const char* const kMonitorHelp =
    "usage: volax-fed monitor [options]\n"
    "Joins the federation, subscribes to BaseEntity.PhysicalEntity.Platform.Aircraft, asks the\n"
    "owners for current values and prints, one line each:\n"
    "  JOINED federation=F federate=N\n"
    "  DISCOVER name=N handle=H\n"
    "  UPDATE name=N handle=H id=SITE:APP:NUM type=K:D:C:CAT:SUB:SPECIFIC:EXTRA force=F\n"
    "         lat=DEG lon=DEG h=M msl=M gs=M/S hdg=DEG vs=M/S frozen=0|1 damage=STATE marking=TEXT\n"
    "         ('-' where unknown; the marking, the call sign, runs to the end of the line)\n"
    "  REMOVE name=N handle=H updates=COUNT\n"
    "  END aircraft=COUNT updates=COUNT\n"
    "Positions come from the Spatial world location (geocentric, converted in double precision);\n"
    "h is above the WGS 84 ellipsoid, msl above mean sea level (see --vertical-datum).\n"
    "ground speed, heading and vertical speed from its velocity in the local east/north/up frame.\n"
    "Options:\n"
    "  --duration SECONDS  stop after that long (default: until Ctrl-C / SIGTERM)\n"
    "  --track FILE.kml    write each aircraft's track as KML (rewritten every second and at exit),\n"
    "                      each named by its marking (else its instance name) and damage state;\n"
    "                      altitudes above mean sea level, as KML's absolute altitude is\n"
    "  --every N           print only every Nth UPDATE of each aircraft (default 1)\n"
    "  --quiet             print no UPDATE lines\n"
    "  --all               follow every physical entity (BaseEntity.PhysicalEntity: vehicles,\n"
    "                      ships, people and munitions too), not only aircraft; END counts\n"
    "                      them all as aircraft=COUNT\n"
    "The federate name defaults to volax-monitor.\n";

namespace {

class Monitor;

// What the monitor keeps of each remote object, whichever class it is.
struct MonitorRecord {
    virtual ~MonitorRecord() = default;
    bool announced = false;
    unsigned long updates = 0;
};

// The values of one reflection as either class holds them; null where unknown.
struct Seen {
    const QVHLARootObject* object = nullptr;
    const EntityIdentifier* id = nullptr;
    const EntityType* type = nullptr;
    const ForceIdentifier* force = nullptr;
    const Spatial* spatial = nullptr;
    bool spatialFresh = false;
    const Marking* marking = nullptr;
    const DamageState* damage = nullptr;
};

// The local picture of one remote aircraft; the manager's remote registry
// owns it once discovered, and deletes it when the RTI removes the instance.
// The monitor walks that registry rather than keeping a list of its own.
class MonitoredAircraft : public QVHLAAircraftObject, public MonitorRecord {
public:
    explicit MonitoredAircraft(Monitor* monitor) : monitor_(monitor) {}
    ~MonitoredAircraft() override;
    QVHLARootObject* newInstance() override { return new MonitoredAircraft(monitor_); }
    void attributesReflected() override;

private:
    Monitor* monitor_;
};

// The same for any physical entity (--all).
class MonitoredEntity : public QVHLAPhysicalEntityObject, public MonitorRecord {
public:
    explicit MonitoredEntity(Monitor* monitor)
        : QVHLAPhysicalEntityObject(PHYSICAL_ENTITY_CLASS), monitor_(monitor) {}
    ~MonitoredEntity() override;
    QVHLARootObject* newInstance() override { return new MonitoredEntity(monitor_); }
    void attributesReflected() override;

private:
    Monitor* monitor_;
};

class Monitor {
public:
    Monitor(const std::string& trackPath, unsigned long every, bool quiet, QVCoordConv::VerticalDatum datum)
        : trackPath_(trackPath), every_(every), quiet_(quiet), datum_(datum), kml_("VOLAX aircraft tracks") {}

    void destroyed(QVHLARootObject& object, MonitorRecord& record);
    void reflected(MonitorRecord& record, const Seen& seen);
    void announcePending(const QVHLAManager& manager);
    // Writes the KML when due (force: now, whenever anything changed).
    bool flushTrack(bool force);
    // Deletes the aircraft still known, without reporting them as removed.
    void dropAll(const QVHLAManager& manager);

    unsigned long aircraftSeen() const { return aircraftSeen_; }
    unsigned long updates() const { return totalUpdates_; }

private:
    void announce(const QVHLARootObject& object, MonitorRecord& record);

    std::string trackPath_;
    unsigned long every_;
    bool quiet_;
    QVCoordConv::VerticalDatum datum_;  // of msl= and the KML
    KmlTrackWriter kml_;
    bool quietShutdown_ = false;
    bool trackErrorShown_ = false;
    double lastTrackWrite_ = 0;
    unsigned long aircraftSeen_ = 0;
    unsigned long totalUpdates_ = 0;
};

MonitoredAircraft::~MonitoredAircraft() {
    if (monitor_) monitor_->destroyed(*this, *this);
}

void MonitoredAircraft::attributesReflected() {
    if (!monitor_) return;
    Seen seen;
    seen.object = this;
    if (isEntityIdentifierValid()) seen.id = &getEntityIdentifier();
    if (isEntityTypeValid()) seen.type = &getEntityType();
    if (isForceIdentifierValid()) seen.force = &forceIdentifier;
    if (hasSpatial()) {
        seen.spatialFresh = isSpatialPending();
        seen.spatial = &takeSpatial();
    }
    if (isMarkingValid()) seen.marking = &getMarking();
    if (isDamageStateValid()) seen.damage = &damageState;
    monitor_->reflected(*this, seen);
}

MonitoredEntity::~MonitoredEntity() {
    if (monitor_) monitor_->destroyed(*this, *this);
}

void MonitoredEntity::attributesReflected() {
    if (!monitor_) return;
    Seen seen;
    seen.object = this;
    if (isValid(ENTITY_IDENTIFIER)) seen.id = &entityIdentifier;
    if (isValid(ENTITY_TYPE)) seen.type = &entityType;
    if (isValid(FORCE_IDENTIFIER)) seen.force = &forceIdentifier;
    if (isValid(SPATIAL)) {
        seen.spatialFresh = isPending(SPATIAL);
        seen.spatial = &spatial;
    }
    if (isValid(MARKING)) seen.marking = &marking;
    if (isValid(DAMAGE_STATE)) seen.damage = &damageState;
    clearPending();
    monitor_->reflected(*this, seen);
}

void Monitor::announce(const QVHLARootObject& object, MonitorRecord& record) {
    record.announced = true;
    ++aircraftSeen_;
    printf("DISCOVER name=%s handle=%lu\n", object.getInstanceName().c_str(),
           static_cast<unsigned long>(object.getInstanceHandle()));
}

void Monitor::announcePending(const QVHLAManager& manager) {
    for (const auto& entry : manager.getRemoteObjects()) {
        auto* record = dynamic_cast<MonitorRecord*>(entry.second);
        if (record && !record->announced) announce(*entry.second, *record);
    }
}

void Monitor::destroyed(QVHLARootObject& object, MonitorRecord& record) {
    if (quietShutdown_ || !object.isRemote()) return;  // the template, or the end of the run
    if (!record.announced) announce(object, record);
    printf("REMOVE name=%s handle=%lu updates=%lu\n", object.getInstanceName().c_str(),
           static_cast<unsigned long>(object.getInstanceHandle()), record.updates);
}

void Monitor::dropAll(const QVHLAManager& manager) {
    quietShutdown_ = true;
    // Each destructor takes its entry out of the registry: walk a copy.
    std::vector<QVHLARootObject*> remote;
    for (const auto& entry : manager.getRemoteObjects()) remote.push_back(entry.second);
    for (QVHLARootObject* object : remote) delete object;
}

void Monitor::reflected(MonitorRecord& record, const Seen& seen) {
    const QVHLARootObject& a = *seen.object;
    if (!record.announced) announce(a, record);
    ++record.updates;
    ++totalUpdates_;

    char id[64] = "-", type[96] = "-", force[16] = "-";
    if (seen.id) {
        const EntityIdentifier& e = *seen.id;
        snprintf(id, sizeof id, "%u:%u:%u", e.site, e.application, e.entityNumber);
    }
    if (seen.type) {
        const EntityType& t = *seen.type;
        snprintf(type, sizeof type, "%u:%u:%u:%u:%u:%u:%u", t.kind, t.domain, t.country, t.category,
                 t.subcategory, t.specific, t.extra);
    }
    if (seen.force) snprintf(force, sizeof force, "%u", *seen.force);

    std::string where = "lat=- lon=- h=- msl=- gs=- hdg=- vs=- frozen=-";
    if (seen.spatial) {
        Place place;
        if (placeOf(*seen.spatial, datum_, &place) && seen.spatialFresh && !trackPath_.empty())
            kml_.addPoint(a.getInstanceName(), place.lat, place.lon, place.msl);
        where = place.text;
    }
    const std::string marking = seen.marking ? markingText(*seen.marking) : std::string();
    const char* damage = seen.damage ? damageStateName(*seen.damage) : "-";
    if (!trackPath_.empty()) {
        kml_.setDescription(a.getInstanceName(), "name=" + a.getInstanceName() + " id=" + id + " type=" + type +
                                                     " force=" + force + " damage=" + damage);
        std::string label = marking.empty() ? a.getInstanceName() : marking;
        if (seen.damage) label += std::string(" [") + damage + "]";
        kml_.setLabel(a.getInstanceName(), label);
    }

    if (quiet_ || (record.updates - 1) % every_ != 0) return;
    printf("UPDATE name=%s handle=%lu id=%s type=%s force=%s %s damage=%s marking=%s\n", a.getInstanceName().c_str(),
           static_cast<unsigned long>(a.getInstanceHandle()), id, type, force, where.c_str(), damage,
           seen.marking ? marking.c_str() : "-");
}

bool Monitor::flushTrack(bool force) {
    if (trackPath_.empty()) return true;
    const double now = monotonicSeconds();
    if (!force && (now - lastTrackWrite_ < 1.0 || !kml_.dirty())) return true;
    lastTrackWrite_ = now;
    std::string error;
    if (kml_.writeFile(trackPath_, &error)) return true;
    if (!trackErrorShown_ || force) fail(error);  // once while running, again at exit
    trackErrorShown_ = true;
    return false;
}

}  // namespace

int runMonitor(int argc, char** argv) {
    Options options = makeOptions({"duration", "track", "every", "vertical-datum"}, {"quiet", "all"});
    int status;
    std::string help = kMonitorHelp;
    help.insert(help.find("The federate name"), kVerticalDatumHelp);
    if (!parseCommandLine(options, argc, argv, help.c_str(), &status)) return status;

    double duration = -1;
    uint64_t every = 1;
    std::string error;
    auto usage = [](const std::string& text) { return usageError("monitor", text); };
    if (options.has("duration") && !parseNumber(options.get("duration"), 0, 1e9, &duration, &error))
        return usage("--duration: " + error);
    if (options.has("every") && !parseUnsigned(options.get("every"), 1, 1000000000, &every, &error))
        return usage("--every: " + error);
    const std::string trackPath = options.get("track");
    if (options.has("track") && trackPath.empty()) return usage("--track needs a file name");

    QVCoordConv::VerticalDatum datum;
    if (!verticalDatumOption(options, &datum, &error)) return usage(error);

    installStopHandlers();
    if (options.has("dis")) {
        DisPeer peer;
        bool usageFault = false;
        if (!peer.open(options, &error, &usageFault)) return usageFault ? usage(error) : (fail(error), kExitFailure);
        return monitorOnDis(peer, duration, trackPath, every, options.has("quiet"), options.has("all"), datum);
    }
    Monitor monitor(trackPath, every, options.has("quiet"), datum);
    // Fail early on an unwritable track file rather than after the flight.
    if (!monitor.flushTrack(true)) return kExitFailure;

    FederateSession session(commonSettings(options, "volax-monitor"));
    if (!session.join()) return kExitFailure;
    QVHLAManager& manager = session.manager();

    // One template at the class subscribed: every subclass's instances are discovered as it.
    const bool all = options.has("all");
    RTI::ObjectClassHandle subscribed = 0;
    std::unique_ptr<RTI::AttributeHandleSet> attrs(RTI::AttributeHandleSetFactory::create(6));
    if (all) {
        auto* prototype = new MonitoredEntity(&monitor);
        if (!prototype->getHandles() || !prototype->subscribe()) {
            fail("cannot subscribe to physical entities: " +
                 session.reason("QVHLAPhysicalEntityObject::getHandles",
                                session.reason("QVHLAPhysicalEntityObject::subscribe()", "the RTI refused")));
            delete prototype;
            return kExitFailure;
        }
        subscribed = prototype->getClassHandle();
        const QVHLAPhysicalEntityObject::Handles* h =
            QVHLAPhysicalEntityObject::findHandles(QVHLAPhysicalEntityObject::PHYSICAL_ENTITY_CLASS);
        for (RTI::AttributeHandle a : h->attribute) attrs->add(a);
        if (!manager.registerObjectTemplate(subscribed, prototype)) {
            delete prototype;
            fail("cannot register the entity template");
            return kExitFailure;
        }
    } else {
        auto* prototype = new MonitoredAircraft(&monitor);
        if (!prototype->getHandles() || !prototype->subscribe()) {
            fail("cannot subscribe to aircraft: " +
                 session.reason("QVHLAAircraftObject::getHandles",
                                session.reason("QVHLAAircraftObject::subscribe", "the RTI refused")));
            delete prototype;
            return kExitFailure;
        }
        subscribed = QVHLAAircraftObject::classHandle;
        attrs->add(QVHLAAircraftObject::entityIdentifierHandle);
        attrs->add(QVHLAAircraftObject::entityTypeHandle);
        attrs->add(QVHLAAircraftObject::spatialHandle);
        attrs->add(QVHLAAircraftObject::forceIdentifierHandle);
        attrs->add(QVHLAAircraftObject::markingHandle);
        attrs->add(QVHLAAircraftObject::damageStateHandle);
        if (!manager.registerObjectTemplate(subscribed, prototype)) {
            delete prototype;
            fail("cannot register the aircraft template");
            return kExitFailure;
        }
    }

    // Owners answer with their current values at their next update.
    try {
        manager.getRTIAmbassador().requestClassAttributeValueUpdate(subscribed, *attrs);
    } catch (RTI::Exception& e) {
        fail(std::string("cannot request current values: ") + (e._reason ? e._reason : "RTI error"));
    }

    printf("JOINED federation=%s federate=%s\n", session.settings().federation.c_str(),
           session.settings().federate.c_str());

    int result = kExitOk;
    const double end = duration < 0 ? HUGE_VAL : monotonicSeconds() + duration;
    while (!stopRequested) {
        const double left = end - monotonicSeconds();
        if (left <= 0) break;
        if (!session.wait(left < 0.25 ? left : 0.25)) {
            result = kExitFailure;
            break;
        }
        monitor.announcePending(manager);
        monitor.flushTrack(false);
        fflush(stdout);
    }

    // The aircraft still known are not removals: drop them quietly before the resign,
    // which would delete them as the federation's objects.
    monitor.dropAll(manager);
    if (!session.resign()) result = kExitFailure;
    manager.registerObjectTemplate(subscribed, nullptr);
    if (!monitor.flushTrack(true)) result = kExitFailure;
    printf("END aircraft=%lu updates=%lu\n", monitor.aircraftSeen(), monitor.updates());
    fflush(stdout);
    return result;
}

}  // namespace volaxfed
