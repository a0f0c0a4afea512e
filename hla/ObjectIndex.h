// Objects by instance handle, for the lookup every reflection makes.
//
// An open-addressed table (linear probing, backward-shift deletion) holding each
// handle beside its object: a lookup reads one slot, where a node-based hash map
// reads a bucket, the node before and the node, each a cache miss once thousands
// of entities have pushed them out. Handles come from any RTI, so they are hashed
// (Fibonacci hashing), never assumed dense. At most half the slots are used.
#ifndef VOLAX_OBJECTINDEX_H
#define VOLAX_OBJECTINDEX_H

#include <RTI.hh>

#include <cstddef>
#include <cstdint>
#include <vector>

class QVHLARootObject;

class ObjectIndex {
public:
    QVHLARootObject* find(RTI::ObjectHandle handle) const {
        if (count_ == 0) return nullptr;
        for (std::size_t i = home(handle);; i = (i + 1) & mask_) {
            const Slot& s = slots_[i];
            if (!s.object) return nullptr;
            if (s.handle == handle) return s.object;
        }
    }

    // Files `object` (not null) under `handle`, replacing what was there.
    void insert(RTI::ObjectHandle handle, QVHLARootObject* object);
    void erase(RTI::ObjectHandle handle);
    void clear();
    std::size_t size() const { return count_; }

private:
    struct Slot {
        RTI::ObjectHandle handle = 0;
        QVHLARootObject* object = nullptr;  // null: the slot is free
    };

    std::size_t home(RTI::ObjectHandle handle) const {
        return static_cast<std::size_t>((static_cast<std::uint64_t>(handle) * 0x9E3779B97F4A7C15ull) >> shift_);
    }
    void grow();

    std::vector<Slot> slots_;
    std::size_t mask_ = 0;
    unsigned shift_ = 64;
    std::size_t count_ = 0;
};

#endif
