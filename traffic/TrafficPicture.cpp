#include "TrafficPicture.h"

#include <algorithm>
#include <cmath>

#include "EntityStore.h"
#include "QVCoordConv.h"

namespace traffic {

TrafficPicture::TrafficPicture() : store_(new EntityStore(limits_.capacity)) {}
TrafficPicture::~TrafficPicture() = default;

void TrafficPicture::setLimits(const TrafficLimits& limits) {
    limits_ = limits;
    store_->setCapacity(limits.capacity);
}

bool TrafficPicture::discover(EntityKey key, double now) {
    return store_->findOrAdd(key, now) != nullptr;
}

bool TrafficPicture::reflect(EntityKey key, const EntityUpdate& update, double now) {
    Entity* entity = store_->findOrAdd(key, now);
    if (!entity) return false;
    entity->heardTime = now;
    if (update.hasEntityIdentifier) entity->entityIdentifier = update.entityIdentifier;
    if (update.hasEntityType) entity->entityType = update.entityType;
    if (update.hasForceIdentifier) entity->forceIdentifier = update.forceIdentifier;
    if (update.hasDamageState) entity->damageState = update.damageState;
    if (update.hasSpatial) {
        entity->spatial = update.spatial;
        entity->hasSpatial = true;
        entity->updateTime = now;
    }
    return true;
}

void TrafficPicture::remove(EntityKey key) { store_->remove(key); }

void TrafficPicture::clear() {
    store_->clear();
    drawn_.clear();
    tcas_.clear();
}

void TrafficPicture::advance(double now, const OwnshipPosition& ownship, const FrameOrigin& origin) {
    (void)now;
    (void)ownship;
    (void)origin;
    drawn_.clear();
    tcas_.clear();
    for (auto& pair : store_->entities()) {
        Entity& entity = pair.second;
        if (!entity.hasSpatial) continue;
        DrawnEntity d;
        d.key = entity.key;
        d.entityIdentifier = entity.entityIdentifier;
        d.entityType = entity.entityType;
        if (!QVCoordConv::gcc2gdcDouble(entity.spatial.worldLocation.x, entity.spatial.worldLocation.y,
                                        entity.spatial.worldLocation.z, d.pose.latitude, d.pose.longitude,
                                        d.pose.height))
            continue;
        if (drawn_.size() < limits_.maxEntities) drawn_.push_back(d);
    }
}

std::size_t TrafficPicture::size() const { return store_->size(); }
bool TrafficPicture::contains(EntityKey key) const { return store_->find(key) != nullptr; }

}  // namespace traffic
