// The FOM model and the executive driven directly, without an ambassador.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "Executive.h"
#include "Fom.h"

using namespace volax::rti;

namespace {

const char* const kAmbiguous =
    "(FED (Federation t) (FEDversion v1.3)\n"
    " (objects (class ObjectRoot (attribute privilegeToDelete reliable timestamp)\n"
    "   (class Land (class Vehicle (attribute wheels best_effort receive)))\n"
    "   (class Sea (class Vehicle (attribute hull best_effort receive)))))\n"
    " (interactions (class InteractionRoot reliable timestamp (class Vehicle reliable receive))))\n";

std::string xpFed() {
    std::ifstream in("XP_Federation.fed");
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

struct Endpoint : FederateEndpoint {
    std::vector<Message> got;
    void deliver(Message&& m) override { got.push_back(std::move(m)); }
};

Message request(MessageKind k, std::uint32_t h = 0) { return Message(k, h); }

}  // namespace

TEST(Fom, AmbiguousLeafNamesNeedAPath) {
    Fom fom = Fom::parse(kAmbiguous, "t.fed");
    EXPECT_FALSE(fom.objectClass("Vehicle"));
    auto land = fom.objectClass("Land.Vehicle");
    auto sea = fom.objectClass("ObjectRoot.Sea.Vehicle");
    ASSERT_TRUE(land && sea);
    EXPECT_NE(*land, *sea);
    // Each tree resolves on its own: the interaction leaf is unique there.
    EXPECT_TRUE(fom.interactionClass("Vehicle"));
    EXPECT_TRUE(fom.attribute(*land, "wheels"));
    EXPECT_FALSE(fom.attribute(*land, "hull"));
    EXPECT_TRUE(fom.attribute(*sea, "privilegeToDelete"));
    EXPECT_TRUE(fom.isObjectSubclass(*land, 0));
    EXPECT_FALSE(fom.isObjectSubclass(0, *land));
}

TEST(Fom, XpFederationHasTheRprClasses) {
    Fom fom = Fom::parse(xpFed(), "XP_Federation.fed");
    EXPECT_EQ(fom.federationName(), "XP_Federation");
    auto air = fom.objectClass("ObjectRoot.BaseEntity.PhysicalEntity.Platform.Aircraft");
    ASSERT_TRUE(air);
    EXPECT_TRUE(fom.objectClasses()[*air].own.empty());
    auto count = [&](const char* name) {
        return fom.objectClasses()[*fom.objectClass(name)].own.size();
    };
    EXPECT_EQ(count("BaseEntity"), 5u);
    EXPECT_EQ(count("PhysicalEntity"), 25u);
    EXPECT_EQ(count("Platform"), 16u);
    auto md = fom.interactionClass("MunitionDetonation");
    auto sr = fom.interactionClass("StartResume");
    ASSERT_TRUE(md && sr);
    EXPECT_EQ(fom.interactionClasses()[*md].own.size(), 14u);
    EXPECT_EQ(fom.interactionClasses()[*md].transport, Transport::BestEffort);
    EXPECT_EQ(fom.interactionClasses()[0].order, Order::Timestamp);
    EXPECT_EQ(fom.interactionClasses()[*sr].own.size(), 5u);
    EXPECT_EQ(fom.attributes()[*fom.attribute(*air, "Spatial")].transport, Transport::BestEffort);

    // The physical entity tree real RPR federates register into: no attributes of their own.
    const char* const tree[][2] = {
        {"Platform.Aircraft", "Platform"},           {"Platform.AmphibiousVehicle", "Platform"},
        {"Platform.GroundVehicle", "Platform"},      {"Platform.MultiDomainPlatform", "Platform"},
        {"Platform.Spacecraft", "Platform"},         {"Platform.SubmersibleVessel", "Platform"},
        {"Platform.SurfaceVessel", "Platform"},      {"Lifeform", ""},
        {"Lifeform.Human", "Lifeform"},              {"Lifeform.NonHuman", "Lifeform"},
        {"Munition", ""},
    };
    const std::string base = "ObjectRoot.BaseEntity.PhysicalEntity";
    for (const auto& row : tree) {
        SCOPED_TRACE(row[0]);
        auto cls = fom.objectClass(base + "." + row[0]);
        auto parent = fom.objectClass(*row[1] ? base + "." + row[1] : base);
        ASSERT_TRUE(cls && parent);
        EXPECT_EQ(fom.objectClasses()[*cls].parent, static_cast<std::int64_t>(*parent));
        EXPECT_TRUE(fom.objectClasses()[*cls].own.empty());
        EXPECT_TRUE(fom.attribute(*cls, "Marking"));
    }
}

TEST(Executive, RepliesCarryTheSerialAndErrorsTheirCode) {
    Executive ex;
    Endpoint e;
    Message rq = request(MessageKind::PublishInteraction);
    rq.serial = 42;
    Message reply = ex.handle(e, rq);
    EXPECT_EQ(reply.kind, MessageKind::Error);
    EXPECT_EQ(reply.serial, 42u);
    EXPECT_EQ(static_cast<ErrorCode>(reply.handle), ErrorCode::FederateNotExecutionMember);
    // A callback kind is no request.
    Message create = request(MessageKind::CreateFederation);
    create.name = "x";
    create.text = xpFed();
    ASSERT_EQ(ex.handle(e, create).kind, MessageKind::Reply);
    Message join = request(MessageKind::JoinFederation);
    join.name = "f";
    join.name2 = "x";
    ASSERT_EQ(ex.handle(e, join).kind, MessageKind::Reply);
    reply = ex.handle(e, request(MessageKind::Discover));
    EXPECT_EQ(static_cast<ErrorCode>(reply.handle), ErrorCode::RTIinternalError);
    ex.disconnect(e);
    ex.disconnect(e);  // twice is harmless
    Message destroy = request(MessageKind::DestroyFederation);
    destroy.name = "x";
    EXPECT_EQ(ex.handle(e, destroy).kind, MessageKind::Reply) << "disconnect resigned the federate";
    EXPECT_EQ(ex.federationCount(), 0u);
}
