// Federation management, FED files and the handle services.
#include "federate_support.h"

#include <cstdlib>

#include "PathList.h"

using namespace rtitests;

TEST(Federation, LifecycleAndItsExceptions) {
    const std::string fx = uniqueName();
    Fed a, b;
    EXPECT_THROW(a.rti.joinFederationExecution("a", fx.c_str(), &a), RTI::FederationExecutionDoesNotExist);
    EXPECT_THROW(a.rti.destroyFederationExecution(fx.c_str()), RTI::FederationExecutionDoesNotExist);

    a.rti.createFederationExecution(fx.c_str(), kFed);
    EXPECT_THROW(b.rti.createFederationExecution(fx.c_str(), kFed), RTI::FederationExecutionAlreadyExists);

    RTI::FederateHandle ha = a.rti.joinFederationExecution("a", fx.c_str(), &a);
    RTI::FederateHandle hb = b.rti.joinFederationExecution("b", fx.c_str(), &b);
    EXPECT_EQ(ha, 0u);  // handles start at 0, like production RTIs
    EXPECT_EQ(hb, 1u);
    EXPECT_THROW(a.rti.joinFederationExecution("again", fx.c_str(), &a), RTI::FederateAlreadyExecutionMember);

    EXPECT_THROW(a.rti.destroyFederationExecution(fx.c_str()), RTI::FederatesCurrentlyJoined);
    a.rti.resignFederationExecution(RTI::DELETE_OBJECTS_AND_RELEASE_ATTRIBUTES);
    EXPECT_THROW(a.rti.resignFederationExecution(RTI::DELETE_OBJECTS_AND_RELEASE_ATTRIBUTES),
                 RTI::FederateNotExecutionMember);
    EXPECT_THROW(a.rti.destroyFederationExecution(fx.c_str()), RTI::FederatesCurrentlyJoined);
    b.rti.resignFederationExecution(RTI::NO_ACTION);
    a.rti.destroyFederationExecution(fx.c_str());
    EXPECT_THROW(a.rti.destroyFederationExecution(fx.c_str()), RTI::FederationExecutionDoesNotExist);

    // The same ambassador can join again once resigned, and the name is free again.
    a.rti.createFederationExecution(fx.c_str(), kFed);
    a.rti.joinFederationExecution("a", fx.c_str(), &a);
    a.rti.resignFederationExecution(RTI::DELETE_OBJECTS_AND_RELEASE_ATTRIBUTES);
    a.rti.destroyFederationExecution(fx.c_str());
}

TEST(Federation, ServicesBeforeJoinRaiseNotMember) {
    Fed a;
    auto attrs = handleSet({0});
    auto values = attrValues({{0, "x"}});
    auto params = paramValues({});
    EXPECT_THROW(a.rti.getObjectClassHandle(kAircraft), RTI::FederateNotExecutionMember);
    EXPECT_THROW(a.rti.getInteractionClassHandle("MunitionDetonation"), RTI::FederateNotExecutionMember);
    EXPECT_THROW(a.rti.publishObjectClass(0, *attrs), RTI::FederateNotExecutionMember);
    EXPECT_THROW(a.rti.subscribeInteractionClass(0), RTI::FederateNotExecutionMember);
    EXPECT_THROW(a.rti.registerObjectInstance(0), RTI::FederateNotExecutionMember);
    EXPECT_THROW(a.rti.updateAttributeValues(0, *values, "t"), RTI::FederateNotExecutionMember);
    EXPECT_THROW(a.rti.sendInteraction(0, *params, "t"), RTI::FederateNotExecutionMember);
    EXPECT_THROW(a.rti.getObjectInstanceName(0), RTI::FederateNotExecutionMember);
    EXPECT_THROW(a.rti.resignFederationExecution(RTI::NO_ACTION), RTI::FederateNotExecutionMember);
    EXPECT_EQ(a.rti.tick(), RTI::RTI_FALSE);  // nothing to deliver, not an error
}

