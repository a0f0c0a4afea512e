// The aircraft class and the object base against the embedded RTI, with a second
// federate written on the raw API on the other side.
#include <gtest/gtest.h>

#include <RTIfaultInjection.hh>

#include <cstring>

#include "FrameworkTestSupport.h"
#include "QVHLAPhysicalEntityObject.h"

namespace {

class AircraftTest : public ::testing::Test {
protected:
    std::string fed = uniqueFederation("Air");
    RawFederate raw;
    RTI::ObjectClassHandle rawClass = 0;
    RTI::AttributeHandle rawEI = 0, rawET = 0, rawSpatial = 0, rawForce = 0, rawMarking = 0, rawDamage = 0;

    void SetUp() override {
        ASSERT_TRUE(manager().joinFederation("volax", fed.c_str(), VOLAX_TEST_FED));
        TestAircraft temp;
        ASSERT_TRUE(temp.getHandles());
        ASSERT_TRUE(temp.publish());
        raw.join(fed.c_str());
        rawClass = raw.rti.getObjectClassHandle("ObjectRoot.BaseEntity.PhysicalEntity.Platform.Aircraft");
        rawEI = raw.rti.getAttributeHandle("EntityIdentifier", rawClass);
        rawET = raw.rti.getAttributeHandle("EntityType", rawClass);
        rawSpatial = raw.rti.getAttributeHandle("Spatial", rawClass);
        rawForce = raw.rti.getAttributeHandle("ForceIdentifier", rawClass);
        rawMarking = raw.rti.getAttributeHandle("Marking", rawClass);
        rawDamage = raw.rti.getAttributeHandle("DamageState", rawClass);
    }
    void TearDown() override {
        rtitest::clearFaults();
        if (raw.joined) raw.resign();
        manager().resignFederation();
        EXPECT_TRUE(manager().getLocalObjects().empty());
    }
    void rawSubscribe() {
        std::unique_ptr<RTI::AttributeHandleSet> set(RTI::AttributeHandleSetFactory::create(6));
        set->add(rawEI);
        set->add(rawET);
        set->add(rawSpatial);
        set->add(rawForce);
        set->add(rawMarking);
        set->add(rawDamage);
        raw.rti.subscribeObjectClassAttributes(rawClass, *set, RTI::RTI_TRUE);
    }
    void rawPublish() {
        std::unique_ptr<RTI::AttributeHandleSet> set(RTI::AttributeHandleSetFactory::create(4));
        set->add(rawEI);
        set->add(rawET);
        set->add(rawSpatial);
        set->add(rawForce);
        raw.rti.publishObjectClass(rawClass, *set);
    }
};

}  // namespace

TEST_F(AircraftTest, RegistersWithOrWithoutANameAndWithdrawsOnDestruction) {
    rawSubscribe();
    LogCapture log;
    TestAircraft* named = new TestAircraft();
    ASSERT_TRUE(named->registerObjectInstance("Ownship"));
    EXPECT_EQ(named->instanceName, "Ownship");
    EXPECT_TRUE(named->registered);
    EXPECT_EQ(manager().findLocalObject(named->instanceHandle), named);
    EXPECT_EQ(log.lines(), std::vector<std::string>{"QVHLARootObject::registerObjectInstance : Register succeeded"});

    // A second registration would orphan the first instance: refused.
    const RTI::ObjectHandle first = named->instanceHandle;
    EXPECT_FALSE(named->registerObjectInstance("Again"));
    EXPECT_EQ(log.lines().back(), "QVHLARootObject::registerObjectInstance : Object already registered");
    EXPECT_EQ(named->instanceHandle, first);
    EXPECT_EQ(manager().getLocalObjects().size(), 1u);

    TestAircraft unnamed;
    ASSERT_TRUE(unnamed.registerObjectInstance(nullptr));
    char* rtiName = raw.rti.getObjectInstanceName(unnamed.instanceHandle);
    EXPECT_EQ(unnamed.instanceName, rtiName);
    EXPECT_FALSE(unnamed.instanceName.empty());
    delete[] rtiName;

    // The RTI's refusal is logged with the exception's name, and nothing is filed.
    TestAircraft refused;
    log.clear();
    rtitest::failNextCall<RTI::ObjectClassNotPublished>("registerObjectInstance", "not published");
    EXPECT_FALSE(refused.registerObjectInstance("Refused"));
    rtitest::failNextCall<std::runtime_error>("registerObjectInstance", "x");
    EXPECT_FALSE(refused.registerObjectInstance("Refused"));
    EXPECT_EQ(log.lines(),
              (std::vector<std::string>{"QVHLARootObject::registerObjectInstance : ObjectClassNotPublished",
                                        "QVHLARootObject::registerObjectInstance : Unknown exception"}));
    EXPECT_FALSE(refused.registered);
    EXPECT_EQ(manager().getLocalObjects().size(), 2u);

    ASSERT_TRUE(raw.tickUntil([&] { return raw.discovered.size() == 2; }));
    delete named;
    EXPECT_EQ(manager().findLocalObject(first), nullptr);
    ASSERT_TRUE(raw.tickUntil([&] { return raw.removed.size() == 1; }));
    EXPECT_EQ(raw.removed[0], first);

    // After resigning the RTI refuses the delete; the object still goes.
    TestAircraft* late = new TestAircraft();
    ASSERT_TRUE(late->registerObjectInstance("Late"));
    const RTI::ObjectHandle lateHandle = late->instanceHandle;
    manager().resignFederation();
    log.clear();
    delete late;
    ASSERT_EQ(log.lines().size(), 1u);
    EXPECT_EQ(log.lines()[0].rfind("QVHLARootObject::~QVHLARootObject() : ", 0), 0u);
    EXPECT_EQ(manager().findLocalObject(lateHandle), nullptr);
}

