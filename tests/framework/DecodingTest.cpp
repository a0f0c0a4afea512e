// Decoding of hand-made value sets by the aircraft class and both interactions, and the
// federate ambassador's routing, driven directly: no federation is joined, and no test
// hook of the embedded RTI is needed.
#include <gtest/gtest.h>

#include <fedtime.hh>

#include <cstring>

#include "FrameworkTestSupport.h"
#include "QVHLAFederateAmbassador.h"
#include "QVHLAMunitionDetonationInteraction.h"
#include "QVHLAStartResumeInteraction.h"

namespace {

void setDetonationHandles() {
    QVHLAMunitionDetonationInteraction::classHandle = 50;
    QVHLAMunitionDetonationInteraction::detonationLocationHandle = 51;
    QVHLAMunitionDetonationInteraction::detonationResultCodeHandle = 52;
    QVHLAMunitionDetonationInteraction::finalVelocityVectorHandle = 53;
    QVHLAMunitionDetonationInteraction::fuseTypeHandle = 54;
    QVHLAMunitionDetonationInteraction::relativeDetonationLocationHandle = 55;
    QVHLAMunitionDetonationInteraction::targetObjectIdentifierHandle = 56;
    QVHLAMunitionDetonationInteraction::warheadTypeHandle = 57;
}

void setStartResumeHandles() {
    QVHLAStartResumeInteraction::classHandle = 60;
    QVHLAStartResumeInteraction::originatingEntityHandle = 61;
    QVHLAStartResumeInteraction::realWorldTimeHandle = 62;
    QVHLAStartResumeInteraction::receivingEntityHandle = 63;
    QVHLAStartResumeInteraction::requestIdentifierHandle = 64;
    QVHLAStartResumeInteraction::simulationTimeHandle = 65;
}

}  // namespace

// The ambassador's routing, driven directly: no RTI is involved.
TEST(FederateAmbassador, RoutesReflectionsRemovalsAndRequests) {
    QVHLAFederateAmbassador amb;
    QVHLAAircraftObject::classHandle = 900;
    QVHLAAircraftObject::entityIdentifierHandle = 901;
    QVHLAAircraftObject::entityTypeHandle = 902;
    QVHLAAircraftObject::spatialHandle = 903;
    QVHLAAircraftObject::forceIdentifierHandle = 904;
    LogCapture log;

    std::unique_ptr<RTI::AttributeHandleValuePairSet> values(RTI::AttributeSetFactory::create(2));
    values->add(904, "\x05", 1);
    amb.reflectAttributeValues(777, *values, "tag");
    EXPECT_EQ(log.lines(), (std::vector<std::string>{
                               "QVHLAFederateAmbassador::reflectAttributeValues() : Short!",
                               "QVHLAFederateAmbassador::reflectAttributeValues : Couldn't find object to reflect attributes!"}));

    TestAircraft local;
    local.instanceHandle = 777;
    manager().addLocalObject(&local);
    log.clear();
    RTIfedTime time(1.0);
    RTI::EventRetractionHandle retraction{0, 0};
    amb.reflectAttributeValues(777, *values, time, "tag", retraction);
    EXPECT_EQ(log.lines(), (std::vector<std::string>{"QVHLAFederateAmbassador::reflectAttributeValues() : Long!",
                                                     "QVHLAFederateAmbassador::reflectAttributeValues() : Short!",
                                                     "QVHLAAircraftObject::reflectAttributes : begin",
                                                     "QVHLAAircraftObject::reflectAttributes : ForceIdentifier"}));
    EXPECT_EQ(local.getForceIdentifier(), 5);

    std::unique_ptr<RTI::AttributeHandleSet> request(RTI::AttributeHandleSetFactory::create(1));
    request->add(904);
    local.updateAttributes();  // not joined: the RTI refuses and the mark is dropped
    EXPECT_FALSE(local.isForceIdentifierPending());
    amb.provideAttributeValueUpdate(777, *request);
    EXPECT_TRUE(local.isForceIdentifierPending());
    amb.provideAttributeValueUpdate(778, *request);  // unknown: ignored

    // The federate's own object is never deleted by a removal.
    log.clear();
    const int alive = TestAircraft::alive;
    amb.removeObjectInstance(777, time, "tag", retraction);
    EXPECT_EQ(TestAircraft::alive, alive);
    EXPECT_EQ(manager().findLocalObject(777), &local);
    EXPECT_EQ(log.lines(), std::vector<std::string>{
                               "QVHLAFederateAmbassador::removeObjectInstance : Ignoring removal of a local object"});
    manager().removeLocalObject(777);

    // Discovery without a template only logs.
    log.clear();
    amb.discoverObjectInstance(778, 900, "Peer");
    EXPECT_EQ(log.lines(), (std::vector<std::string>{
                               "QVHLAFederateAmbassador::discoverObjectInstance : Object discovered!",
                               "QVHLAManager::newRemoteObject : Couldn't find template object class 900"}));
    amb.removeObjectInstance(778, "tag");  // unknown: ignored
}

