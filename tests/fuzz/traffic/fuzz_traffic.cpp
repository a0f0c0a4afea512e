// Feeds arbitrary input to the traffic picture and the model table.
//
// Byte 0 odd: the rest is a volaxmodels.ini text. Even: the rest is a sequence
// of operations on one picture with a small capacity: [op][key][payload], op
// 0 a reflection with a raw Spatial (any bits: NaN, huge, unknown algorithms)
// and a raw marking, 1 an advance by a time step, 2 a removal, 3 new limits.
// Whatever comes in, what comes out must be finite and in range.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "ModelTable.h"
#include "TrafficPicture.h"

namespace {

void check(bool ok) {
    if (!ok) std::abort();
}

void checkPose(const traffic::EntityPose& p) {
    check(std::isfinite(p.latitude) && std::isfinite(p.longitude) && std::isfinite(p.height));
    check(p.heading >= 0 && p.heading < 360);
    check(std::isfinite(p.pitch) && std::isfinite(p.roll));
    check(std::isfinite(p.vx) && std::isfinite(p.vy) && std::isfinite(p.vz));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    if (data[0] & 1) {
        traffic::ModelTable table;
        std::vector<std::string> errors;
        table.parse(std::string(reinterpret_cast<const char*>(data + 1), size - 1), "volaxmodels.ini", errors);
        EntityType type{};
        if (size >= 9) std::memcpy(&type, data + 1, sizeof type);
        if (const std::string* path = table.lookup(type)) check(!path->empty());
        return 0;
    }
    traffic::TrafficPicture picture;
    traffic::TrafficLimits limits;
    limits.capacity = 16;
    limits.maxEntities = 8;
    picture.setLimits(limits);
    picture.setGroundQuery([](double, double, double& g) {
        g = 0;
        return true;
    });
    double now = 0;
    traffic::OwnshipPosition own;
    own.latitude = 47;
    own.longitude = 8;
    own.height = 500;
    traffic::FrameOrigin origin;
    origin.latRef = 47;
    origin.lonRef = 8;
    size_t at = 1;
    while (at + 2 <= size) {
        const uint8_t op = data[at] & 3;
        const traffic::EntityKey key = data[at + 1] % 32;
        at += 2;
        if (op == 0) {
            traffic::EntityUpdate u;
            const size_t need = sizeof(Spatial) + traffic::kMarkingChars + sizeof(EntityType) + 4;
            if (at + need > size) break;
            u.hasSpatial = true;
            std::memcpy(&u.spatial, data + at, sizeof(Spatial));
            at += sizeof(Spatial);
            u.hasMarking = true;
            std::memcpy(u.marking, data + at, traffic::kMarkingChars);
            at += traffic::kMarkingChars;
            u.hasEntityType = true;
            std::memcpy(&u.entityType, data + at, sizeof(EntityType));
            at += sizeof(EntityType);
            u.hasDamageState = true;
            std::memcpy(&u.damageState, data + at, 4);
            at += 4;
            u.hasEntityIdentifier = (key & 1) != 0;
            u.entityIdentifier = {1, 1, static_cast<uint16_t>(key % 3)};  // collisions on purpose
            picture.reflect(key, u, now);
        } else if (op == 1) {
            now += (key % 16) * 0.25;
            picture.advance(now, own, origin);
            check(picture.drawn().size() <= limits.maxEntities);
            check(picture.tcasTargets().size() <= traffic::kMaxTcasTargets);
            for (const traffic::DrawnEntity& d : picture.drawn()) {
                checkPose(d.pose);
                check(std::strlen(d.marking) <= traffic::kMarkingChars);
            }
            for (size_t i = 0; i < picture.tcasTargets().size(); ++i) {
                const traffic::TcasTarget& t = picture.tcasTargets()[i];
                checkPose(t.pose);
                check(t.modeSId >= 1 && t.modeSId <= 0xFFFFFE);
                check(std::strlen(t.flightId) < traffic::kFlightIdSize);
                for (size_t j = 0; j < i; ++j) check(picture.tcasTargets()[j].modeSId != t.modeSId);
            }
        } else if (op == 2) {
            picture.remove(key);
        } else {
            limits.entityTimeout = key % 4;
            limits.maxEntities = key % 9;
            picture.setLimits(limits);
        }
        check(picture.size() <= limits.capacity);
    }
    return 0;
}