TEST_F(AircraftTest, SendsPendingAttributesOnceInOrderAndOnlyWhenPending) {
    rawSubscribe();
    TestAircraft own;
    ASSERT_TRUE(own.registerObjectInstance("Ownship"));
    LogCapture log;

    // Nothing pending: no RTI call (the queued fault stays), no log line, hook still runs.
    rtitest::failNextCall<RTI::RTIinternalError>("updateAttributeValues", "must not be called");
    own.updateAttributes();
    EXPECT_EQ(rtitest::pendingFaults(), 1);
    EXPECT_EQ(own.prepared, 1);
    EXPECT_TRUE(log.lines().empty());
    rtitest::clearFaults();

    const EntityIdentifier ei{1, 2, 3};
    const EntityType et{1, 2, 225, 1, 2, 3, 4};
    own.setEntityIdentifier(ei);
    own.setEntityType(et);
    own.setSpatial(spatialAt(1.0));
    own.setSpatial(spatialAt(5.0));  // the later value goes, once
    own.setForceIdentifier(ForceIdentifier(1));
    own.setMarking(asciiMarking("VOLAX01"));
    own.setDamageState(DAMAGE_DESTROYED);
    manager().tick();
    EXPECT_TRUE(log.contains("QVHLAAircraftObject::updateAttributes() : 6 attributes success!"));
    EXPECT_FALSE(own.isSpatialPending() || own.isEntityIdentifierPending() || own.isEntityTypePending() ||
                 own.isForceIdentifierPending());
    EXPECT_TRUE(own.hasSpatial() && own.isEntityIdentifierValid() && own.isEntityTypeValid() &&
                own.isForceIdentifierValid());

    ASSERT_TRUE(raw.tickUntil([&] { return !raw.reflections.empty(); }));
    const RawFederate::Reflection& r = raw.reflections[0];
    EXPECT_EQ(r.order, (std::vector<RTI::Handle>{rawEI, rawET, rawSpatial, rawForce, rawMarking, rawDamage}));
    EXPECT_EQ(r.values.at(rawEI), bytes({0, 1, 0, 2, 0, 3}));
    EXPECT_EQ(r.values.at(rawET), bytes({1, 2, 0, 0xE1, 1, 2, 3, 4}));
    // FVW carries velocity and acceleration: 72 bytes on the wire.
    EXPECT_EQ(r.values.at(rawSpatial), encoded(spatialToNet(spatialAt(5.0)), 72));
    EXPECT_EQ(r.values.at(rawForce), bytes({1}));
    EXPECT_EQ(r.values.at(rawMarking), bytes({1, 'V', 'O', 'L', 'A', 'X', '0', '1', 0, 0, 0, 0}));
    EXPECT_EQ(r.values.at(rawDamage), bytes({0, 0, 0, 3}));

    manager().tick();
    raw.drain();
    EXPECT_EQ(raw.reflections.size(), 1u);

    // takeSpatial clears the mark, peekSpatial does not.
    own.setSpatial(spatialAt(6.0));
    EXPECT_EQ(own.peekSpatial().worldLocation.x, 6.0);
    EXPECT_TRUE(own.isSpatialPending());
    EXPECT_EQ(own.takeSpatial().worldLocation.x, 6.0);
    EXPECT_FALSE(own.isSpatialPending());
}