TEST(Federation, NullArgumentsRaiseInsteadOfCrashing) {
    const std::string fx = uniqueName();
    Fed a;
    EXPECT_THROW(a.rti.createFederationExecution(nullptr, kFed), RTI::RTIinternalError);
    EXPECT_THROW(a.rti.createFederationExecution(fx.c_str(), nullptr), RTI::CouldNotOpenFED);
    EXPECT_THROW(a.rti.destroyFederationExecution(nullptr), RTI::RTIinternalError);
    a.rti.createFederationExecution(fx.c_str(), kFed);
    EXPECT_THROW(a.rti.joinFederationExecution(nullptr, fx.c_str(), &a), RTI::RTIinternalError);
    EXPECT_THROW(a.rti.joinFederationExecution("a", nullptr, &a), RTI::RTIinternalError);
    EXPECT_THROW(a.rti.joinFederationExecution("a", fx.c_str(), nullptr), RTI::RTIinternalError);
    a.rti.joinFederationExecution("a", fx.c_str(), &a);
    EXPECT_THROW(a.rti.getObjectClassHandle(nullptr), RTI::NameNotFound);
    EXPECT_THROW(a.rti.getAttributeHandle(nullptr, 0), RTI::NameNotFound);
    EXPECT_THROW(a.rti.getInteractionClassHandle(nullptr), RTI::NameNotFound);
    EXPECT_THROW(a.rti.getObjectInstanceHandle(nullptr), RTI::ObjectNotKnown);
    a.rti.resignFederationExecution(RTI::NO_ACTION);
    a.rti.destroyFederationExecution(fx.c_str());
}

