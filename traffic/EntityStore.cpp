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

}  // namespace traffic
