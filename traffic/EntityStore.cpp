#include "EntityStore.h"

namespace traffic {

Entity* EntityStore::findOrAdd(EntityKey key, double now) {
    auto it = entities_.find(key);
    if (it != entities_.end()) return &it->second;
    if (entities_.size() >= capacity_) return nullptr;
    Entity& entity = entities_[key];
    entity.key = key;
    entity.heardTime = now;
    return &entity;
}

Entity* EntityStore::find(EntityKey key) {
    auto it = entities_.find(key);
    return it == entities_.end() ? nullptr : &it->second;
}

namespace {

uint64_t packed(const EntityIdentifier& id) {
    return uint64_t(id.site) << 32 | uint64_t(id.application) << 16 | id.entityNumber;
}

}  // namespace

void EntityStore::remove(EntityKey key) {
    auto it = entities_.find(key);
    if (it == entities_.end()) return;
    if (it->second.hasEntityIdentifier) {
        auto owner = owners_.find(packed(it->second.entityIdentifier));
        if (owner != owners_.end() && owner->second == key) owners_.erase(owner);
    }
    entities_.erase(it);
}

bool EntityStore::claim(Entity& entity, const EntityIdentifier& id) {
    const uint64_t wanted = packed(id);
    // Nearly every update repeats the identifier its entity holds: no lookup.
    if (entity.ownsIdentifier && entity.hasEntityIdentifier && packed(entity.entityIdentifier) == wanted) return true;
    if (entity.hasEntityIdentifier && packed(entity.entityIdentifier) != wanted) {
        auto old = owners_.find(packed(entity.entityIdentifier));
        if (old != owners_.end() && old->second == entity.key) owners_.erase(old);
    }
    entity.ownsIdentifier = false;
    auto owner = owners_.find(wanted);
    if (owner != owners_.end() && owner->second != entity.key) {
        auto held = entities_.find(owner->second);
        if (held != entities_.end() && held->second.network != entity.network) return false;
        if (held != entities_.end()) held->second.ownsIdentifier = false;
    }
    owners_[wanted] = entity.key;
    entity.ownsIdentifier = true;
    return true;
}

}  // namespace traffic
