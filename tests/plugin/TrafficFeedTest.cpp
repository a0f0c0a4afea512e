// The feed from the RTI into the traffic picture, with the plugin's parts linked
// directly and a peer on the raw HLA 1.3 API that encodes its bytes by hand, as a
// foreign RPR federate does: discovery across the class tree, reflection, removal,
// hostile values, the bound on held entities, resign and TRAFFIC 0.
#include <gtest/gtest.h>

#include <RTI.hh>

#include <cmath>
#include <cstring>
#include <memory>
#include <string>

#include "EmptyFederateAmbassador.h"
#include "PluginState.h"
#include "QVCoordConv.h"
#include "QVHLAManager.h"
#include "QVHLAPhysicalEntityObject.h"
#include "TrafficFeed.h"

namespace {

const char kFederation[] = "TrafficFeedTest";

void put16(std::string& s, uint16_t v) {
    s.push_back(static_cast<char>(v >> 8));
    s.push_back(static_cast<char>(v & 0xFF));
}
void put32(std::string& s, uint32_t v) {
    put16(s, static_cast<uint16_t>(v >> 16));
    put16(s, static_cast<uint16_t>(v));
}
void putFloat(std::string& s, float f) {
    uint32_t b;
    std::memcpy(&b, &f, 4);
    put32(s, b);
}
void putDouble(std::string& s, double d) {
    uint64_t b;
    std::memcpy(&b, &d, 8);
    put32(s, static_cast<uint32_t>(b >> 32));
    put32(s, static_cast<uint32_t>(b));
}

// RPR Spatial FPW as a strict peer sends it: 60 bytes.
std::string spatialFpw(double lat, double lon, double h, float ve) {
    double x, y, z;
    QVCoordConv::gdc2gccDouble(lat, lon, h, x, y, z);
    std::string s(1, '\x02');
    s.append(7, '\0');
    putDouble(s, x);
    putDouble(s, y);
    putDouble(s, z);
    s.append(4, '\0');  // not frozen, padding
    for (int i = 0; i < 3; ++i) putFloat(s, 0);
    // Eastward in geocentric axes at this longitude.
    const double l = lon * 3.14159265358979323846 / 180;
    putFloat(s, static_cast<float>(-std::sin(l) * ve));
    putFloat(s, static_cast<float>(std::cos(l) * ve));
    putFloat(s, 0);
    return s;
}

std::string marking(const char* text) {
    std::string s(1, '\x01');
    std::string chars(text);
    chars.resize(11, '\0');
    return s + chars;
}

struct Entity {
    std::string id, type, spatial, force, marking, damage;
};

Entity entity(uint16_t number, uint8_t kind, uint8_t domain, double lat, const char* call) {
    Entity e;
    put16(e.id, 7);
    put16(e.id, 8);
    put16(e.id, number);
    e.type = std::string{static_cast<char>(kind), static_cast<char>(domain), '\0', '\xE1', 1, 2, 0, 0};
    e.spatial = spatialFpw(lat, 8.5, 2000, 100);
    e.force = std::string(1, '\x02');
    e.marking = marking(call);
    put32(e.damage, 1);
    return e;
}

class EntityPeer : public EmptyFederateAmbassador {
public:
    void join() {
        rti.joinFederationExecution("EntityPeer", kFederation, this);
        joined = true;
    }
    ~EntityPeer() override {
        try {
            if (joined) rti.resignFederationExecution(RTI::DELETE_OBJECTS_AND_RELEASE_ATTRIBUTES);
        } catch (...) {
        }
    }
    // Publishes `className` and registers one instance of it.
    RTI::ObjectHandle registerAs(const std::string& className) {
        const RTI::ObjectClassHandle cls = rti.getObjectClassHandle(className.c_str());
        std::unique_ptr<RTI::AttributeHandleSet> set(RTI::AttributeHandleSetFactory::create(6));
        for (const char* name : kNames) set->add(rti.getAttributeHandle(name, cls));
        rti.publishObjectClass(cls, *set);
        const RTI::ObjectHandle object = rti.registerObjectInstance(cls);
        classOf[object] = cls;
        return object;
    }
    void update(RTI::ObjectHandle object, const Entity& e) {
        const RTI::ObjectClassHandle cls = classOf[object];
        std::unique_ptr<RTI::AttributeHandleValuePairSet> set(RTI::AttributeSetFactory::create(6));
        const std::string* values[] = {&e.id, &e.type, &e.spatial, &e.force, &e.marking, &e.damage};
        for (int i = 0; i < 6; ++i) {
            if (values[i]->empty()) continue;
            set->add(rti.getAttributeHandle(kNames[i], cls), values[i]->data(),
                     static_cast<RTI::ULong>(values[i]->size()));
        }
        rti.updateAttributeValues(object, *set, "");
    }
    void remove(RTI::ObjectHandle object) { rti.deleteObjectInstance(object, ""); }
    void subscribe(const std::string& className) {
        const RTI::ObjectClassHandle cls = rti.getObjectClassHandle(className.c_str());
        std::unique_ptr<RTI::AttributeHandleSet> set(RTI::AttributeHandleSetFactory::create(6));
        for (const char* name : kNames) {
            const RTI::AttributeHandle h = rti.getAttributeHandle(name, cls);
            set->add(h);
            nameOf[h] = name;
        }
        rti.subscribeObjectClassAttributes(cls, *set, RTI::RTI_TRUE);
    }
    void reflectAttributeValues(RTI::ObjectHandle, const RTI::AttributeHandleValuePairSet& values,
                                const char*) override {
        for (RTI::ULong i = 0; i < values.size(); ++i) {
            RTI::ULong length = 0;
            const char* data = values.getValuePointer(i, length);
            received[nameOf[values.getHandle(i)]] = std::string(data, length);
        }
    }
    void reflectAttributeValues(RTI::ObjectHandle o, const RTI::AttributeHandleValuePairSet& values,
                                const RTI::FedTime&, const char* tag, RTI::EventRetractionHandle) override {
        reflectAttributeValues(o, values, tag);
    }