// Reflections decoded from hand-made sets: every attribute, foreign handles, bad lengths,
// and a set that throws.
TEST(AircraftReflection, DecodesKnownAttributesAndSkipsTheRest) {
    QVHLAAircraftObject::entityIdentifierHandle = 11;
    QVHLAAircraftObject::entityTypeHandle = 12;
    QVHLAAircraftObject::spatialHandle = 13;
    QVHLAAircraftObject::forceIdentifierHandle = 14;
    TestAircraft a;
    LogCapture log;
    std::unique_ptr<RTI::AttributeHandleValuePairSet> other(RTI::AttributeSetFactory::create(1));
    other->add(99, "\x01", 1);
    a.reflectAttributes(*other, "tag");
    EXPECT_EQ(log.lines(), std::vector<std::string>{"QVHLAAircraftObject::reflectAttributes : begin"});
    EXPECT_EQ(a.reflected, 1);
    EXPECT_FALSE(a.hasSpatial() || a.isForceIdentifierValid());

    Spatial s = spatialAt(1.5);
    NetBuffer sb = spatialToNet(s);
    std::unique_ptr<RTI::AttributeHandleValuePairSet> all(RTI::AttributeSetFactory::create(5));
    all->add(14, "\xFE", 1);
    all->add(11, "\x00\x01\x00\x02\x00\x03\xFF", 7);  // longer: leading bytes
    all->add(12, "\x01\x02\x00\xE1\x01\x02\x03\x04", 8);
    all->add(13, sb.get(), 88);
    all->add(99, "", 0);
    log.clear();
    a.reflectAttributes(*all, "tag");
    EXPECT_EQ(a.getForceIdentifier(), 0xFE);
    EXPECT_EQ(a.getEntityIdentifier().entityNumber, 3);
    EXPECT_EQ(a.getEntityType().country, 225);
    EXPECT_EQ(a.peekSpatial().worldLocation.x, 1.5);
    EXPECT_TRUE(a.isEntityIdentifierPending() && a.isEntityTypePending() && a.isSpatialPending() &&
                a.isForceIdentifierPending());
    EXPECT_EQ(log.lines(), (std::vector<std::string>{
                               "QVHLAAircraftObject::reflectAttributes : begin",
                               "QVHLAAircraftObject::reflectAttributes : ForceIdentifier",
                               "QVHLAAircraftObject::reflectAttributes : EntityIdentifier",
                               "QVHLAAircraftObject::reflectAttributes : EntityType",
                               "QVHLAAircraftObject::reflectAttributes : Spatial",
                               "QVHLAAircraftObject::reflectAttributes : New Spat: 1.500000, 2.000000, 3.000000"}));

    // Bad values leave the object as it was.
    a.takeSpatial();
    NetBuffer bad = spatialToNet(spatialAt(8.0));
    bad[0] = 0;
    std::unique_ptr<RTI::AttributeHandleValuePairSet> broken(RTI::AttributeSetFactory::create(2));
    broken->add(13, bad.get(), 88);
    broken->add(14, "", 0);
    std::unique_ptr<RTI::AttributeHandleValuePairSet> truncated(RTI::AttributeSetFactory::create(1));
    truncated->add(13, sb.get(), 71);  // algorithm 5 carries 72
    log.clear();
    a.reflectAttributes(*broken, "tag");
    a.reflectAttributes(*truncated, "tag");
    EXPECT_EQ(a.peekSpatial().worldLocation.x, 1.5);
    EXPECT_FALSE(a.isSpatialPending());
    EXPECT_EQ(a.getForceIdentifier(), 0xFE);
    EXPECT_TRUE(log.contains("QVHLAAircraftObject::reflectAttributes : Spatial skipped: algorithm 0 unknown"));
    EXPECT_TRUE(log.contains("QVHLAAircraftObject::reflectAttributes : Spatial skipped: 71 of 72 bytes"));
    EXPECT_TRUE(log.contains("QVHLAAircraftObject::reflectAttributes : ForceIdentifier skipped: 0 of 1 bytes"));

    ThrowingAttributeSet throwing;
    throwing.add(14, "\x07", 1);
    throwing.add(13, sb.get(), 88);
    throwing.throwAt = 1;
    log.clear();
    const int reflectedBefore = a.reflected;
    a.reflectAttributes(throwing, "tag");
    throwing.rtiException = false;
    a.reflectAttributes(throwing, "tag");
    EXPECT_EQ(a.getForceIdentifier(), 7);
    EXPECT_EQ(a.reflected, reflectedBefore + 2);
    EXPECT_TRUE(log.contains("QVHLAAircraftObject::reflectAttributes : bad index"));
    EXPECT_TRUE(log.contains("QVHLAAircraftObject::reflectAttributes : Unknown exception"));
}

