// MunitionDetonation and StartResume: decoding of hand-made parameter sets, and both
// directions against a federate written on the raw API.
#include <gtest/gtest.h>

#include <RTIfaultInjection.hh>

#include <cstring>

#include "FrameworkTestSupport.h"
#include "QVHLAMunitionDetonationInteraction.h"
#include "QVHLAStartResumeInteraction.h"

namespace {

QVHLAManager& manager() {
    return *QVHLAManager::getInstance();
}

class Detonation : public QVHLAMunitionDetonationInteraction {
public:
    int hooks = 0;
    void interactionReceived() override { ++hooks; }
};

class StartResume : public QVHLAStartResumeInteraction {
public:
    int hooks = 0;
    void interactionReceived() override { ++hooks; }
};

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

typedef std::unique_ptr<RTI::ParameterHandleValuePairSet> ParameterSet;

ParameterSet parameters(std::initializer_list<std::pair<RTI::Handle, std::string>> items) {
    ParameterSet set(RTI::ParameterSetFactory::create(static_cast<RTI::ULong>(items.size())));
    for (const auto& i : items) set->add(i.first, i.second.data(), static_cast<RTI::ULong>(i.second.size()));
    return set;
}

std::string encoded(const NetBuffer& b, size_t n) {
    return std::string(b.get(), n);
}

}  // namespace

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

namespace {

class InteractionExchange : public ::testing::Test {
protected:
    std::string fed = uniqueFederation("Interactions");
    RawFederate raw;
    RTI::InteractionClassHandle rawDetonation = 0, rawStartResume = 0;

    void SetUp() override {
        ASSERT_TRUE(manager().joinFederation("volax", fed.c_str(), VOLAX_TEST_FED));
        raw.join(fed.c_str());
        rawDetonation = raw.rti.getInteractionClassHandle("InteractionRoot.MunitionDetonation");
        rawStartResume = raw.rti.getInteractionClassHandle("InteractionRoot.StartResume");
    }
    void TearDown() override {
        rtitest::clearFaults();
        raw.resign();
        manager().resignFederation();
    }
    RTI::ParameterHandle rawParam(const char* name, RTI::InteractionClassHandle cls) {
        return raw.rti.getParameterHandle(name, cls);
    }
};

}  // namespace

TEST_F(InteractionExchange, DetonationSentByTheFrameworkReachesARawFederate) {
    Detonation d;
    ASSERT_TRUE(d.getHandles());
    ASSERT_TRUE(d.publish());
    raw.rti.subscribeInteractionClass(rawDetonation, RTI::RTI_TRUE);
    LogCapture log;

    // Nothing to send, or only a target identifier without a name: no RTI call.
    rtitest::failNextCall<RTI::RTIinternalError>("sendInteraction", "must not be called");
    EXPECT_TRUE(d.sendInteraction());
    d.setTargetObjectIdentifier(nullptr);
    EXPECT_TRUE(d.sendInteraction());
    EXPECT_TRUE(d.isTargetObjectIdentifierPending());
    EXPECT_EQ(rtitest::pendingFaults(), 1);
    rtitest::clearFaults();

    d.setDetonationLocation(WorldLocation{1.0, 2.0, 3.0});
    d.setDetonationResultCode(17);
    d.setFinalVelocityVector(Vector3f{1.0f, 0.0f, -2.0f});
    d.setFuseType(0x1234);
    d.setRelativeDetonationLocation(Vector3f{0.5f, 0.5f, 0.5f});
    d.setTargetObjectIdentifier("Ownship");
    d.setWarheadType(7);
    EXPECT_TRUE(d.sendInteraction());
    EXPECT_EQ(log.lines(), std::vector<std::string>{
                               "QVHLAMunitionDetonationInteraction::sendInteraction() : DetonationLocation: 1.000000 , 2.000000 , 3.000000"});
    EXPECT_FALSE(d.isDetonationLocationPending() || d.isTargetObjectIdentifierPending() || d.isWarheadTypePending());
    ASSERT_TRUE(raw.tickUntil([&] { return !raw.interactions.empty(); }));
    const ValueMap& got = raw.interactions[0].values;
    EXPECT_EQ(raw.interactions[0].cls, rawDetonation);
    EXPECT_EQ(got.at(rawParam("DetonationLocation", rawDetonation)),
              encoded(worldLocationToNet(WorldLocation{1.0, 2.0, 3.0}), 24));
    EXPECT_EQ(got.at(rawParam("DetonationResultCode", rawDetonation)), bytes({0x00, 0x11}));
    EXPECT_EQ(got.at(rawParam("FinalVelocityVector", rawDetonation)),
              bytes({0x3F, 0x80, 0, 0, 0, 0, 0, 0, 0xC0, 0, 0, 0}));
    EXPECT_EQ(got.at(rawParam("FuseType", rawDetonation)), bytes({0x12, 0x34}));
    EXPECT_EQ(got.at(rawParam("TargetObjectIdentifier", rawDetonation)), "Ownship");
    EXPECT_EQ(got.at(rawParam("WarheadType", rawDetonation)), bytes({0, 7}));
    EXPECT_EQ(got.size(), 7u);

    log.clear();
    d.setFuseType(1);
    rtitest::failNextCall<RTI::InteractionClassNotPublished>("sendInteraction", "not published");
    EXPECT_TRUE(d.sendInteraction());
    d.setFuseType(1);
    rtitest::failNextCall<std::runtime_error>("sendInteraction", "x");
    EXPECT_TRUE(d.sendInteraction());
    EXPECT_FALSE(d.isFuseTypePending());
    EXPECT_EQ(log.lines(), (std::vector<std::string>{
                               "QVHLAMunitionDetonationInteraction::sendInteraction() : not published",
                               "QVHLAsendInteraction::sendInteraction() : Unknown exception"}));
}

