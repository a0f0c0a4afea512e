#include "TrafficFeed.h"

#include <chrono>
#include <cstring>
#include <vector>

#include "PluginState.h"
#include "QVHLAManager.h"
#include "QVHLAPhysicalEntityObject.h"
#include "XPLMUtilities.h"

namespace volax {

namespace {

traffic::TrafficPicture picture;
bool active = false;
RTI::ObjectClassHandle templateClass = 0;
std::size_t liveEntities = 0;
bool refusing = false;  // discoveries are being refused: said once
bool disFeeding = false;

// Both networks' entities live under one set of limits.
void configurePicture() {
    traffic::TrafficLimits limits;
    limits.maxEntities = settings.maxEntities;
    limits.entityTimeout = settings.entityTimeout;
    picture.setLimits(limits);
    picture.setTraceStream(traceStream);
}

// A remote physical entity: every reflection goes on to the picture.
class TrafficEntityObject : public QVHLAPhysicalEntityObject {
public:
    explicit TrafficEntityObject(const std::string& name, bool counted)
        : QVHLAPhysicalEntityObject(name.c_str()), counted_(counted) {
        if (counted_) ++liveEntities;
    }

    ~TrafficEntityObject() override {
        if (!counted_) return;
        --liveEntities;
        if (remote) picture.remove(instanceHandle);
    }

    QVHLARootObject* newInstance() override {
        if (liveEntities >= picture.limits().capacity) {
            if (!refusing) {
                trace("Traffic: %zu remote entities held, further discoveries ignored\n", liveEntities);
                refusing = true;
            }
            return nullptr;
        }
        refusing = false;
        return new TrafficEntityObject(className, true);
    }

    void attributesReflected() override {
        // Runs inside an RTI callback: nothing may escape.
        try {
            traffic::EntityUpdate u;
            u.hasEntityIdentifier = isValid(ENTITY_IDENTIFIER);
            u.entityIdentifier = entityIdentifier;
            u.hasEntityType = isValid(ENTITY_TYPE);
            u.entityType = entityType;
            // Only a newly reflected Spatial is a new update: an old one would restart dead reckoning.
            u.hasSpatial = isPending(SPATIAL);
            u.spatial = spatial;
            u.hasForceIdentifier = isValid(FORCE_IDENTIFIER);
            u.forceIdentifier = forceIdentifier;
            u.hasMarking = isValid(MARKING);
            u.markingEncoding = marking.encoding;
            std::memcpy(u.marking, marking.characters, sizeof u.marking);
            u.hasDamageState = isValid(DAMAGE_STATE);
            u.damageState = damageState;
            // A plausible absolute time stamp places the state when it held.
            rpr::TimeStamp stamp;
            if (!getTimeStamp(stamp) || !rpr::plausibleAge(stamp, rpr::utcSecondsPastHour(), u.age)) u.age = 0;
            clearPending();
            picture.reflect(instanceHandle, u, trafficClock());
        } catch (...) {
            trace("Traffic: reflection of entity %lu not taken\n", static_cast<unsigned long>(instanceHandle));
        }
    }

private:
    bool counted_;  // remote objects are; the template is not
};

// Remote entities outlive a resign in the manager's registry; the feed's go with it.
void deleteRemoteEntities() {
    std::vector<QVHLARootObject*> doomed;
    for (const auto& entry : QVHLAManager::getInstance()->getRemoteObjects())
        if (dynamic_cast<TrafficEntityObject*>(entry.second)) doomed.push_back(entry.second);
    for (QVHLARootObject* object : doomed) delete object;
}

}  // namespace

traffic::TrafficPicture& trafficPicture() { return picture; }
bool trafficActive() { return active || disFeeding; }

double trafficClock() {
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

void startTrafficFeed() {
    stopTrafficFeed();
    if (settings.traffic == 0) {
        trace("Traffic: off (TRAFFIC 0)\n");
        return;
    }
    configurePicture();

    TrafficEntityObject* prototype =
        new TrafficEntityObject(QVHLAPhysicalEntityObject::PHYSICAL_ENTITY_CLASS, false);
    QVHLAManager* manager = QVHLAManager::getInstance();
    if (!prototype->getHandles() || !prototype->subscribe() ||
        !manager->registerObjectTemplate(prototype->getClassHandle(), prototype)) {
        delete prototype;
        XPLMDebugString("VOLAX could not subscribe to the federation's entities: no traffic is shown\n");
        trace("Traffic: subscription failed\n");
        return;
    }
    templateClass = prototype->getClassHandle();
    active = true;
    trace("Traffic: subscribed to %s\n", QVHLAPhysicalEntityObject::PHYSICAL_ENTITY_CLASS);
}

void stopTrafficFeed() {
    if (active) {
        QVHLAManager* manager = QVHLAManager::getInstance();
        manager->registerObjectTemplate(templateClass, nullptr);
        deleteRemoteEntities();
    }
    active = false;
    refusing = false;
    if (disFeeding) return;
    picture.clear();
    picture.setTraceStream(nullptr);  // the trace file may be closed next
}

void startDisTraffic() {
    if (settings.traffic == 0) return;
    if (!active) configurePicture();
    disFeeding = true;
}

void stopDisTraffic() {
    disFeeding = false;
    if (active) return;
    picture.clear();
    picture.setTraceStream(nullptr);
}

}  // namespace volax
