#include "ObjectIndex.h"

#include <utility>

void ObjectIndex::insert(RTI::ObjectHandle handle, QVHLARootObject* object) {
    if (!object) return;
    if ((count_ + 1) * 2 > slots_.size()) grow();
    for (std::size_t i = home(handle);; i = (i + 1) & mask_) {
        Slot& s = slots_[i];
        if (!s.object) {
            s.handle = handle;
            s.object = object;
            ++count_;
            return;
        }
        if (s.handle == handle) {
            s.object = object;
            return;
        }
    }
}

void ObjectIndex::erase(RTI::ObjectHandle handle) {
    if (count_ == 0) return;
    std::size_t hole = home(handle);
    for (;; hole = (hole + 1) & mask_) {
        if (!slots_[hole].object) return;
        if (slots_[hole].handle == handle) break;
    }
    // Pull back each later slot of the run whose home does not lie after the
    // hole, so that no lookup meets a free slot before its key.
    for (std::size_t j = (hole + 1) & mask_; slots_[j].object; j = (j + 1) & mask_) {
        const std::size_t k = home(slots_[j].handle);
        const bool stays = hole <= j ? (hole < k && k <= j) : (hole < k || k <= j);
        if (stays) continue;
        slots_[hole] = slots_[j];
        hole = j;
    }
    slots_[hole] = Slot();
    --count_;
}

void ObjectIndex::clear() {
    for (Slot& s : slots_) s = Slot();
    count_ = 0;
}

void ObjectIndex::grow() {
    std::vector<Slot> old;
    old.swap(slots_);
    const std::size_t size = old.empty() ? 16 : old.size() * 2;
    slots_.assign(size, Slot());
    mask_ = size - 1;
    shift_ = 64;
    for (std::size_t n = size; n > 1; n >>= 1) --shift_;
    count_ = 0;
    for (const Slot& s : old)
        if (s.object) insert(s.handle, s.object);
}
