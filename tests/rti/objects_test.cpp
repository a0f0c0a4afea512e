// Object instances between federates: registration, discovery, reflection,
// ownership, deletion, resignation and provide-update requests.
#include "federate_support.h"

using namespace rtitests;

namespace {

class TwoFederates : public ::testing::Test {
protected:
    void SetUp() override {
        fx = uniqueName();
        a.rti.createFederationExecution(fx.c_str(), kFed);
        a.rti.joinFederationExecution("a", fx.c_str(), &a);
        b.rti.joinFederationExecution("b", fx.c_str(), &b);
        air = a.rti.getObjectClassHandle(kAircraft);
        platform = a.rti.getObjectClassHandle("Platform");
        base = a.rti.getObjectClassHandle("BaseEntity");
        type = a.rti.getAttributeHandle("EntityType", air);
        id = a.rti.getAttributeHandle("EntityIdentifier", air);
        spatial = a.rti.getAttributeHandle("Spatial", air);
        force = a.rti.getAttributeHandle("ForceIdentifier", air);
        marking = a.rti.getAttributeHandle("Marking", air);
    }
    void TearDown() override {
        if (bJoined) b.rti.resignFederationExecution(RTI::DELETE_OBJECTS_AND_RELEASE_ATTRIBUTES);
        a.rti.resignFederationExecution(RTI::DELETE_OBJECTS_AND_RELEASE_ATTRIBUTES);
        a.rti.destroyFederationExecution(fx.c_str());
    }

    // The publisher's usual start: the four ownship attributes of Aircraft.
    RTI::ObjectHandle publishAndRegister(const char* name = nullptr) {
        auto attrs = handleSet({type, id, spatial, force});
        a.rti.publishObjectClass(air, *attrs);
        return name ? a.rti.registerObjectInstance(air, name) : a.rti.registerObjectInstance(air);
    }

    void update(RTI::ObjectHandle o, std::initializer_list<std::pair<RTI::Handle, std::string>> vs) {
        auto values = attrValues(vs);
        a.rti.updateAttributeValues(o, *values, "sometag");
    }

    std::string fx;
    Fed a;
    Fed b;
    bool bJoined = true;
    RTI::ObjectClassHandle air = 0, platform = 0, base = 0;
    RTI::AttributeHandle type = 0, id = 0, spatial = 0, force = 0, marking = 0;
};

}  // namespace

TEST_F(TwoFederates, SubscriberDiscoversThenReflectsOnlyWhatItSubscribed) {
    auto sub = handleSet({type, spatial});
    b.rti.subscribeObjectClassAttributes(air, *sub);
    RTI::ObjectHandle o = publishAndRegister("Ownship");
    EXPECT_EQ(o, 0u);  // instance handles start at 0 too
    // Straight after registration: this update must not be lost.
    const std::string spatialBytes("\x01\x00\x00\x00\xff\x80", 6);
    update(o, {{type, "T"}, {id, "I"}, {spatial, spatialBytes}, {force, "\x01"}});
    settle({&a}, {&b});

    std::vector<Event> ev = b.take();
    ASSERT_EQ(ev.size(), 2u);
    EXPECT_EQ(ev[0].kind, "discover");
    EXPECT_EQ(ev[0].handle, o);
    EXPECT_EQ(ev[0].cls, air);
    EXPECT_EQ(ev[0].name, "Ownship");
    EXPECT_EQ(ev[1].kind, "reflect");
    EXPECT_EQ(ev[1].tag, "sometag");
    std::map<RTI::Handle, std::string> expected{{type, "T"}, {spatial, spatialBytes}};
    EXPECT_EQ(ev[1].values, expected);
    EXPECT_TRUE(a.events.empty()) << "a federate does not discover its own instances";

    // An update of attributes B does not subscribe reaches nobody.
    update(o, {{id, "I2"}});
    settle({&a}, {&b});
    EXPECT_TRUE(b.events.empty());
}