TEST(MunitionDetonationReceive, DecodesPeerFormsAndKeepsOldValuesOfAbsentParameters) {
    setDetonationHandles();
    Detonation d;
    LogCapture log;
    const WorldLocation loc{1.0, 2.0, 3.0};
    const Vector3f v{4.0f, 5.0f, 6.0f};
    d.receiveInteraction(*parameters({{51, encoded(worldLocationToNet(loc), 24)},
                                      {52, bytes({0x00, 0x11})},
                                      {53, encoded(vectorToNet(v), 12)},
                                      {54, bytes({0x01, 0x02})},
                                      {55, encoded(vectorToNet(v), 12)},
                                      {99, "foreign"},
                                      {56, std::string("Ownship\0", 8)},
                                      {57, bytes({0x03, 0xE8})}}),
                         "tag");
    EXPECT_EQ(d.hooks, 1);
    EXPECT_EQ(d.getDetonationLocation().z, 3.0);
    EXPECT_EQ(d.getDetonationResultCode(), 17);
    EXPECT_EQ(d.getFinalVelocityVector().y, 5.0f);
    EXPECT_EQ(d.getFuseType(), 0x0102);
    EXPECT_EQ(d.getRelativeDetonationLocation().z, 6.0f);
    EXPECT_EQ(d.getTargetObjectIdentifier(), "Ownship");  // the peer's NUL is dropped
    EXPECT_EQ(d.getWarheadType(), 1000);
    EXPECT_TRUE(d.isDetonationLocationReceived() && d.isDetonationResultCodeReceived() &&
                d.isFinalVelocityVectorReceived() && d.isFuseTypeReceived() &&
                d.isRelativeDetonationLocationReceived() && d.isTargetObjectIdentifierReceived() &&
                d.isWarheadTypeReceived());
    EXPECT_EQ(log.lines(), std::vector<std::string>{"QVHLAMunitionDetonationInteraction::receiveInteraction() : begin"});

    // Second reception: the code as a 16-bit value uses its low byte, the name is replaced
    // byte for byte, short values are skipped and absent ones keep their value.
    log.clear();
    d.receiveInteraction(*parameters({{52, bytes({0x01, 0x05})},
                                      {56, std::string("AB\0CD", 5)},
                                      {54, bytes({0x07})},
                                      {51, std::string(23, '\0')}}),
                         "tag");
    EXPECT_EQ(d.getDetonationResultCode(), 5);
    EXPECT_EQ(d.getTargetObjectIdentifier(), std::string("AB\0CD", 5));
    EXPECT_EQ(d.getFuseType(), 0x0102);
    EXPECT_FALSE(d.isFuseTypeReceived());
    EXPECT_EQ(d.getDetonationLocation().z, 3.0);
    EXPECT_FALSE(d.isDetonationLocationReceived());
    EXPECT_FALSE(d.isWarheadTypeReceived());
    EXPECT_EQ(d.getWarheadType(), 1000);
    EXPECT_TRUE(log.contains("QVHLAMunitionDetonationInteraction::receiveInteraction() : FuseType skipped: 1 of 2 bytes"));
    EXPECT_TRUE(log.contains(
        "QVHLAMunitionDetonationInteraction::receiveInteraction() : DetonationLocation skipped: 23 of 24 bytes"));

    // RPR peers send the enumeration in one byte; an empty name is a name.
    d.receiveInteraction(*parameters({{52, bytes({0x19})}, {56, std::string("\0", 1)}, {57, ""}}), "tag");
    EXPECT_EQ(d.getDetonationResultCode(), 25);
    EXPECT_TRUE(d.hasTargetObjectIdentifier());
    EXPECT_EQ(d.getTargetObjectIdentifier(), "");
    EXPECT_FALSE(d.isWarheadTypeReceived());

    d.receiveInteraction(*parameters({}), "tag");
    EXPECT_FALSE(d.isDetonationResultCodeReceived() || d.isTargetObjectIdentifierReceived());
    EXPECT_EQ(d.getDetonationResultCode(), 25);
    EXPECT_EQ(d.hooks, 4);

    ThrowingParameterSet throwing;
    throwing.add(54, "\x00\x09", 2);
    throwing.add(57, "\x00\x09", 2);
    throwing.throwAt = 1;
    log.clear();
    d.receiveInteraction(throwing, "tag");
    throwing.rtiException = false;
    d.receiveInteraction(throwing, "tag");
    EXPECT_EQ(d.getFuseType(), 9);
    EXPECT_EQ(d.getWarheadType(), 1000);
    EXPECT_EQ(d.hooks, 6);
    EXPECT_TRUE(log.contains("QVHLAMunitionDetonationInteraction::receiveInteraction() : bad index"));
    EXPECT_TRUE(log.contains("QVHLAsendInteraction::receiveInteraction() : Unknown exception"));
}

