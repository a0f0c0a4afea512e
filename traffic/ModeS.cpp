#include "ModeS.h"

namespace traffic {
namespace {

constexpr uint32_t kLastAddress = 0xFFFFFE;

uint64_t pack(const EntityIdentifier& id) {
    return static_cast<uint64_t>(id.site) << 32 | static_cast<uint64_t>(id.application) << 16 | id.entityNumber;
}

uint32_t next(uint32_t address) { return address >= kLastAddress ? 1 : address + 1; }

}  // namespace

uint32_t ModeSAllocator::derive(const EntityIdentifier& id) {
    // splitmix64 finaliser: neighbouring entity numbers land far apart.
    uint64_t z = pack(id) + 0x9E3779B97F4A7C15ull;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    z ^= z >> 31;
    return static_cast<uint32_t>(z % kLastAddress) + 1;
}

uint32_t ModeSAllocator::addressFor(EntityKey key, const EntityIdentifier& id) {
    const uint64_t identifier = pack(id);
    auto it = byKey_.find(key);
    if (it != byKey_.end()) {
        if (it->second.identifier == identifier) return it->second.address;
        release(key);
    }
    uint32_t address = derive(id);
    while (byAddress_.count(address)) address = next(address);
    byAddress_[address] = key;
    byKey_[key] = Held{address, identifier};
    return address;
}

void ModeSAllocator::release(EntityKey key) {
    auto it = byKey_.find(key);
    if (it == byKey_.end()) return;
    byAddress_.erase(it->second.address);
    byKey_.erase(it);
}

void ModeSAllocator::clear() {
    byKey_.clear();
    byAddress_.clear();
}

}  // namespace traffic
