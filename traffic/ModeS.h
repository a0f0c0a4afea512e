// 24-bit mode-S addresses for TCAS targets: derived from the EntityIdentifier,
// stable while the entity lives, unique among the entities holding one.
#ifndef VOLAX_TRAFFIC_MODES_H
#define VOLAX_TRAFFIC_MODES_H

#include <cstdint>
#include <unordered_map>

#include "TrafficTypes.h"

namespace traffic {

class ModeSAllocator {
public:
    // The address of a site/application/entity triple before collisions: a hash
    // into 1..0xFFFFFE (0 and all ones are not addresses).
    static uint32_t derive(const EntityIdentifier& id);

    // The entity's address; a new one (the derived address, or the next free
    // one after it) the first time or when its identifier changed.
    uint32_t addressFor(EntityKey key, const EntityIdentifier& id);
    void release(EntityKey key);
    void clear();
    std::size_t size() const { return byKey_.size(); }

private:
    struct Held {
        uint32_t address;
        uint64_t identifier;
    };
    std::unordered_map<EntityKey, Held> byKey_;
    std::unordered_map<uint32_t, EntityKey> byAddress_;
};

}  // namespace traffic

#endif