TEST_F(AircraftTest, ProvideRequestsResendHeldValuesAtTheNextTick) {
    rawSubscribe();
    TestAircraft own;
    ASSERT_TRUE(own.registerObjectInstance("Ownship"));
    own.setSpatial(spatialAt(7.0));
    own.setForceIdentifier(ForceIdentifier(2));
    manager().tick();
    ASSERT_TRUE(raw.tickUntil([&] { return raw.reflections.size() == 1; }));

    std::unique_ptr<RTI::AttributeHandleSet> request(RTI::AttributeHandleSetFactory::create(4));
    request->add(rawSpatial);
    request->add(rawEI);  // never held a value: not sent
    raw.rti.requestObjectAttributeValueUpdate(own.instanceHandle, *request);
    ASSERT_TRUE(tickManagerUntil([&] { return own.isSpatialPending(); }));
    EXPECT_FALSE(own.isEntityIdentifierPending());
    manager().tick();
    ASSERT_TRUE(raw.tickUntil([&] { return raw.reflections.size() == 2; }));
    EXPECT_EQ(raw.reflections[1].order, std::vector<RTI::Handle>{rawSpatial});
    EXPECT_EQ(raw.reflections[1].values.at(rawSpatial), encoded(spatialToNet(spatialAt(7.0)), 72));
}

// The tools' entities: asked before their first sample they send nothing (an
// all-zero Spatial would put them at the earth's centre), then only what they hold.
TEST_F(AircraftTest, AnEntityAskedBeforeItsFirstSampleSendsNothing) {
    rawSubscribe();
    struct Entity : QVHLAPhysicalEntityObject {
        Entity() : QVHLAPhysicalEntityObject("BaseEntity.PhysicalEntity.Platform.Aircraft") {}
        QVHLARootObject* newInstance() override { return nullptr; }
    } own;
    ASSERT_TRUE(own.getHandles());
    ASSERT_TRUE(own.registerObjectInstance("Tool"));
    std::unique_ptr<RTI::AttributeHandleSet> request(RTI::AttributeHandleSetFactory::create(2));
    request->add(rawSpatial);
    request->add(rawEI);
    raw.rti.requestObjectAttributeValueUpdate(own.instanceHandle, *request);
    for (int i = 0; i < 20; ++i) {
        manager().tick();
        raw.drain();
    }
    EXPECT_TRUE(raw.reflections.empty());
    EXPECT_FALSE(own.anyPending());

    own.setSpatial(spatialAt(3.0));
    raw.rti.requestObjectAttributeValueUpdate(own.instanceHandle, *request);
    ASSERT_TRUE(raw.tickUntil([&] {
        manager().tick();
        return !raw.reflections.empty();
    }));
    EXPECT_EQ(raw.reflections[0].order, std::vector<RTI::Handle>{rawSpatial});
}

