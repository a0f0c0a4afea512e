#include "DisNetwork.h"

#include <chrono>
#include <cmath>
#include <cstring>
#include <string>

#include "DisEndpoint.h"
#include "DisPdu.h"
#include "PluginState.h"
#include "TimeStamp.h"
#include "TrafficFeed.h"
#include "XPLMUtilities.h"
#include "XPMunitionDetonationInteraction.h"
#include "XPStartResumeInteraction.h"

namespace volax {

namespace {

// DIS entities' keys in the traffic picture: apart from the RTI's object handles.
constexpr traffic::EntityKey kDisKeys = traffic::EntityKey(1) << 63;
constexpr uint8_t kDisNetwork = 1;  // EntityUpdate::network
constexpr float kDisHeartbeat = 5.0f;
constexpr uint32_t kDeactivated = 1u << 23;

struct Publisher {
    bool sent = false;
    double lastSent = 0;
    dis::EntityStatePdu last;
};

dis::DisEndpoint endpoint;
Publisher publisher;
// One trace line per kind of refusal a session.
bool said[8] = {};
bool saidOtherExercise = false;

double now() {
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

// Absolute, from the system clock, as the HLA side stamps its updates.
uint32_t timestampNow() { return rpr::makeTimeStamp(rpr::utcSecondsPastHour(), true).value; }

EntityIdentifier ownIdentifier() { return {settings.siteId, settings.applicationId, ownshipEntityNumber(true)}; }

bool same(const EntityIdentifier& a, const EntityIdentifier& b) {
    return a.site == b.site && a.application == b.application && a.entityNumber == b.entityNumber;
}

void refuse(dis::Decode why) {
    const int n = static_cast<int>(why);
    if (n < 0 || n >= 8 || said[n]) return;
    said[n] = true;
    trace("DIS: datagram ignored (%s); further ones like it are not traced\n", dis::decodeName(why));
}

void entityState(const dis::EntityStatePdu& e, uint32_t timestamp) {
    if (same(e.entityIdentifier, ownIdentifier())) return;  // our own, looped back
    if (!trafficActive()) return;
    const EntityIdentifier& id = e.entityIdentifier;
    const traffic::EntityKey key =
        kDisKeys | uint64_t(id.site) << 32 | uint64_t(id.application) << 16 | id.entityNumber;
    traffic::TrafficPicture& picture = trafficPicture();
    if (e.appearance & kDeactivated) {
        picture.remove(key);
        return;
    }
    traffic::EntityUpdate u;
    u.network = kDisNetwork;
    u.hasEntityIdentifier = true;
    u.entityIdentifier = id;
    u.hasEntityType = true;
    u.entityType = e.entityType;
    u.hasForceIdentifier = true;
    u.forceIdentifier = e.force;
    u.hasMarking = true;
    u.markingEncoding = e.marking.encoding;
    std::memcpy(u.marking, e.marking.characters, sizeof u.marking);
    u.hasDamageState = true;
    u.damageState = dis::appearanceDamage(e.appearance);
    u.hasSpatial = true;
    u.spatial = dis::spatialOf(e);
    // A plausible absolute time stamp places the state when it held.
    rpr::TimeStamp stamp;
    stamp.value = timestamp;
    if (!rpr::plausibleAge(stamp, rpr::utcSecondsPastHour(), u.age)) u.age = 0;
    picture.reflect(key, u, trafficClock());
}

void detonation(const dis::DetonationPdu& d) {
    DetonationReport r;
    r.hasResult = true;
    r.result = d.result;
    r.namesOwnship = same(d.target, ownIdentifier());
    r.hasRelative = true;
    r.relative = d.relativeLocation;
    r.hasLocation = true;
    r.location = d.location;
    trace("DIS: detonation from %u:%u:%u at %u:%u:%u\n", d.firing.site, d.firing.application,
          d.firing.entityNumber, d.target.site, d.target.application, d.target.entityNumber);
    applyDetonation(r, publisher.sent ? &publisher.last.location : nullptr);
}

void receive(const uint8_t* data, std::size_t length) {
    static dis::Pdu pdu;  // 300 bytes: not on the stack of every datagram
    const dis::Decode result = dis::decodePdu(data, length, pdu);
    if (result == dis::Decode::Ignored) return;  // other PDUs are other applications' business
    if (result != dis::Decode::Ok) {
        refuse(result);
        return;
    }
    if (pdu.header.exercise != settings.disExercise) {
        if (!saidOtherExercise)
            trace("DIS: PDUs of exercise %u ignored (ours is %u)\n", pdu.header.exercise, settings.disExercise);
        saidOtherExercise = true;
        return;
    }
    switch (pdu.header.type) {
    case dis::PDU_ENTITY_STATE: entityState(pdu.entityState, pdu.header.timestamp); break;
    case dis::PDU_DETONATION: detonation(pdu.detonation); break;
    case dis::PDU_START_RESUME:
        trace("DIS: Start/Resume for %u:%u\n", pdu.startResume.receiving.site, pdu.startResume.receiving.application);
        applyStartResume(&pdu.startResume.receiving, &pdu.startResume.simulationTime);
        break;
    default: break;
    }
}

}  // namespace

bool disEnabled() { return (settings.network & kNetworkDis) != 0; }
bool disActive() { return endpoint.isOpen(); }

bool startDis() {
    if (endpoint.isOpen()) return true;
    if (!disEnabled()) return false;
    if (settings.disAddress.empty()) {
        XPLMDebugString("VOLAX: DIS is on (NETWORK) but volax.ini names no DISADDRESS: DIS stays off\n");
        return false;
    }
    dis::DisAddress where;
    std::string error;
    if (!dis::parseDisAddress(settings.disAddress, where, error) || !endpoint.open(where, error)) {
        const std::string line = "VOLAX: DIS stays off: DISADDRESS " + settings.disAddress + ": " + error + "\n";
        XPLMDebugString(line.c_str());
        return false;
    }
    publisher = Publisher();
    std::memset(said, 0, sizeof said);
    saidOtherExercise = false;
    trace("DIS: exercise %u on %s (version %u sends)%s%s\n", settings.disExercise, settings.disAddress.c_str(),
          settings.disVersion, endpoint.multicasting() ? ", group joined" : "",
          endpoint.broadcasting() ? ", broadcasting" : "");
    startDisTraffic();
    return true;
}

void stopDis() {
    if (!endpoint.isOpen()) return;
    if (publisher.sent) {
        dis::PduHeader h;
        h.version = settings.disVersion;
        h.exercise = settings.disExercise;
        h.timestamp = timestampNow();
        publisher.last.appearance |= kDeactivated;
        uint8_t buffer[dis::ENTITY_STATE_SIZE];
        endpoint.send(buffer, dis::encodeEntityState(h, publisher.last, buffer, sizeof buffer));
    }
    endpoint.close();
    stopDisTraffic();
    trace("DIS: stopped\n");
}

void receiveDis() {
    if (!endpoint.isOpen()) return;
    endpoint.receive(receive, kMaxPdusPerTick);
}

void publishOwnshipOnDis(const OwnshipState& state) {
    if (!endpoint.isOpen() || !state.hasSpatial) return;
    dis::EntityStatePdu e;
    e.entityIdentifier = ownIdentifier();
    e.force = state.forceIdentifier;
    e.entityType = state.entityType;
    e.alternativeType = state.entityType;
    e.appearance = dis::platformAppearance(state.damageState, state.frozen);
    dis::setSpatial(e, state.spatial);
    e.marking = state.marking;

    const double t = now();
    const float heartbeat = settings.heartbeat > 0 ? settings.heartbeat : kDisHeartbeat;
    const Vector3f& v = state.spatial.velocity;
    const bool moving = !state.frozen && (v.x != 0 || v.y != 0 || v.z != 0 ||
                                          std::memcmp(&e.location, &publisher.last.location, sizeof e.location) != 0 ||
                                          std::memcmp(&e.orientation, &publisher.last.orientation,
                                                      sizeof e.orientation) != 0);
    const bool changed = !publisher.sent || e.appearance != publisher.last.appearance ||
                         std::memcmp(&e.entityType, &publisher.last.entityType, sizeof e.entityType) != 0 ||
                         std::memcmp(&e.marking, &publisher.last.marking, sizeof e.marking) != 0 ||
                         e.force != publisher.last.force;
    if (!moving && !changed && t - publisher.lastSent < heartbeat) return;

    dis::PduHeader h;
    h.version = settings.disVersion;
    h.exercise = settings.disExercise;
    h.timestamp = timestampNow();
    uint8_t buffer[dis::ENTITY_STATE_SIZE];
    const std::size_t n = dis::encodeEntityState(h, e, buffer, sizeof buffer);
    if (!endpoint.send(buffer, n)) trace("DIS: Entity State PDU not sent\n");
    publisher.sent = true;
    publisher.lastSent = t;
    publisher.last = e;
}

}  // namespace volax