    static constexpr const char* kNames[6] = {"EntityIdentifier", "EntityType", "Spatial",
                                              "ForceIdentifier",  "Marking",    "DamageState"};
    RTI::RTIambassador rti;
    bool joined = false;
    std::map<RTI::ObjectHandle, RTI::ObjectClassHandle> classOf;
    std::map<RTI::AttributeHandle, std::string> nameOf;
    std::map<std::string, std::string> received;
};

class TrafficFeed : public ::testing::Test {
protected:
    void SetUp() override {
        volax::settings = volax::VolaxSettings();
        manager = QVHLAManager::getInstance();
        ASSERT_TRUE(manager->joinFederation("X-Plane", kFederation, "XP_Federation.fed"));
        peer.join();
    }
    void TearDown() override {
        volax::stopTrafficFeed();
        manager->resignFederation();
    }
    void tick() {
        for (int i = 0; i < 3; ++i) manager->tick();
    }
    const traffic::DrawnEntity* drawn(uint16_t number) {
        traffic::OwnshipPosition own;
        own.latitude = 47;
        own.longitude = 8.5;
        traffic::FrameOrigin origin;
        origin.latRef = 47;
        origin.lonRef = 8.5;
        volax::trafficPicture().advance(volax::trafficClock(), own, origin);
        for (const traffic::DrawnEntity& d : volax::trafficPicture().drawn())
            if (d.entityIdentifier.entityNumber == number) return &d;
        return nullptr;
    }