// Strict peers check the Spatial's length against its algorithm; one without a wire
// form is not sent at all.
TEST_F(AircraftTest, SpatialGoesOutAtItsAlgorithmsLength) {
    rawSubscribe();
    TestAircraft own;
    ASSERT_TRUE(own.registerObjectInstance("Ownship"));
    // The RPR layout written out by hand: discriminant, 7 padding bytes, X Y Z float64,
    // IsFrozen and 3 padding bytes, psi theta phi float32, then the carried vectors.
    auto be = [](uint64_t bits, int n) {
        std::string out;
        for (int i = n - 1; i >= 0; --i) out.push_back(static_cast<char>((bits >> (8 * i)) & 0xFF));
        return out;
    };
    auto f64 = [&](double d) {
        uint64_t b;
        std::memcpy(&b, &d, 8);
        return be(b, 8);
    };
    auto f32x3 = [&](float x, float y, float z) {
        std::string out;
        for (float f : {x, y, z}) {
            uint32_t b;
            std::memcpy(&b, &f, 4);
            out += be(b, 4);
        }
        return out;
    };
    const size_t lengths[] = {0, 48, 60, 72, 84, 72, 60, 72, 84, 72};
    for (DeadReckoningAlgorithm a = 1; a <= 9; ++a) {
        Spatial s = spatialAt(a);
        s.algorithm = a;
        s.isFrozen = 1;
        s.orientation = Vector3f{0.5f, -0.25f, 3.0f};
        s.velocity = Vector3f{10.0f, 11.0f, 12.0f};
        s.acceleration = Vector3f{-1.0f, -2.0f, -4.0f};
        s.angularVelocity = Vector3f{0.125f, 0.0f, -8.0f};
        own.setSpatial(s);
        manager().tick();
        ASSERT_TRUE(raw.tickUntil([&] { return raw.reflections.size() == a; }));
        std::string expected = std::string(1, static_cast<char>(a)) + std::string(7, '\0') + f64(a) + f64(2.0) +
                               f64(3.0) + std::string("\x01\0\0\0", 4) + f32x3(0.5f, -0.25f, 3.0f);
        if (a != 1) expected += f32x3(10.0f, 11.0f, 12.0f);
        if (a == 4 || a == 5 || a == 8 || a == 9) expected += f32x3(-1.0f, -2.0f, -4.0f);
        if (a == 3 || a == 4 || a == 7 || a == 8) expected += f32x3(0.125f, 0.0f, -8.0f);
        const std::string& got = raw.reflections.back().values.at(rawSpatial);
        EXPECT_EQ(got.size(), lengths[a]) << int(a);
        EXPECT_EQ(got, expected) << int(a);
    }
    LogCapture log;
    Spatial other = spatialAt(1.0);
    other.algorithm = DRM_OTHER;
    own.setSpatial(other);
    own.setForceIdentifier(ForceIdentifier(2));
    manager().tick();
    ASSERT_TRUE(raw.tickUntil([&] { return raw.reflections.size() == 10; }));
    EXPECT_EQ(raw.reflections.back().order, std::vector<RTI::Handle>{rawForce});
    EXPECT_TRUE(log.contains("QVHLAAircraftObject::updateAttributes : Spatial not sent: algorithm 0 has no wire form"));
    EXPECT_FALSE(own.isSpatialPending());
}

TEST_F(AircraftTest, HandlersLogFailuresAndDropTheTicksMarks) {
    TestAircraft own;
    ASSERT_TRUE(own.registerObjectInstance("Ownship"));
    LogCapture log;
    own.setForceIdentifier(ForceIdentifier(3));
    rtitest::failNextCall<RTI::AttributeNotOwned>("updateAttributeValues", "not owned");
    own.updateAttributes();
    EXPECT_FALSE(own.isForceIdentifierPending());
    own.setForceIdentifier(ForceIdentifier(3));
    rtitest::failNextCall<std::runtime_error>("updateAttributeValues", "x");
    own.updateAttributes();
    EXPECT_EQ(log.lines(), (std::vector<std::string>{"QVHLAAircraftObject::updateAttributes : not owned",
                                                     "QVHLAAircraftObject::updateAttributes : Unknown exception"}));

    log.clear();
    rtitest::failNextCall<RTI::ObjectClassNotDefined>("publishObjectClass", "p");
    EXPECT_FALSE(own.publish());
    rtitest::failNextCall<std::runtime_error>("publishObjectClass", "x");
    EXPECT_FALSE(own.publish());
    rtitest::failNextCall<RTI::ObjectClassNotDefined>("subscribeObjectClassAttributes", "s");
    EXPECT_FALSE(own.subscribe());
    rtitest::failNextCall<std::runtime_error>("subscribeObjectClassAttributes", "x");
    EXPECT_FALSE(own.subscribe());
    EXPECT_TRUE(own.subscribe());
    EXPECT_EQ(log.lines(), (std::vector<std::string>{
                               "QVHLAAircraftObject::publish() : p",
                               "QVHLAAircraftObject::publish() : Unknown exception",
                               "QVHLAAircraftObject::subscribe : s",
                               "QVHLAAircraftObject::subscribe : Unknown exception",
                               "QVHLAAircraftObject::subscribe() : Success!",
                           }));

    // An RTI that only knows the full class name still yields the handles.
    const RTI::ObjectClassHandle cls = QVHLAAircraftObject::classHandle;
    log.clear();
    rtitest::failNextCall<RTI::NameNotFound>("getObjectClassHandle", "relative name unknown");
    EXPECT_TRUE(own.getHandles());
    EXPECT_EQ(QVHLAAircraftObject::classHandle, cls);
    rtitest::failNextCall<RTI::NameNotFound>("getObjectClassHandle", "relative name unknown");
    rtitest::failNextCall<RTI::NameNotFound>("getObjectClassHandle", "full name unknown");
    EXPECT_FALSE(own.getHandles());
    rtitest::failNextCall<std::runtime_error>("getAttributeHandle", "x");
    EXPECT_FALSE(own.getHandles());
    EXPECT_EQ(log.lines(), (std::vector<std::string>{"QVHLAAircraftObject::getHandles() : Success!",
                                                     "QVHLAAircraftObject::getHandles : full name unknown",
                                                     "QVHLAAircraftObject::getHandles : Unknown exception"}));
    EXPECT_TRUE(own.getHandles());
}