TEST_F(TwoFederates, LateSubscriberDiscoversExistingInstances) {
    RTI::ObjectHandle o1 = publishAndRegister("First");
    RTI::ObjectHandle o2 = publishAndRegister();
    update(o1, {{spatial, "S1"}});
    auto sub = handleSet({spatial});
    b.rti.subscribeObjectClassAttributes(air, *sub);
    settle({&a}, {&b});
    auto disc = b.of("discover");
    ASSERT_EQ(disc.size(), 2u);
    EXPECT_EQ(disc[0].handle, o1);
    EXPECT_EQ(disc[1].handle, o2);
    EXPECT_EQ(disc[1].name, "HLAobjectInstance" + std::to_string(o2));
    EXPECT_TRUE(b.of("reflect").empty()) << "values sent before the subscription are not replayed";
    b.take();

    update(o2, {{spatial, "S2"}});
    settle({&a}, {&b});
    ASSERT_EQ(b.events.size(), 1u);
    EXPECT_EQ(b.events[0].kind, "reflect");
    EXPECT_EQ(b.events[0].handle, o2);
}

TEST_F(TwoFederates, SuperclassSubscriptionDiscoversAsTheSubscribedClass) {
    auto sub = handleSet({type});
    b.rti.subscribeObjectClassAttributes(base, *sub);
    Fed c;
    c.rti.joinFederationExecution("c", fx.c_str(), &c);
    auto subC = handleSet({type, force});
    c.rti.subscribeObjectClassAttributes(platform, *subC);
    c.rti.subscribeObjectClassAttributes(base, *handleSet({type}));

    RTI::ObjectHandle o = publishAndRegister();
    update(o, {{type, "T"}, {force, "F"}, {spatial, "S"}});
    settle({&a}, {&b, &c});

    auto disc = b.of("discover");
    ASSERT_EQ(disc.size(), 1u);
    EXPECT_EQ(disc[0].cls, base);
    auto refl = b.of("reflect");
    ASSERT_EQ(refl.size(), 1u);
    EXPECT_EQ(refl[0].values, (std::map<RTI::Handle, std::string>{{type, "T"}}));
    // The most specific subscribed class wins, and its attribute set applies.
    disc = c.of("discover");
    ASSERT_EQ(disc.size(), 1u);
    EXPECT_EQ(disc[0].cls, platform);
    EXPECT_EQ(c.rti.getObjectClass(o), platform);
    refl = c.of("reflect");
    ASSERT_EQ(refl.size(), 1u);
    EXPECT_EQ(refl[0].values, (std::map<RTI::Handle, std::string>{{type, "T"}, {force, "F"}}));
    c.rti.resignFederationExecution(RTI::NO_ACTION);
}

TEST_F(TwoFederates, InstanceNamesAreUniqueAndLookedUp) {
    EXPECT_THROW(a.rti.registerObjectInstance(air, "X"), RTI::ObjectClassNotPublished);
    RTI::ObjectHandle named = publishAndRegister("Viper");
    EXPECT_THROW(a.rti.registerObjectInstance(air, "Viper"), RTI::ObjectAlreadyRegistered);
    EXPECT_THROW(a.rti.registerObjectInstance(air, ""), RTI::ObjectAlreadyRegistered);
    EXPECT_THROW(a.rti.registerObjectInstance(air, "HLAobjectInstance99"), RTI::ObjectAlreadyRegistered);
    RTI::ObjectHandle anon = a.rti.registerObjectInstance(air);
    EXPECT_NE(anon, named);

    char* name = a.rti.getObjectInstanceName(anon);
    EXPECT_EQ(std::string(name), "HLAobjectInstance" + std::to_string(anon));
    delete[] name;
    EXPECT_EQ(a.rti.getObjectInstanceHandle("Viper"), named);
    EXPECT_EQ(a.rti.getObjectClass(named), air);
    EXPECT_THROW(a.rti.getObjectInstanceHandle("Nobody"), RTI::ObjectNotKnown);
    EXPECT_THROW(a.rti.getObjectInstanceName(12345), RTI::ObjectNotKnown);
    // B has not discovered it: unknown there.
    EXPECT_THROW(b.rti.getObjectInstanceHandle("Viper"), RTI::ObjectNotKnown);

    // A deleted instance frees its name.
    a.rti.deleteObjectInstance(named, "sometag");
    EXPECT_NO_THROW(a.rti.registerObjectInstance(air, "Viper"));
}

