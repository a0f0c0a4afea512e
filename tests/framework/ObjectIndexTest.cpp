// The remote objects' flat index against std::map: the same answers after any
// mix of inserts, replacements, erasures (which shift entries back in the
// table) and clears, for handles dense, strided and scattered.
#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <random>
#include <vector>

#include "ObjectIndex.h"

namespace {

// The index never dereferences what it holds.
QVHLARootObject* object(std::uint32_t n) {
    static char storage[1 << 12];
    return reinterpret_cast<QVHLARootObject*>(&storage[n % sizeof storage]);
}

struct Pattern {
    const char* name;
    RTI::ObjectHandle (*handle)(std::uint32_t i, std::mt19937& rng);
};

TEST(ObjectIndex, AgreesWithAnOrderedMapThroughInsertsErasuresAndClears) {
    const Pattern patterns[] = {
        {"dense from 0", [](std::uint32_t i, std::mt19937&) { return RTI::ObjectHandle(i); }},
        {"stride 4096", [](std::uint32_t i, std::mt19937&) { return RTI::ObjectHandle(i) << 12; }},
        {"scattered", [](std::uint32_t, std::mt19937& rng) { return RTI::ObjectHandle(rng()); }},
        {"few values", [](std::uint32_t, std::mt19937& rng) { return RTI::ObjectHandle(rng() % 64); }},
    };
    for (const Pattern& p : patterns) {
        SCOPED_TRACE(p.name);
        std::mt19937 rng(7);
        ObjectIndex index;
        std::map<RTI::ObjectHandle, QVHLARootObject*> truth;
        std::vector<RTI::ObjectHandle> seen;
        for (std::uint32_t step = 0; step < 20000; ++step) {
            const unsigned op = rng() % 3;
            if (step % 7000 == 6999) {
                index.clear();
                truth.clear();
            } else if (op < 2 || seen.empty()) {  // insert, or replace when the handle is filed
                const RTI::ObjectHandle h = p.handle(step, rng);
                index.insert(h, object(step));
                truth[h] = object(step);
                seen.push_back(h);
            } else {  // erase one filed or one long gone
                const RTI::ObjectHandle h = seen[rng() % seen.size()];
                index.erase(h);
                truth.erase(h);
            }
            if (step % 97 == 0 || step > 19900) {
                ASSERT_EQ(index.size(), truth.size()) << "step " << step;
                for (RTI::ObjectHandle h : seen) {
                    auto it = truth.find(h);
                    ASSERT_EQ(index.find(h), it == truth.end() ? nullptr : it->second)
                        << "handle " << h << " at step " << step;
                }
            }
        }
        index.insert(1, nullptr);  // refused: null marks a free slot
        EXPECT_EQ(index.size(), truth.size());
    }
}

}  // namespace