// A peer's aircraft arrives through discovery (template), reflections and removal.
TEST_F(AircraftTest, RemoteAircraftAreMadeReflectedAndRemoved) {
    TestAircraft subscriber;
    ASSERT_TRUE(subscriber.subscribe());
    ASSERT_TRUE(manager().registerObjectTemplate(QVHLAAircraftObject::classHandle, new TestAircraft()));
    rawPublish();
    const RTI::ObjectHandle peer = raw.rti.registerObjectInstance(rawClass, "Peer");
    std::unique_ptr<RTI::AttributeHandleValuePairSet> values(RTI::AttributeSetFactory::create(2));
    Spatial shortSpatial = spatialAt(9.0);
    shortSpatial.algorithm = DRM_STATIC;
    NetBuffer spatialBytes = spatialToNet(shortSpatial);
    values->add(rawSpatial, spatialBytes.get(), 48);  // peers send only the carried bytes
    values->add(rawForce, "\x02", 1);
    LogCapture log;
    raw.rti.updateAttributeValues(peer, *values, "tag");

    ASSERT_TRUE(tickManagerUntil([&] {
        TestAircraft* a = dynamic_cast<TestAircraft*>(manager().findRemoteObject(peer));
        return a && a->reflected > 0;
    }));
    TestAircraft* remote = dynamic_cast<TestAircraft*>(manager().findRemoteObject(peer));
    EXPECT_EQ(remote->instanceName, "Peer");
    EXPECT_TRUE(remote->hasSpatial());
    EXPECT_EQ(remote->peekSpatial().worldLocation.x, 9.0);
    EXPECT_EQ(remote->peekSpatial().algorithm, DRM_STATIC);
    EXPECT_EQ(remote->getForceIdentifier(), 2);
    EXPECT_TRUE(log.contains("QVHLAFederateAmbassador::discoverObjectInstance : Object discovered!"));

    const int alive = TestAircraft::alive;
    raw.rti.deleteObjectInstance(peer, "tag");
    ASSERT_TRUE(tickManagerUntil([&] { return manager().findRemoteObject(peer) == nullptr; }));
    EXPECT_EQ(TestAircraft::alive, alive - 1);
    manager().registerObjectTemplate(QVHLAAircraftObject::classHandle, nullptr);
}

// The RTI made the instance but its name could not be read: the instance goes again,
// so no instance is left in the federation without an owner.
TEST_F(AircraftTest, HalfFailedRegistrationWithdrawsTheInstance) {
    rawSubscribe();
    TestAircraft own;
    LogCapture log;
    rtitest::failNextCall<RTI::ObjectNotKnown>("getObjectInstanceName", "name lost");
    EXPECT_FALSE(own.registerObjectInstance(nullptr));
    EXPECT_FALSE(own.isRegistered());
    EXPECT_TRUE(manager().getLocalObjects().empty());
    EXPECT_EQ(log.lines(), std::vector<std::string>{"QVHLARootObject::registerObjectInstance : ObjectNotKnown"});
    raw.drain();
    EXPECT_EQ(raw.discovered.size(), raw.removed.size());
    // And it can register once the RTI cooperates.
    ASSERT_TRUE(own.registerObjectInstance(nullptr));
    EXPECT_FALSE(own.getInstanceName().empty());
}