TEST_F(TwoFederates, OnlyTheOwnerUpdatesAndDeletes) {
    auto sub = handleSet({type, spatial, marking});
    b.rti.subscribeObjectClassAttributes(air, *sub);
    RTI::ObjectHandle o = publishAndRegister();
    settle({&a}, {&b});
    ASSERT_EQ(b.of("discover").size(), 1u);

    auto values = attrValues({{spatial, "S"}});
    EXPECT_THROW(b.rti.updateAttributeValues(o, *values, "t"), RTI::AttributeNotOwned);
    EXPECT_THROW(b.rti.deleteObjectInstance(o, "t"), RTI::DeletePrivilegeNotHeld);
    EXPECT_THROW(b.rti.updateAttributeValues(777, *values, "t"), RTI::ObjectNotKnown);
    EXPECT_THROW(a.rti.updateAttributeValues(777, *values, "t"), RTI::ObjectNotKnown);
    EXPECT_THROW(a.rti.deleteObjectInstance(777, "t"), RTI::ObjectNotKnown);

    auto undefined = attrValues({{9999, "x"}});
    EXPECT_THROW(a.rti.updateAttributeValues(o, *undefined, "t"), RTI::AttributeNotDefined);
    // Defined for the class but not published: not owned.
    auto unpublished = attrValues({{marking, "M"}});
    EXPECT_THROW(a.rti.updateAttributeValues(o, *unpublished, "t"), RTI::AttributeNotOwned);
    settle({&a, &b}, {&b});
    EXPECT_TRUE(b.of("reflect").empty()) << "a refused update must not reach anyone";
}

TEST_F(TwoFederates, DeletionAndResignRemoveInstancesFromSubscribers) {
    auto sub = handleSet({spatial});
    b.rti.subscribeObjectClassAttributes(air, *sub);
    RTI::ObjectHandle o1 = publishAndRegister();
    RTI::ObjectHandle o2 = publishAndRegister();
    settle({&a}, {&b});
    b.take();

    a.rti.deleteObjectInstance(o1, "gone");
    settle({&a}, {&b});
    ASSERT_EQ(b.events.size(), 1u);
    EXPECT_EQ(b.events[0].kind, "remove");
    EXPECT_EQ(b.events[0].handle, o1);
    EXPECT_EQ(b.events[0].tag, "gone");
    b.take();
    auto values = attrValues({{spatial, "S"}});
    EXPECT_THROW(a.rti.updateAttributeValues(o1, *values, "t"), RTI::ObjectNotKnown);

    // NO_ACTION while owning instances is refused; action 3 deletes them.
    EXPECT_THROW(a.rti.resignFederationExecution(RTI::NO_ACTION), RTI::FederateOwnsAttributes);
    a.rti.resignFederationExecution(RTI::DELETE_OBJECTS_AND_RELEASE_ATTRIBUTES);
    settle({}, {&b});
    ASSERT_EQ(b.events.size(), 1u);
    EXPECT_EQ(b.events[0].kind, "remove");
    EXPECT_EQ(b.events[0].handle, o2);
    a.rti.joinFederationExecution("a", fx.c_str(), &a);  // for TearDown
}

TEST_F(TwoFederates, DestroyedAmbassadorIsResignedWithDelete) {
    auto sub = handleSet({spatial});
    a.rti.subscribeObjectClassAttributes(air, *sub);
    auto pub = handleSet({spatial});
    {
        Fed c;
        c.rti.joinFederationExecution("c", fx.c_str(), &c);
        c.rti.publishObjectClass(air, *pub);
        RTI::ObjectHandle o = c.rti.registerObjectInstance(air, "Transient");
        settle({&c}, {&a});
        ASSERT_EQ(a.of("discover").size(), 1u);
        EXPECT_EQ(a.of("discover")[0].handle, o);
        a.take();
    }  // c vanishes without resigning
    EXPECT_TRUE(tickUntil(a, [&] { return !a.of("remove").empty(); }));
    // Its name is free again, and c no longer counts as joined.
    auto pubA = handleSet({spatial});
    a.rti.publishObjectClass(air, *pubA);
    EXPECT_NO_THROW(a.rti.registerObjectInstance(air, "Transient"));
}

