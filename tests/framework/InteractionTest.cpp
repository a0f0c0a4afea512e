// MunitionDetonation and StartResume in both directions against a federate written on
// the raw API.
#include <gtest/gtest.h>

#include <RTIfaultInjection.hh>

#include <cstring>

#include "FrameworkTestSupport.h"
#include "QVHLAMunitionDetonationInteraction.h"
#include "QVHLAStartResumeInteraction.h"

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
    d.setEventIdentifier(0x0102, "Gun");
    d.setFiringObjectIdentifier("Shooter");
    d.setMunitionType(EntityType{2, 2, 225, 1, 1, 0, 0});
    d.setQuantityFired(3);
    d.setRateOfFire(600);
    EXPECT_TRUE(d.sendInteraction());
    EXPECT_EQ(log.lines(), std::vector<std::string>{
                               "QVHLAMunitionDetonationInteraction::sendInteraction() : DetonationLocation: 1.000000 , 2.000000 , 3.000000"});
    EXPECT_FALSE(d.isDetonationLocationPending() || d.isTargetObjectIdentifierPending() || d.isWarheadTypePending());
    ASSERT_TRUE(raw.tickUntil([&] { return !raw.interactions.empty(); }));
    const ValueMap& got = raw.interactions[0].values;
    EXPECT_EQ(raw.interactions[0].cls, rawDetonation);
    EXPECT_EQ(got.at(rawParam("DetonationLocation", rawDetonation)),
              encoded(worldLocationToNet(WorldLocation{1.0, 2.0, 3.0}), 24));
    // RPR forms: an Enum8 result, NUL-terminated object names.
    EXPECT_EQ(got.at(rawParam("DetonationResultCode", rawDetonation)), bytes({0x11}));
    EXPECT_EQ(got.at(rawParam("FinalVelocityVector", rawDetonation)),
              bytes({0x3F, 0x80, 0, 0, 0, 0, 0, 0, 0xC0, 0, 0, 0}));
    EXPECT_EQ(got.at(rawParam("FuseType", rawDetonation)), bytes({0x12, 0x34}));
    EXPECT_EQ(got.at(rawParam("TargetObjectIdentifier", rawDetonation)), std::string("Ownship\0", 8));
    EXPECT_EQ(got.at(rawParam("WarheadType", rawDetonation)), bytes({0, 7}));
    EXPECT_EQ(got.at(rawParam("EventIdentifier", rawDetonation)), bytes({1, 2, 'G', 'u', 'n', 0}));
    EXPECT_EQ(got.at(rawParam("FiringObjectIdentifier", rawDetonation)), std::string("Shooter\0", 8));
    EXPECT_EQ(got.at(rawParam("MunitionType", rawDetonation)), bytes({2, 2, 0, 0xE1, 1, 1, 0, 0}));
    EXPECT_EQ(got.at(rawParam("QuantityFired", rawDetonation)), bytes({0, 3}));
    EXPECT_EQ(got.at(rawParam("RateOfFire", rawDetonation)), bytes({0x02, 0x58}));
    EXPECT_EQ(got.size(), 12u);

    // A name that already ends in its NUL is not given a second one.
    d.setTargetObjectIdentifier("Ownship\0", 8);
    EXPECT_TRUE(d.sendInteraction());
    ASSERT_TRUE(raw.tickUntil([&] { return raw.interactions.size() == 2; }));
    EXPECT_EQ(raw.interactions[1].values.at(rawParam("TargetObjectIdentifier", rawDetonation)),
              std::string("Ownship\0", 8));

    log.clear();
    d.setFuseType(1);
    rtitest::failNextCall<RTI::InteractionClassNotPublished>("sendInteraction", "not published");
    EXPECT_FALSE(d.sendInteraction());
    d.setFuseType(1);
    rtitest::failNextCall<std::runtime_error>("sendInteraction", "x");
    EXPECT_FALSE(d.sendInteraction());
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
    EXPECT_FALSE(s.sendInteraction());
    rtitest::failNextCall<RTI::InteractionClassNotDefined>("subscribeInteractionClass", "sub");
    EXPECT_FALSE(s.subscribe());
    EXPECT_EQ(log.lines(), (std::vector<std::string>{"QVHLAStartResumeInteraction::sendInteraction() : not published",
                                                     "QVHLAStartResumeInteraction::subscribe() : sub"}));
}