    QVHLAManager* manager = nullptr;
    EntityPeer peer;
};

TEST_F(TrafficFeed, EveryClassOfTheTreeIsDiscoveredReflectedAndRemoved) {
    volax::startTrafficFeed();
    ASSERT_TRUE(volax::trafficActive());
    const char* const classes[] = {
        "BaseEntity.PhysicalEntity.Platform.Aircraft",       "BaseEntity.PhysicalEntity.Platform.GroundVehicle",
        "BaseEntity.PhysicalEntity.Platform.SurfaceVessel",  "BaseEntity.PhysicalEntity.Platform.Spacecraft",
        "BaseEntity.PhysicalEntity.Platform.SubmersibleVessel", "BaseEntity.PhysicalEntity.Platform.AmphibiousVehicle",
        "BaseEntity.PhysicalEntity.Platform.MultiDomainPlatform", "BaseEntity.PhysicalEntity.Lifeform.Human",
        "BaseEntity.PhysicalEntity.Lifeform.NonHuman",       "BaseEntity.PhysicalEntity.Munition",
        "BaseEntity.PhysicalEntity.Platform",
    };
    std::vector<RTI::ObjectHandle> objects;
    for (uint16_t i = 0; i < 11; ++i) {
        objects.push_back(peer.registerAs(classes[i]));
        peer.update(objects.back(), entity(i + 1, 1, static_cast<uint8_t>(i % 4), 47 + 0.01 * i, "CALL"));
    }
    tick();
    EXPECT_EQ(volax::trafficPicture().size(), 11u);
    const traffic::DrawnEntity* d = drawn(3);
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(d->entityIdentifier.site, 7);
    EXPECT_EQ(d->entityType.country, 225);
    EXPECT_EQ(d->forceIdentifier, 2);
    EXPECT_STREQ(d->marking, "CALL");
    EXPECT_EQ(d->damageState, DAMAGE_SLIGHT);
    EXPECT_NEAR(d->pose.latitude, 47.02, 1e-6);  // moved east only, a fraction of a second
    EXPECT_NEAR(d->pose.height, 2000, 0.01);

    peer.remove(objects[2]);
    tick();
    EXPECT_EQ(volax::trafficPicture().size(), 10u);
    EXPECT_EQ(drawn(3), nullptr);

    // Resign: picture empty, no remote entity left with the manager.
    volax::stopTrafficFeed();
    EXPECT_EQ(volax::trafficPicture().size(), 0u);
    EXPECT_TRUE(manager->getRemoteObjects().empty());
    EXPECT_FALSE(volax::trafficActive());
}

TEST_F(TrafficFeed, HostileValuesAreSkippedAndTheLastGoodOnesKept) {
    volax::startTrafficFeed();
    const RTI::ObjectHandle object = peer.registerAs("BaseEntity.PhysicalEntity.Platform.Aircraft");
    peer.update(object, entity(1, 1, 2, 47.5, "GOOD"));
    tick();
    ASSERT_NE(drawn(1), nullptr);
    // Each value would change what is drawn if it were taken.
    const std::string farSpatial = spatialFpw(48.5, 8.5, 2000, 100);
    std::string unknownAlgorithm = farSpatial + std::string(28, '\0');
    unknownAlgorithm[0] = 12;
    struct Row {
        const char* name;
        int attribute;  // index into EntityPeer::kNames
        std::string bytes;
    } rows[] = {
        {"spatial too short", 2, farSpatial.substr(0, 59)},
        {"damage state 7", 5, std::string("\0\0\0\x07", 4)},
        {"damage state too short", 5, std::string("\0\0\x03", 3)},
        {"marking too short", 4, marking("BADBADBAD").substr(0, 11)},
        {"identifier too short", 0, std::string("\0\x07\0", 3)},
        {"type too short", 1, std::string("\x01\x01\0\xE1\x01\x02\0", 7)},
        {"empty force", 3, std::string()},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        const RTI::ObjectClassHandle cls = peer.classOf[object];
        std::unique_ptr<RTI::AttributeHandleValuePairSet> set(RTI::AttributeSetFactory::create(1));
        set->add(peer.rti.getAttributeHandle(EntityPeer::kNames[r.attribute], cls), r.bytes.data(),
                 static_cast<RTI::ULong>(r.bytes.size()));
        peer.rti.updateAttributeValues(object, *set, "");
        tick();
        const traffic::DrawnEntity* d = drawn(1);
        ASSERT_NE(d, nullptr);
        EXPECT_NEAR(d->pose.latitude, 47.5, 1e-6);
        EXPECT_EQ(d->damageState, DAMAGE_SLIGHT);
        EXPECT_STREQ(d->marking, "GOOD");
        EXPECT_EQ(d->entityType.domain, 2);
        EXPECT_EQ(d->forceIdentifier, 2);
    }
    // An algorithm it cannot extrapolate: shown where it says it is, frozen there.
    std::unique_ptr<RTI::AttributeHandleValuePairSet> set(RTI::AttributeSetFactory::create(1));
    set->add(peer.rti.getAttributeHandle("Spatial", peer.classOf[object]), unknownAlgorithm.data(),
             static_cast<RTI::ULong>(unknownAlgorithm.size()));
    peer.rti.updateAttributeValues(object, *set, "");
    tick();
    const traffic::DrawnEntity* d = drawn(1);
    ASSERT_NE(d, nullptr);
    EXPECT_NEAR(d->pose.latitude, 48.5, 1e-6);
    EXPECT_TRUE(d->frozen);
}

TEST_F(TrafficFeed, AFloodOfRegistrationsHoldsNoMoreThanTheCapacity) {
    volax::startTrafficFeed();
    traffic::TrafficLimits limits = volax::trafficPicture().limits();
    limits.capacity = 40;
    volax::trafficPicture().setLimits(limits);
    for (uint16_t i = 0; i < 200; ++i) {
        const RTI::ObjectHandle object = peer.registerAs("BaseEntity.PhysicalEntity.Platform.GroundVehicle");
        peer.update(object, entity(i, 1, 1, 47, "FLOOD"));
    }
    tick();
    EXPECT_EQ(manager->getRemoteObjects().size(), 40u);
    EXPECT_EQ(volax::trafficPicture().size(), 40u);
}

TEST_F(TrafficFeed, TrafficZeroSubscribesNothing) {
    volax::settings.traffic = 0;
    volax::startTrafficFeed();
    EXPECT_FALSE(volax::trafficActive());
    const RTI::ObjectHandle object = peer.registerAs("BaseEntity.PhysicalEntity.Platform.Aircraft");
    peer.update(object, entity(1, 1, 2, 47, "X"));
    tick();
    EXPECT_EQ(volax::trafficPicture().size(), 0u);
    EXPECT_TRUE(manager->getRemoteObjects().empty());
}

// Synthetic entities register as the class their kind and domain name, and the FED file knows each.
TEST_F(TrafficFeed, EachEntityTypeRegistersAsAClassOfTheTree) {
    const struct {
        EntityType type;
        const char* cls;
    } rows[] = {
        {{1, 1, 0, 0, 0, 0, 0}, "Platform.GroundVehicle"},     {{1, 2, 0, 0, 0, 0, 0}, "Platform.Aircraft"},
        {{1, 3, 0, 0, 0, 0, 0}, "Platform.SurfaceVessel"},     {{1, 4, 0, 0, 0, 0, 0}, "Platform.SubmersibleVessel"},
        {{1, 5, 0, 0, 0, 0, 0}, "Platform.Spacecraft"},        {{1, 0, 0, 0, 0, 0, 0}, "Platform"},
        {{2, 2, 0, 0, 0, 0, 0}, "Munition"},                   {{3, 1, 0, 0, 0, 0, 0}, "Lifeform.Human"},
        {{9, 1, 0, 0, 0, 0, 0}, ""},
    };
    for (const auto& r : rows) {
        const std::string expected = std::string("BaseEntity.PhysicalEntity") + (*r.cls ? "." : "") + r.cls;
        EXPECT_EQ(QVHLAPhysicalEntityObject::classNameFor(r.type), expected);
        EXPECT_NO_THROW(peer.rti.getObjectClassHandle(expected.c_str())) << expected;
    }
}

// What the framework class sends, as a strict RPR peer reads it.
TEST_F(TrafficFeed, LocalEntitiesSendTheRprLayout) {
    struct Local : QVHLAPhysicalEntityObject {
        using QVHLAPhysicalEntityObject::QVHLAPhysicalEntityObject;
        QVHLARootObject* newInstance() override { return nullptr; }
    };
    peer.subscribe("BaseEntity.PhysicalEntity.Platform.SurfaceVessel");
    const EntityType ship{1, 3, 225, 61, 1, 0, 0};
    Local local(QVHLAPhysicalEntityObject::classNameFor(ship));
    EXPECT_EQ(local.getClassName(), "BaseEntity.PhysicalEntity.Platform.SurfaceVessel");
    ASSERT_TRUE(local.getHandles());
    ASSERT_TRUE(local.publish());
    ASSERT_TRUE(local.registerObjectInstance(nullptr));
    local.setEntityIdentifier({9, 10, 11});
    local.setEntityType(ship);
    local.setForceIdentifier(3);
    local.setMarking(asciiMarking("NAVY 7"));
    local.setDamageState(DAMAGE_DESTROYED);
    Spatial s;
    std::memset(&s, 0, sizeof s);
    s.algorithm = DRM_FVW;
    s.worldLocation = {4e6, 1e6, 4.8e6};
    s.velocity = {1, 2, 3};
    s.acceleration = {0.5f, 0, 0};
    local.setSpatial(s);
    manager->tick();
    for (int i = 0; i < 3; ++i) peer.rti.tick();
    ASSERT_EQ(peer.received.size(), 6u);
    EXPECT_EQ(peer.received["EntityIdentifier"], std::string("\0\x09\0\x0A\0\x0B", 6));
    EXPECT_EQ(peer.received["EntityType"], std::string("\x01\x03\0\xE1\x3D\x01\0\0", 8));
    EXPECT_EQ(peer.received["ForceIdentifier"], std::string("\x03", 1));
    EXPECT_EQ(peer.received["Marking"], marking("NAVY 7"));
    EXPECT_EQ(peer.received["DamageState"], std::string("\0\0\0\x03", 4));
    const std::string& spatial = peer.received["Spatial"];
    ASSERT_EQ(spatial.size(), 72u);  // FVW carries location, orientation, velocity, acceleration
    EXPECT_EQ(spatial[0], DRM_FVW);
    uint64_t bits = 0;
    for (int i = 8; i < 16; ++i) bits = bits << 8 | static_cast<unsigned char>(spatial[i]);
    double x;
    std::memcpy(&x, &bits, 8);
    EXPECT_EQ(x, 4e6);
}

}  // namespace