TEST_F(TwoFederates, ReleasedInstancesOutliveTheirOwner) {
    auto sub = handleSet({spatial});
    a.rti.subscribeObjectClassAttributes(air, *sub);
    auto pub = handleSet({spatial});
    b.rti.publishObjectClass(air, *pub);
    RTI::ObjectHandle o = b.rti.registerObjectInstance(air, "Orphan");
    b.rti.resignFederationExecution(RTI::RELEASE_ATTRIBUTES);
    bJoined = false;
    settle({}, {&a});
    EXPECT_TRUE(a.of("remove").empty());
    EXPECT_EQ(a.rti.getObjectInstanceHandle("Orphan"), o);
    EXPECT_THROW(a.rti.deleteObjectInstance(o, "t"), RTI::DeletePrivilegeNotHeld);
}

TEST_F(TwoFederates, UpdateRequestsReachTheOwner) {
    auto sub = handleSet({spatial, type, marking});
    b.rti.subscribeObjectClassAttributes(air, *sub);
    RTI::ObjectHandle o = publishAndRegister();
    settle({&a}, {&b});

    b.rti.requestObjectAttributeValueUpdate(o, *handleSet({spatial, marking}));
    settle({&b}, {&a});
    auto prov = a.of("provide");
    ASSERT_EQ(prov.size(), 1u);
    EXPECT_EQ(prov[0].handle, o);
    EXPECT_EQ(prov[0].handles, (std::set<RTI::Handle>{spatial})) << "only attributes the owner holds";
    a.take();

    // A class request through a superclass reaches instances of subclasses.
    b.rti.requestClassAttributeValueUpdate(base, *handleSet({type}));
    settle({&b}, {&a});
    prov = a.of("provide");
    ASSERT_EQ(prov.size(), 1u);
    EXPECT_EQ(prov[0].handles, (std::set<RTI::Handle>{type}));
    a.take();

    // The owner answers from outside the callback; the subscriber reflects it.
    update(o, {{type, "T"}});
    settle({&a}, {&b});
    EXPECT_EQ(b.of("reflect").size(), 1u);

    EXPECT_THROW(b.rti.requestObjectAttributeValueUpdate(9999, *handleSet({spatial})), RTI::ObjectNotKnown);
    EXPECT_THROW(b.rti.requestClassAttributeValueUpdate(base, *handleSet({force})), RTI::AttributeNotDefined);
    a.rti.requestClassAttributeValueUpdate(air, *handleSet({type}));
    settle({&a}, {&a});
    EXPECT_TRUE(a.of("provide").empty()) << "the requester is not asked for its own instances";
}

TEST_F(TwoFederates, UnsubscribeStopsReflections) {
    auto sub = handleSet({spatial});
    b.rti.subscribeObjectClassAttributes(air, *sub);
    RTI::ObjectHandle o = publishAndRegister();
    settle({&a}, {&b});
    b.rti.unsubscribeObjectClass(air);
    update(o, {{spatial, "S"}});
    settle({&a}, {&b});
    EXPECT_TRUE(b.of("reflect").empty());
    // Publishing with an empty set withdraws the publication.
    a.rti.publishObjectClass(air, *handleSet({}));
    EXPECT_THROW(a.rti.registerObjectInstance(air), RTI::ObjectClassNotPublished);
}

TEST_F(TwoFederates, TimestampedFormsArriveInReceiveOrder) {
    auto sub = handleSet({spatial});
    b.rti.subscribeObjectClassAttributes(air, *sub);
    RTI::ObjectHandle o = publishAndRegister();
    RTIfedTime t(12.5);
    auto values = attrValues({{spatial, "S"}});
    RTI::EventRetractionHandle r1 = a.rti.updateAttributeValues(o, *values, t, "timed");
    RTI::EventRetractionHandle r2 = a.rti.deleteObjectInstance(o, t, "bye");
    EXPECT_NE(r1.theSerialNumber, r2.theSerialNumber);
    settle({&a}, {&b});
    std::vector<std::string> kinds;
    for (const auto& e : b.events) kinds.push_back(e.kind);
    EXPECT_EQ(kinds, (std::vector<std::string>{"discover", "reflect", "remove"}));
}
