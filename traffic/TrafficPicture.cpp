#include "TrafficPicture.h"

#include <cinttypes>
#include <cstdarg>
#include <algorithm>
#include <cmath>
#include <cstring>

#include "EntityStore.h"
#include "LocalFrame.h"
#include "Marking.h"
#include "ModeS.h"
#include "QVCoordConv.h"
#include "Selection.h"

namespace traffic {

// Per-frame working set, kept between frames so a frame allocates nothing.
struct TrafficPicture::Frame {
    std::vector<Entity*> candidates;
    std::vector<double> distances;
    std::vector<std::pair<double, uint32_t>> nearest;  // (distance, candidate), the drawn first
    std::vector<double> tcasDistances;
    std::vector<uint32_t> tcasOrder;
    std::vector<uint32_t> tcasIndex;  // into candidates
    std::vector<int32_t> tcasOf;      // per candidate: its index in tcasIndex, or -1
    std::vector<double> tcasAboveGround;  // by tcasIndex position, NaN unknown
    std::vector<int32_t> drawnSlot;   // per candidate: its index in drawn_, or -1
    std::vector<uint8_t> drawnGeodetic;  // per drawn_ entry: its pose's latitude, longitude and height hold
    std::vector<EntityKey> expired;
};

TrafficPicture::TrafficPicture()
    : store_(new EntityStore(limits_.capacity)), modeS_(new ModeSAllocator()), frame_(new Frame()) {}
TrafficPicture::~TrafficPicture() = default;

void TrafficPicture::setLimits(const TrafficLimits& limits) {
    limits_ = limits;
    store_->setCapacity(limits.capacity);
}

void TrafficPicture::traceLine(const char* format, ...) {
    if (!trace_) return;
    va_list args;
    va_start(args, format);
    std::fputs("Traffic: ", trace_);
    std::vfprintf(trace_, format, args);
    std::fputc('\n', trace_);
    va_end(args);
}

Entity* TrafficPicture::admit(EntityKey key, double now) {
    Entity* entity = store_->findOrAdd(key, now);
    if (!entity) {
        if (!full_) traceLine("store full (%zu entities): entity %" PRIu64 " and later ones ignored",
                              store_->size(), static_cast<uint64_t>(key));
        full_ = true;
    } else if (store_->size() < store_->capacity()) {
        full_ = false;
    }
    return entity;
}

bool TrafficPicture::discover(EntityKey key, double now) { return admit(key, now) != nullptr; }

double TrafficPicture::reckonTime(const Entity& entity, double now) const {
    double dt = now - entity.updateTime;
    if (dt < 0) dt = 0;
    return dt > kMaxExtrapolation ? kMaxExtrapolation : dt;
}

// The state an entity is drawn in at `now`.
void TrafficPicture::extrapolate(const Entity& entity, double now, DeadReckonedState& out) const {
    entity.reckoner.extrapolate(reckonTime(entity, now), out, false);
    entity.correction.apply(now, out);
}

bool TrafficPicture::reflect(EntityKey key, const EntityUpdate& update, double now) {
    Entity* entity = admit(key, now);
    if (!entity) return false;
    entity->heardTime = now;
    entity->network = update.network;
    if (update.hasEntityIdentifier) {
        // One aircraft heard on two networks (a gateway relays it) is drawn once.
        entity->shadowed = !store_->claim(*entity, update.entityIdentifier);
        entity->entityIdentifier = update.entityIdentifier;
        entity->hasEntityIdentifier = true;
    }
    if (update.hasEntityType) entity->entityType = update.entityType;
    if (update.hasForceIdentifier) entity->forceIdentifier = update.forceIdentifier;
    if (update.hasDamageState) entity->damageState = update.damageState;
    if (update.hasMarking) normalizeMarking(update.marking, entity->marking);
    if (!update.hasSpatial) return true;

    // Only what is on screen needs to converge; the rest may jump unseen.
    DeadReckonedState drawn;
    const bool wasDrawn = entity->drawable && entity->shownFrame == frameNumber_ && frameNumber_ > 0;
    if (wasDrawn) extrapolate(*entity, now, drawn);

    const char* reason = "";
    const SpatialVerdict verdict = checkSpatial(update.spatial, reason);
    if (verdict != SpatialVerdict::Ok && std::strcmp(reason, entity->reason) != 0) {
        const EntityIdentifier& id = entity->entityIdentifier;
        traceLine("entity %" PRIu64 " (%u:%u:%u) %s: %s", static_cast<uint64_t>(key), id.site, id.application,
                  id.entityNumber, verdict == SpatialVerdict::Frozen ? "frozen" : "not drawn", reason);
    }
    entity->verdict = verdict;
    entity->reason = reason;
    entity->spatial = update.spatial;
    entity->hasSpatial = true;
    // Dead reckoning starts when the state held, not when it arrived.
    entity->updateTime = update.age > 0 && update.age <= kMaxUpdateAge ? now - update.age : now;
    entity->correction.reset();
    entity->drawable = verdict != SpatialVerdict::NotDrawn;
    entity->frozen = update.spatial.isFrozen != 0 || verdict == SpatialVerdict::Frozen;
    if (!entity->drawable) return true;
    Spatial reckoned = update.spatial;
    if (entity->frozen) reckoned.algorithm = DRM_STATIC;
    entity->reckoner.reset(reckoned);

    if (wasDrawn && !entity->frozen) {
        DeadReckonedState fresh;
        extrapolate(*entity, now, fresh);
        entity->correction.start(drawn, fresh, now);
    }
    return true;
}

void TrafficPicture::remove(EntityKey key) {
    store_->remove(key);
    modeS_->release(key);
}

void TrafficPicture::clear() {
    store_->clear();
    modeS_->clear();
    drawn_.clear();
    tcas_.clear();
    full_ = false;
}

bool TrafficPicture::fillPose(const DeadReckonedState& state, bool frozen, const LocalFrame& frame, EntityPose& pose,
                              GeodeticTrack* track, AttitudeMemo* memo) const {
    const bool geodetic =
        track ? track->convert(state.position, datum_, pose.latitude, pose.longitude, pose.height)
              : QVCoordConv::gcc2gdcDouble(state.position[0], state.position[1], state.position[2], datum_,
                                           pose.latitude, pose.longitude, pose.height);
    if (!geodetic) pose.latitude = pose.longitude = pose.height = 0;
    if (memo)
        frame.attitude(state.bodyToWorld, *memo, pose.heading, pose.pitch, pose.roll);
    else
        frame.attitude(state.bodyToWorld, pose.heading, pose.pitch, pose.roll);
    if (frozen) {
        pose.vx = pose.vy = pose.vz = 0;
    } else {
        frame.velocity(state.velocity, pose.vx, pose.vy, pose.vz);
    }
    return geodetic;
}

void TrafficPicture::advance(double now, const OwnshipPosition& ownship, const FrameOrigin& origin) {
    Frame& f = *frame_;
    ++frameNumber_;
    tcas_.clear();
    f.candidates.clear();
    f.distances.clear();
    f.tcasDistances.clear();
    f.tcasIndex.clear();
    f.tcasOf.clear();
    f.expired.clear();
    // Nothing held (most frames outside a busy federation): no conversions.
    if (store_->size() == 0) {
        drawn_.clear();
        full_ = false;
        return;
    }

    double own[3] = {0, 0, 0};
    if (!QVCoordConv::gdc2gccDouble(ownship.latitude, ownship.longitude, ownship.height, datum_, own[0], own[1],
                                    own[2]))
        own[0] = own[1] = own[2] = 0;
    const LocalFrame frame(origin.latRef, origin.lonRef);

    // Positions only, for every entity: attitude and geodetic conversion wait
    // until the few to show are chosen.
    for (auto& pair : store_->entities()) {
        Entity& entity = pair.second;
        if (limits_.entityTimeout > 0 && now - entity.heardTime > limits_.entityTimeout) {
            f.expired.push_back(entity.key);
            continue;
        }
        if (!entity.drawable || entity.shadowed) continue;
        double p[3];
        entity.reckoner.position(reckonTime(entity, now), p);
        entity.correction.applyPosition(now, p);
        const double dx = p[0] - own[0], dy = p[1] - own[1], dz = p[2] - own[2];
        const double d = std::sqrt(dx * dx + dy * dy + dz * dz);
        // Air platforms are TCAS candidates: noted while the entity is at hand.
        if (entity.entityType.kind == 1 && entity.entityType.domain == DOMAIN_AIR) {
            f.tcasOf.push_back(static_cast<int32_t>(f.tcasIndex.size()));
            f.tcasIndex.push_back(static_cast<uint32_t>(f.candidates.size()));
            f.tcasDistances.push_back(std::isnan(d) ? HUGE_VAL : d);
        } else {
            f.tcasOf.push_back(-1);
        }
        f.candidates.push_back(&entity);
        f.distances.push_back(std::isnan(d) ? HUGE_VAL : d);  // sorting needs an order
    }
    for (EntityKey key : f.expired) {
        const Entity* entity = store_->find(key);
        const EntityIdentifier& id = entity->entityIdentifier;
        traceLine("entity %" PRIu64 " (%u:%u:%u) timed out after %.1f s without an update",
                  static_cast<uint64_t>(key), id.site, id.application, id.entityNumber, now - entity->heardTime);
        remove(key);
    }
    if (store_->size() < store_->capacity()) full_ = false;

    f.nearest.resize(f.candidates.size());
    for (uint32_t i = 0; i < f.nearest.size(); ++i) f.nearest[i] = {f.distances[i], i};
    const std::size_t shown = selectNearest(f.nearest, limits_.maxEntities);
    drawn_.resize(shown);  // every member of every entry is written below
    f.drawnGeodetic.resize(shown);
    f.drawnSlot.assign(f.candidates.size(), -1);
    DeadReckonedState state;
    for (std::size_t n = 0; n < shown; ++n) {
        f.drawnSlot[f.nearest[n].second] = static_cast<int32_t>(n);
        Entity& e = *f.candidates[f.nearest[n].second];
        e.shownFrame = frameNumber_;
        DrawnEntity& d = drawn_[n];
        d.key = e.key;
        d.entityIdentifier = e.entityIdentifier;
        d.entityType = e.entityType;
        d.forceIdentifier = e.forceIdentifier;
        std::memcpy(d.marking, e.marking, sizeof d.marking);
        d.damageState = e.damageState;
        d.frozen = e.frozen;
        d.distance = f.distances[f.nearest[n].second];
        extrapolate(e, now, state);
        // A turning orientation is new every frame: no use remembering it.
        const bool steady = !e.reckoner.rotates() && !e.correction.active(now);
        f.drawnGeodetic[n] = fillPose(state, e.frozen, frame, d.pose, &e.track, steady ? &e.attitude : nullptr);
    }

    // TCAS: the nearest airborne, drawn or not. The drawn come nearest first
    // already, and every other entity is farther: most frames find their 63
    // among them. The other air platforms are then taken nearest first in
    // growing batches and tested until 63 fly: the ground test (terrain under
    // the entity) is asked for about 63 of them, not for every air platform of
    // a crowded federation.
    f.tcasAboveGround.assign(f.tcasIndex.size(), NAN);
    auto airborne = [&](uint32_t j) {
        const Entity& e = *f.candidates[f.tcasIndex[j]];
        // A frozen aircraft (its federate paused) keeps the speed it reported.
        const Vector3f& v = e.spatial.velocity;
        const double speed = e.frozen ? std::sqrt(double(v.x) * v.x + double(v.y) * v.y + double(v.z) * v.z)
                                      : e.reckoner.speed(reckonTime(e, now));
        double aboveGround = NAN;
        if (groundQuery_) {
            double p[3], lat, lon, h, ground;
            const int32_t slot = f.drawnSlot[f.tcasIndex[j]];
            bool geodetic;
            if (slot >= 0) {
                // Drawn: its pose holds this very position, converted already.
                const EntityPose& pose = drawn_[static_cast<std::size_t>(slot)].pose;
                geodetic = f.drawnGeodetic[static_cast<std::size_t>(slot)] != 0;
                lat = pose.latitude;
                lon = pose.longitude;
                h = pose.height;
            } else {
                e.reckoner.position(reckonTime(e, now), p);
                e.correction.applyPosition(now, p);
                geodetic = QVCoordConv::gcc2gdcDouble(p[0], p[1], p[2], datum_, lat, lon, h);
            }
            if (geodetic && groundQuery_(lat, lon, ground) && std::isfinite(ground)) aboveGround = h - ground;
        }
        f.tcasAboveGround[j] = aboveGround;
        return isAirborne(e.entityType, speed, aboveGround);
    };
    auto nearer = [&](uint32_t a, uint32_t b) {
        return f.tcasDistances[a] < f.tcasDistances[b] || (f.tcasDistances[a] == f.tcasDistances[b] && a < b);
    };
    std::size_t targets = 0;
    f.tcasOrder.clear();
    for (std::size_t n = 0; n < shown && targets < kMaxTcasTargets; ++n) {
        const int32_t j = f.tcasOf[f.nearest[n].second];
        if (j >= 0 && airborne(static_cast<uint32_t>(j))) {
            f.tcasOrder.push_back(static_cast<uint32_t>(j));
            ++targets;
        }
    }
    std::size_t tested = targets, batch = 2 * kMaxTcasTargets;
    if (targets < kMaxTcasTargets)
        for (uint32_t j = 0; j < f.tcasIndex.size(); ++j)
            if (f.drawnSlot[f.tcasIndex[j]] < 0) f.tcasOrder.push_back(j);
    while (targets < kMaxTcasTargets && tested < f.tcasOrder.size()) {
        const auto first = f.tcasOrder.begin() + static_cast<std::ptrdiff_t>(tested);
        const std::size_t count = std::min(batch, f.tcasOrder.size() - tested);
        if (count < f.tcasOrder.size() - tested) std::nth_element(first, first + count, f.tcasOrder.end(), nearer);
        std::sort(first, first + count, nearer);
        for (std::size_t k = tested; k < tested + count && targets < kMaxTcasTargets; ++k)
            if (airborne(f.tcasOrder[k])) f.tcasOrder[targets++] = f.tcasOrder[k];
        tested += count;
        batch *= 2;
    }
    tcas_.resize(targets);
    for (std::size_t n = 0; n < targets; ++n) {
        const uint32_t i = f.tcasIndex[f.tcasOrder[n]];
        Entity& e = *f.candidates[i];
        e.shownFrame = frameNumber_;
        TcasTarget& t = tcas_[n];
        t.key = e.key;
        EntityIdentifier id = e.entityIdentifier;
        if (!e.hasEntityIdentifier) {
            // Until the identifier arrives, the key stands in for it.
            id.site = static_cast<uint16_t>(e.key >> 32);
            id.application = static_cast<uint16_t>(e.key >> 16);
            id.entityNumber = static_cast<uint16_t>(e.key);
        }
        t.modeSId = modeS_->addressFor(e.key, id);
        flightIdFromMarking(e.marking, t.flightId);
        t.ssrMode = 3;
        t.entityType = e.entityType;
        t.aboveGround = f.tcasAboveGround[f.tcasOrder[n]];
        t.distance = f.distances[i];
        if (f.drawnSlot[i] >= 0) {
            t.pose = drawn_[static_cast<std::size_t>(f.drawnSlot[i])].pose;
        } else {
            extrapolate(e, now, state);
            fillPose(state, e.frozen, frame, t.pose);
        }
    }
}

std::size_t TrafficPicture::size() const { return store_->size(); }
bool TrafficPicture::contains(EntityKey key) const { return store_->find(key) != nullptr; }

}  // namespace traffic