// join, discover, resign, join: the second stay must not meet the first one's objects,
// even where the RTI hands out the same handles again.
TEST_F(AircraftTest, RemoteObjectsGoWithTheResign) {
    TestAircraft* templ = new TestAircraft();
    ASSERT_TRUE(manager().registerObjectTemplate(TestAircraft::classHandle, templ));
    ASSERT_TRUE(templ->subscribe());
    rawPublish();
    const RTI::ObjectHandle peer = raw.rti.registerObjectInstance(rawClass, "Peer");
    ASSERT_TRUE(tickManagerUntil([&] { return manager().findRemoteObject(peer) != nullptr; }));
    const int alive = TestAircraft::alive;

    ASSERT_TRUE(manager().resignFederation());
    EXPECT_TRUE(manager().getRemoteObjects().empty());
    EXPECT_EQ(manager().findRemoteObject(peer), nullptr);  // the hashed index too
    EXPECT_EQ(TestAircraft::alive, alive - 1);
    EXPECT_EQ(manager().findObjectTemplate(TestAircraft::classHandle), templ);  // templates stay

    ASSERT_TRUE(manager().joinFederation("volax", fed.c_str(), VOLAX_TEST_FED));
    TestAircraft own;
    ASSERT_TRUE(own.publish());
    ASSERT_TRUE(own.registerObjectInstance("Again"));
    own.setForceIdentifier(ForceIdentifier(1));
    manager().tick();
    EXPECT_EQ(manager().findObject(own.getInstanceHandle()), &own);

    // The peer's update request reaches the new object.
    rawSubscribe();
    ASSERT_TRUE(raw.tickUntil([&] {
        for (const auto& d : raw.discovered)
            if (d.second == "Again") return true;
        return false;
    }));
    std::unique_ptr<RTI::AttributeHandleSet> request(RTI::AttributeHandleSetFactory::create(1));
    request->add(rawForce);
    raw.rti.requestObjectAttributeValueUpdate(own.getInstanceHandle(), *request);
    ASSERT_TRUE(tickManagerUntil([&] { return own.isForceIdentifierPending(); }));
    manager().registerObjectTemplate(TestAircraft::classHandle, nullptr);
}

// Nothing an application hook throws inside an RTI callback crosses the RTI's tick().
TEST_F(AircraftTest, HookExceptionsStayInTheAmbassador) {
    struct Throwing : TestAircraft {
        QVHLARootObject* newInstance() override { return new Throwing(); }
        void attributesReflected() override { throw RTI::AttributeNotKnown("bad reflection"); }
    };
    struct ThrowingDetonation : Detonation {
        void interactionReceived() override { throw std::runtime_error("bad interaction"); }
    };
    Throwing* templ = new Throwing();
    ASSERT_TRUE(manager().registerObjectTemplate(TestAircraft::classHandle, templ));
    ASSERT_TRUE(templ->subscribe());
    ThrowingDetonation* d = new ThrowingDetonation();
    ASSERT_TRUE(d->getHandles());
    ASSERT_TRUE(d->subscribe());
    manager().registerInteraction(d);
    rawPublish();
    const RTI::ObjectHandle peer = raw.rti.registerObjectInstance(rawClass, "Peer");
    ASSERT_TRUE(tickManagerUntil([&] { return manager().findRemoteObject(peer) != nullptr; }));

    LogCapture log;
    std::unique_ptr<RTI::AttributeHandleValuePairSet> values(RTI::AttributeSetFactory::create(1));
    values->add(rawForce, "\x01", 1);
    raw.rti.updateAttributeValues(peer, *values, "t");
    const RTI::InteractionClassHandle detonation = raw.rti.getInteractionClassHandle("MunitionDetonation");
    raw.rti.publishInteractionClass(detonation);
    std::unique_ptr<RTI::ParameterHandleValuePairSet> parameters(RTI::ParameterSetFactory::create(1));
    parameters->add(raw.rti.getParameterHandle("FuseType", detonation), "\x00\x01", 2);
    raw.rti.sendInteraction(detonation, *parameters, "t");
    EXPECT_NO_THROW(tickManagerUntil([&] {
        return log.contains("QVHLAFederateAmbassador::reflectAttributeValues : AttributeNotKnown: bad reflection") &&
               log.contains("QVHLAFederateAmbassador::receiveInteraction : Unknown exception");
    }));
    EXPECT_TRUE(log.contains("QVHLAFederateAmbassador::reflectAttributeValues : AttributeNotKnown: bad reflection"));
    EXPECT_TRUE(log.contains("QVHLAFederateAmbassador::receiveInteraction : Unknown exception"));
    manager().removeInteraction(d->getClassHandle());
    manager().registerObjectTemplate(TestAircraft::classHandle, nullptr);
}
