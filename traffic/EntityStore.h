// The bounded set of remote entities the picture holds, by key.
#ifndef VOLAX_TRAFFIC_ENTITYSTORE_H
#define VOLAX_TRAFFIC_ENTITYSTORE_H

#include <unordered_map>

#include "Convergence.h"
#include "DeadReckoning.h"
#include "GeodeticTrack.h"
#include "LocalFrame.h"
#include "SpatialCheck.h"
#include "TrafficTypes.h"

namespace traffic {

struct Entity {
    // What every frame reads for every entity comes first, in a few cache
    // lines: a crowded federation is walked whole each frame.
    EntityKey key = 0;
    double heardTime = 0;     // last discovery or reflection of anything
    double updateTime = 0;    // when `spatial` was received
    bool drawable = false;    // has a Spatial that is not refused
    bool shadowed = false;    // an entity of another network has its identifier (a gateway's relay)
    bool frozen = false;      // IsFrozen, or refused motion: stays at the reported place
    EntityType entityType{};
    Correction correction;
    DeadReckoner reckoner;    // `spatial`, made static when frozen

    EntityIdentifier entityIdentifier{};
    ForceIdentifier forceIdentifier = 0;
    char marking[kMarkingChars + 1] = {};
    DamageState damageState = DAMAGE_NO_DAMAGE;
    bool hasEntityIdentifier = false;
    bool ownsIdentifier = false;  // the store shows this entity for its identifier
    bool hasSpatial = false;
    Spatial spatial{};       // as last received
    SpatialVerdict verdict = SpatialVerdict::Ok;
    const char* reason = "";  // why the verdict is not Ok, already traced
    uint64_t shownFrame = 0;  // the last advance that drew it or put it on TCAS
    uint8_t network = 0;      // of the last update
    GeodeticTrack track;      // where it was drawn, for the next frame's conversion
    AttitudeMemo attitude;    // how it was drawn
};

class EntityStore {
public:
    typedef std::unordered_map<EntityKey, Entity> Map;

    explicit EntityStore(std::size_t capacity) : capacity_(capacity) {}

    void setCapacity(std::size_t capacity) { capacity_ = capacity; }
    std::size_t capacity() const { return capacity_; }
    // Null when the store is full and `key` is new.
    Entity* findOrAdd(EntityKey key, double now);
    Entity* find(EntityKey key);
    void remove(EntityKey key);
    void clear() {
        entities_.clear();
        owners_.clear();
    }
    // Gives `entity` the identifier `id`; false when a live entity of another network
    // holds it already (then `entity` is a second copy of that one).
    bool claim(Entity& entity, const EntityIdentifier& id);
    std::size_t size() const { return entities_.size(); }
    Map& entities() { return entities_; }

private:
    std::size_t capacity_;
    Map entities_;
    std::unordered_map<uint64_t, EntityKey> owners_;  // identifier -> the entity shown for it
};

}  // namespace traffic

#endif