TEST(StartResumeReceive, DecodesItsParameters) {
    setStartResumeHandles();
    StartResume s;
    s.receiveInteraction(*parameters({{61, bytes({0, 1, 0, 2, 0, 3})},
                                      {62, bytes({0, 0, 0, 1, 0, 0, 0, 2})},
                                      {63, bytes({0xFF, 0xFF, 0xFF, 0xFF, 0, 7})},
                                      {64, bytes({0, 0, 1, 0})},
                                      {65, bytes({0xFF, 0xFF, 0xFF, 0xFE, 0, 0, 0, 9})}}),
                         "tag");
    EXPECT_EQ(s.getOriginatingEntity().entityNumber, 3);
    EXPECT_EQ(s.getRealWorldTime().timePastTheHour, 2u);
    EXPECT_EQ(s.getReceivingEntity().site, 65535);
    EXPECT_EQ(s.getReceivingEntity().application, 65535);
    EXPECT_EQ(s.getReceivingEntity().entityNumber, 7);
    EXPECT_EQ(s.getRequestIdentifier(), 256u);
    EXPECT_EQ(s.getSimulationTime().hours, -2);
    EXPECT_TRUE(s.isSimulationTimeReceived());

    LogCapture log;
    s.receiveInteraction(*parameters({{63, bytes({0, 9, 0, 9, 0, 9})}, {64, bytes({0, 0, 1})}}), "tag");
    EXPECT_FALSE(s.isSimulationTimeReceived());
    EXPECT_EQ(s.getSimulationTime().timePastTheHour, 9u);
    EXPECT_FALSE(s.isRequestIdentifierReceived());
    EXPECT_EQ(s.getRequestIdentifier(), 256u);
    EXPECT_EQ(s.getReceivingEntity().site, 9);
    EXPECT_EQ(s.hooks, 2);
    EXPECT_EQ(log.lines(), (std::vector<std::string>{
                               "QVHLAStartResumeInteraction::receiveInteraction() : begin",
                               "QVHLAStartResumeInteraction::receiveInteraction() : RequestIdentifier skipped: 3 of 4 bytes"}));

    ThrowingParameterSet throwing;
    throwing.add(64, "\x00\x00\x00\x05", 4);
    throwing.throwAt = 0;
    throwing.rtiException = false;
    log.clear();
    s.receiveInteraction(throwing, "tag");
    EXPECT_EQ(s.hooks, 3);
    EXPECT_TRUE(log.contains("QVHLAsendInteraction::receiveInteraction() : Unknown exception"));
}
