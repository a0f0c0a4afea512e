// Interactions: routing by class, parameter filtering for superclass
// subscribers, and the sender's own errors.
#include "federate_support.h"

using namespace rtitests;

namespace {

// A small interaction tree with parameters at two levels.
const char* const kTreeFed =
    "(FED (Federation tree) (FEDversion v1.3) (spaces)\n"
    " (objects (class ObjectRoot (attribute privilegeToDelete reliable timestamp)))\n"
    " (interactions (class InteractionRoot reliable timestamp\n"
    "   (class Weapon best_effort receive (parameter Caliber)\n"
    "     (class Missile best_effort receive (parameter Seeker)))\n"
    "   (class Radio reliable receive (parameter Channel)))))\n";

class Interactions : public ::testing::Test {
protected:
    void SetUp() override {
        fx = uniqueName();
        a.rti.createFederationExecution(fx.c_str(), fed.path().c_str());
        a.rti.joinFederationExecution("a", fx.c_str(), &a);
        b.rti.joinFederationExecution("b", fx.c_str(), &b);
        c.rti.joinFederationExecution("c", fx.c_str(), &c);
        weapon = a.rti.getInteractionClassHandle("Weapon");
        missile = a.rti.getInteractionClassHandle("InteractionRoot.Weapon.Missile");
        radio = a.rti.getInteractionClassHandle("Radio");
        caliber = a.rti.getParameterHandle("Caliber", missile);  // inherited
        seeker = a.rti.getParameterHandle("Seeker", missile);
        channel = a.rti.getParameterHandle("Channel", radio);
    }
    void TearDown() override {
        for (Fed* f : {&a, &b, &c}) f->rti.resignFederationExecution(RTI::NO_ACTION);
        a.rti.destroyFederationExecution(fx.c_str());
    }

    TempFile fed{"tree.fed", kTreeFed};
    std::string fx;
    Fed a, b, c;
    RTI::InteractionClassHandle weapon = 0, missile = 0, radio = 0;
    RTI::ParameterHandle caliber = 0, seeker = 0, channel = 0;
};

}  // namespace

TEST_F(Interactions, SuperclassSubscriberGetsOnlyItsClassParameters) {
    EXPECT_EQ(caliber, a.rti.getParameterHandle("Caliber", weapon));
    a.rti.publishInteractionClass(missile);
    a.rti.subscribeInteractionClass(missile);  // the sender never receives its own
    b.rti.subscribeInteractionClass(missile);
    c.rti.subscribeInteractionClass(weapon);

    const std::string bytes("\x00\x01\xfe", 3);
    auto params = paramValues({{caliber, "9mm"}, {seeker, bytes}});
    a.rti.sendInteraction(missile, *params, "sometag");
    settle({&a}, {&a, &b, &c});

    ASSERT_EQ(b.events.size(), 1u);
    EXPECT_EQ(b.events[0].kind, "receive");
    EXPECT_EQ(b.events[0].handle, missile);
    EXPECT_EQ(b.events[0].tag, "sometag");
    EXPECT_EQ(b.events[0].values, (std::map<RTI::Handle, std::string>{{caliber, "9mm"}, {seeker, bytes}}));

    ASSERT_EQ(c.events.size(), 1u);
    EXPECT_EQ(c.events[0].handle, weapon);
    EXPECT_EQ(c.events[0].values, (std::map<RTI::Handle, std::string>{{caliber, "9mm"}}));

    EXPECT_TRUE(a.events.empty());
}

TEST_F(Interactions, OnlySubscribersOfTheClassOrItsAncestorsReceive) {
    a.rti.publishInteractionClass(weapon);
    a.rti.publishInteractionClass(radio);
    b.rti.subscribeInteractionClass(missile);  // a subclass: does not see plain Weapon
    c.rti.subscribeInteractionClass(radio);
    a.rti.sendInteraction(weapon, *paramValues({{caliber, "x"}}), "t");
    a.rti.sendInteraction(radio, *paramValues({}), "t");
    settle({&a}, {&b, &c});
    EXPECT_TRUE(b.events.empty());
    ASSERT_EQ(c.events.size(), 1u);
    EXPECT_EQ(c.events[0].handle, radio);
    EXPECT_TRUE(c.events[0].values.empty());

    c.rti.unsubscribeInteractionClass(radio);
    a.rti.sendInteraction(radio, *paramValues({{channel, "7"}}), "t");
    settle({&a}, {&c});
    EXPECT_EQ(c.events.size(), 1u) << "nothing after unsubscribing";
}

TEST_F(Interactions, SenderErrorsAreRaisedAndNothingIsSent) {
    b.rti.subscribeInteractionClass(weapon);
    EXPECT_THROW(a.rti.sendInteraction(weapon, *paramValues({}), "t"), RTI::InteractionClassNotPublished);
    a.rti.publishInteractionClass(weapon);
    EXPECT_THROW(a.rti.sendInteraction(weapon, *paramValues({{seeker, "s"}}), "t"),
                 RTI::InteractionParameterNotDefined);
    EXPECT_THROW(a.rti.sendInteraction(weapon, *paramValues({{channel, "s"}}), "t"),
                 RTI::InteractionParameterNotDefined);
    EXPECT_THROW(a.rti.sendInteraction(4711, *paramValues({}), "t"), RTI::InteractionClassNotDefined);
    a.rti.unpublishInteractionClass(weapon);
    EXPECT_THROW(a.rti.sendInteraction(weapon, *paramValues({}), "t"), RTI::InteractionClassNotPublished);
    settle({&a}, {&b});
    EXPECT_TRUE(b.events.empty());

    // Timestamped sends arrive through the plain callback.
    a.rti.publishInteractionClass(weapon);
    RTIfedTime t(3.0);
    a.rti.sendInteraction(weapon, *paramValues({{caliber, "c"}}), t, nullptr);
    settle({&a}, {&b});
    ASSERT_EQ(b.events.size(), 1u);
    EXPECT_EQ(b.events[0].kind, "receive");
    EXPECT_EQ(b.events[0].tag, "");
}