TEST(Federation, FedFileIsFoundThroughTheSearchPath) {
    const std::string fx = uniqueName();
    std::string content;
    {
        std::ifstream in(kFed);
        ASSERT_TRUE(in.good()) << "XP_Federation.fed must be beside the test binary";
        content.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    TempFile file("searched.fed", content);
    Fed a;
    const char* old = std::getenv("VOLAX_FED_PATH");
    std::string saved = old ? old : "";
    volax::test::unsetEnv("VOLAX_FED_PATH");
    try {
        a.rti.createFederationExecution(fx.c_str(), "searched.fed");
        FAIL() << "found a FED file that is not in the current folder";
    } catch (const RTI::CouldNotOpenFED& e) {
        EXPECT_NE(reasonOf(e).find("searched.fed"), std::string::npos) << reasonOf(e);
    }
    const std::string separator(1, volax::kPathListSeparator);
    volax::test::setEnv("VOLAX_FED_PATH", "/nonexistent" + separator + separator + file.dir());
    EXPECT_NO_THROW(a.rti.createFederationExecution(fx.c_str(), "searched.fed"));
    if (old) volax::test::setEnv("VOLAX_FED_PATH", saved); else volax::test::unsetEnv("VOLAX_FED_PATH");
    // An absolute name is used as it is.
    EXPECT_THROW(a.rti.createFederationExecution((fx + "b").c_str(), "/nonexistent/XP_Federation.fed"),
                 RTI::CouldNotOpenFED);
    a.rti.createFederationExecution((fx + "b").c_str(), file.path().c_str());
    a.rti.destroyFederationExecution((fx + "b").c_str());
    a.rti.destroyFederationExecution(fx.c_str());
}

namespace {

// Creates a federation from FED text; returns the ErrorReadingFED reason, or "" when accepted.
std::string fedError(const std::string& text) {
    TempFile file("broken.fed", text);
    const std::string fx = uniqueName("fed");
    RTI::RTIambassador rti;
    try {
        rti.createFederationExecution(fx.c_str(), file.path().c_str());
    } catch (const RTI::ErrorReadingFED& e) {
        return reasonOf(e);
    }
    rti.destroyFederationExecution(fx.c_str());
    return "";
}

const char* const kHead = "(FED\n(Federation t)\n(FEDversion v1.3)\n";  // lines 1-3

}  // namespace

TEST(Federation, BrokenFedFilesNameTheLine) {
    const std::string tail = "(interactions (class InteractionRoot reliable timestamp)))\n";
    struct Case {
        std::string text;
        std::string expect;  // prefix of the reason
    } cases[] = {
        {std::string(kHead) + "(objects\n (class ObjectRoot\n  (attribute a reliable sometimes)))\n" + tail,
         "broken.fed:6: unknown order"},
        {std::string(kHead) + "(objects\n (class ObjectRoot\n  (attribute a carrier_pigeon receive)))\n" + tail,
         "broken.fed:6: unknown transport"},
        {std::string(kHead) + "(objects\n (class ObjectRoot\n  (attribute a reliable receive)\n  (attribute a "
                              "best_effort receive)))\n" + tail,
         "broken.fed:7: duplicate attribute"},
        {std::string(kHead) + "(objects\n (class ObjectRoot\n  (class A)\n  (class A)))\n" + tail,
         "broken.fed:7: duplicate class"},
        {std::string(kHead) + "(objects\n (class Root))\n" + tail, "broken.fed:5: the root class must be ObjectRoot"},
        {"(FED\n(Federation t)\n(FEDversion v2.0)\n", "broken.fed:3: unsupported FED version"},
        {std::string(kHead) + "(objects\n (class ObjectRoot\n  (attribute a reliable receive NoSuchSpace)))\n" + tail,
         "broken.fed:6: unknown space"},
        {std::string(kHead) + "(objects\n (class ObjectRoot\n  (wibble)))\n" + tail,
         "broken.fed:6: expected (attribute ...) or (class ...)"},
        {std::string(kHead) + "(objects (class ObjectRoot)))\n", "broken.fed:5: missing (interactions ...)"},
        {std::string(kHead) + "(objects (class ObjectRoot)) (interactions (class InteractionRoot reliable "
                              "timestamp)))\n;; comment\n(extra)\n",
         "broken.fed:6: text after the end"},
        {std::string(kHead) + "(objects (class ObjectRoot) (class ObjectRoot))\n" + tail,
         "broken.fed:4: only one root class"},
        {std::string(kHead) + "(objects (class ObjectRoot\n\n", "broken.fed:6: missing ')'"},
        {std::string(kHead) + "(objects (class \"ObjectRoot\n))", "broken.fed:4: unterminated quoted name"},
        {"", "broken.fed:1: expected (FED"},
    };
    for (const auto& c : cases) {
        std::string why = fedError(c.text);
        EXPECT_EQ(why.compare(0, c.expect.size(), c.expect), 0) << "got: " << why << "\nfor:\n" << c.text;
    }
}

TEST(Federation, FedGrammarVariantsAreAccepted) {
    // Keywords in any case, comments, quoted names, spaces with dimensions,
    // attribute space names, attributes after subclasses, "1.3" without v.
    const std::string text =
        ";; header comment\n"
        "(FED (FEDERATION \"Test Fed\") (FedVersion 1.3)\n"
        " (SPACES (Space Geo (Dimension X) (dimension Y)) (space Other))\n"
        " (OBJECTS (Class ObjectRoot (ATTRIBUTE privilegeToDelete RELIABLE TIMESTAMP) ;; trailing comment\n"
        "   (class A (class B (attribute b Best_Effort Receive Geo)) (attribute a reliable receive))))\n"
        " (Interactions (class InteractionRoot reliable timestamp\n"
        "   (class I best_effort receive Other (parameter p)))))\n";
    EXPECT_EQ(fedError(text), "");
    // Deep nesting is an error, not a stack overflow.
    std::string deep = std::string(kHead) + "(objects (class ObjectRoot";
    for (int i = 0; i < 5000; ++i) deep += " (class C" + std::to_string(i);
    EXPECT_NE(fedError(deep).find("nested too deeply"), std::string::npos);
}

class Joined : public ::testing::Test {
protected:
    void SetUp() override {
        fx = uniqueName();
        a.rti.createFederationExecution(fx.c_str(), kFed);
        a.rti.joinFederationExecution("a", fx.c_str(), &a);
    }
    void TearDown() override {
        a.rti.resignFederationExecution(RTI::DELETE_OBJECTS_AND_RELEASE_ATTRIBUTES);
        a.rti.destroyFederationExecution(fx.c_str());
    }
    std::string fx;
    Fed a;
};

TEST_F(Joined, HandlesStartAtZeroAndInheritedOnesAreShared) {
    EXPECT_EQ(a.rti.getObjectClassHandle("ObjectRoot"), 0u);
    EXPECT_EQ(a.rti.getAttributeHandle("privilegeToDelete", 0), 0u);
    EXPECT_EQ(a.rti.getInteractionClassHandle("InteractionRoot"), 0u);
    RTI::InteractionClassHandle md = a.rti.getInteractionClassHandle("MunitionDetonation");
    EXPECT_EQ(a.rti.getParameterHandle("ArticulatedPartData", md), 0u);

    RTI::ObjectClassHandle base = a.rti.getObjectClassHandle("BaseEntity");
    RTI::ObjectClassHandle air = a.rti.getObjectClassHandle(kAircraft);
    EXPECT_EQ(a.rti.getAttributeHandle("Spatial", base), a.rti.getAttributeHandle("Spatial", air));
    EXPECT_EQ(a.rti.getAttributeHandle("privilegeToDelete", 0), a.rti.getAttributeHandle("privilegeToDelete", air));
    RTI::ObjectClassHandle phys = a.rti.getObjectClassHandle("BaseEntity.PhysicalEntity");
    EXPECT_EQ(a.rti.getAttributeHandle("ForceIdentifier", air), a.rti.getAttributeHandle("ForceIdentifier", phys));
    // Declared below BaseEntity: not an attribute of it.
    EXPECT_THROW(a.rti.getAttributeHandle("ForceIdentifier", base), RTI::NameNotFound);
}

TEST_F(Joined, ClassNamesResolveInEveryForm) {
    RTI::ObjectClassHandle air = a.rti.getObjectClassHandle(kAircraft);
    EXPECT_EQ(a.rti.getObjectClassHandle("BaseEntity.PhysicalEntity.Platform.Aircraft"), air);
    EXPECT_EQ(a.rti.getObjectClassHandle("Aircraft"), air);
    EXPECT_THROW(a.rti.getObjectClassHandle("Platform.Aircraft"), RTI::NameNotFound);
    EXPECT_THROW(a.rti.getObjectClassHandle("aircraft"), RTI::NameNotFound);
    EXPECT_THROW(a.rti.getObjectClassHandle("Helicopter"), RTI::NameNotFound);
    EXPECT_THROW(a.rti.getObjectClassHandle(""), RTI::NameNotFound);
    EXPECT_EQ(a.rti.getInteractionClassHandle("InteractionRoot.StartResume"),
              a.rti.getInteractionClassHandle("StartResume"));
    EXPECT_THROW(a.rti.getInteractionClassHandle("Aircraft"), RTI::NameNotFound);

    char* name = a.rti.getObjectClassName(air);
    EXPECT_STREQ(name, kAircraft);
    delete[] name;
    name = a.rti.getAttributeName(a.rti.getAttributeHandle("EntityType", air), air);
    EXPECT_STREQ(name, "EntityType");
    delete[] name;
    RTI::InteractionClassHandle sr = a.rti.getInteractionClassHandle("StartResume");
    name = a.rti.getInteractionClassName(sr);
    EXPECT_STREQ(name, "InteractionRoot.StartResume");
    delete[] name;
    name = a.rti.getParameterName(a.rti.getParameterHandle("RealWorldTime", sr), sr);
    EXPECT_STREQ(name, "RealWorldTime");
    delete[] name;
}

TEST_F(Joined, BadHandlesRaiseTheMatchingException) {
    RTI::ObjectClassHandle base = a.rti.getObjectClassHandle("BaseEntity");
    RTI::ObjectClassHandle air = a.rti.getObjectClassHandle(kAircraft);
    RTI::InteractionClassHandle md = a.rti.getInteractionClassHandle("MunitionDetonation");
    RTI::InteractionClassHandle sr = a.rti.getInteractionClassHandle("StartResume");
    EXPECT_THROW(a.rti.getObjectClassName(9999), RTI::ObjectClassNotDefined);
    EXPECT_THROW(a.rti.getAttributeHandle("Spatial", 9999), RTI::ObjectClassNotDefined);
    EXPECT_THROW(a.rti.getAttributeName(a.rti.getAttributeHandle("ForceIdentifier", air), base),
                 RTI::AttributeNotDefined);
    EXPECT_THROW(a.rti.getInteractionClassName(9999), RTI::InteractionClassNotDefined);
    EXPECT_THROW(a.rti.getParameterHandle("RealWorldTime", md), RTI::NameNotFound);
    EXPECT_THROW(a.rti.getParameterName(a.rti.getParameterHandle("RealWorldTime", sr), md),
                 RTI::InteractionParameterNotDefined);
    auto attrs = handleSet({a.rti.getAttributeHandle("ForceIdentifier", air)});
    EXPECT_THROW(a.rti.publishObjectClass(base, *attrs), RTI::AttributeNotDefined);
    EXPECT_THROW(a.rti.subscribeObjectClassAttributes(9999, *attrs), RTI::ObjectClassNotDefined);
    EXPECT_THROW(a.rti.publishInteractionClass(9999), RTI::InteractionClassNotDefined);
    EXPECT_THROW(a.rti.unsubscribeObjectClass(air), RTI::ObjectClassNotSubscribed);
    EXPECT_THROW(a.rti.unpublishObjectClass(air), RTI::ObjectClassNotPublished);
    EXPECT_THROW(a.rti.unsubscribeInteractionClass(md), RTI::InteractionClassNotSubscribed);
    EXPECT_THROW(a.rti.unpublishInteractionClass(md), RTI::InteractionClassNotPublished);
    EXPECT_THROW(a.rti.resignFederationExecution(static_cast<RTI::ResignAction>(7)), RTI::InvalidResignAction);
}