TEST_F(InteractionExchange, RawFederatesInteractionsReachTheRegisteredReceivers) {
    Detonation* d = new Detonation();
    ASSERT_TRUE(d->getHandles());
    ASSERT_TRUE(d->subscribe());
    manager().registerInteraction(d);
    StartResume* s = new StartResume();
    ASSERT_TRUE(s->getHandles());
    ASSERT_TRUE(s->subscribe());
    manager().registerInteraction(s);

    raw.rti.publishInteractionClass(rawDetonation);
    raw.rti.publishInteractionClass(rawStartResume);
    ParameterSet det = parameters({{rawParam("DetonationResultCode", rawDetonation), bytes({1})},
                                   {rawParam("TargetObjectIdentifier", rawDetonation), std::string("Ownship\0", 8)}});
    raw.rti.sendInteraction(rawDetonation, *det, "tag");
    ParameterSet sr = parameters({{rawParam("ReceivingEntity", rawStartResume), bytes({0, 1, 0, 2, 0, 3})},
                                  {rawParam("SimulationTime", rawStartResume), bytes({0, 0, 0, 12, 0, 0, 0, 0})}});
    raw.rti.sendInteraction(rawStartResume, *sr, "tag");
    ASSERT_TRUE(tickManagerUntil([&] { return d->hooks == 1 && s->hooks == 1; }));
    EXPECT_EQ(d->getDetonationResultCode(), 1);
    EXPECT_EQ(d->getTargetObjectIdentifier(), "Ownship");
    EXPECT_FALSE(d->isFuseTypeReceived());
    EXPECT_EQ(s->getReceivingEntity().entityNumber, 3);
    EXPECT_EQ(s->getSimulationTime().hours, 12);
    EXPECT_FALSE(s->isRealWorldTimeReceived());
    manager().removeInteraction(QVHLAMunitionDetonationInteraction::classHandle);
    manager().removeInteraction(QVHLAStartResumeInteraction::classHandle);
}

TEST_F(InteractionExchange, StartResumeSentByTheFrameworkReachesARawFederate) {
    StartResume s;
    LogCapture log;
    rtitest::failNextCall<RTI::NameNotFound>("getParameterHandle", "no such parameter");
    EXPECT_FALSE(s.getHandles());
    rtitest::failNextCall<std::runtime_error>("publishInteractionClass", "x");
    ASSERT_TRUE(s.getHandles());
    EXPECT_FALSE(s.publish());
    EXPECT_EQ(log.lines(), (std::vector<std::string>{"QVHLAStartResumeInteraction::getHandles() : no such parameter",
                                                     "QVHLAStartResumeInteraction::publish() : Unknown exception"}));
    ASSERT_TRUE(s.publish());
    raw.rti.subscribeInteractionClass(rawStartResume, RTI::RTI_TRUE);

    rtitest::failNextCall<RTI::RTIinternalError>("sendInteraction", "must not be called");
    EXPECT_TRUE(s.sendInteraction());
    EXPECT_EQ(rtitest::pendingFaults(), 1);
    rtitest::clearFaults();

    s.setOriginatingEntity(EntityIdentifier{1, 2, 3});
    s.setRealWorldTime(ClockTime{1, 2});
    s.setReceivingEntity(EntityIdentifier{65535, 65535, 65535});
    s.setRequestIdentifier(256);
    s.setSimulationTime(ClockTime{-1, 5});
    EXPECT_TRUE(s.sendInteraction());
    EXPECT_FALSE(s.isRequestIdentifierPending() || s.isSimulationTimePending());
    ASSERT_TRUE(raw.tickUntil([&] { return !raw.interactions.empty(); }));
    const ValueMap& got = raw.interactions[0].values;
    EXPECT_EQ(got.at(rawParam("OriginatingEntity", rawStartResume)), bytes({0, 1, 0, 2, 0, 3}));
    EXPECT_EQ(got.at(rawParam("RealWorldTime", rawStartResume)), bytes({0, 0, 0, 1, 0, 0, 0, 2}));
    EXPECT_EQ(got.at(rawParam("ReceivingEntity", rawStartResume)), bytes({0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}));
    EXPECT_EQ(got.at(rawParam("RequestIdentifier", rawStartResume)), bytes({0, 0, 1, 0}));
    EXPECT_EQ(got.at(rawParam("SimulationTime", rawStartResume)), bytes({0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 5}));

    log.clear();
    s.setRequestIdentifier(1);
    rtitest::failNextCall<RTI::InteractionClassNotPublished>("sendInteraction", "not published");
    EXPECT_TRUE(s.sendInteraction());
    rtitest::failNextCall<RTI::InteractionClassNotDefined>("subscribeInteractionClass", "sub");
    EXPECT_FALSE(s.subscribe());
    EXPECT_EQ(log.lines(), (std::vector<std::string>{"QVHLAStartResumeInteraction::sendInteraction() : not published",
                                                     "QVHLAStartResumeInteraction::subscribe() : sub"}));
}
