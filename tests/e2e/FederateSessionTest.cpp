// A peer's send against the embedded RTI: what the RTI refuses comes out as one
// line with its reason, and the send's own success trace is not taken for one.

#include <gtest/gtest.h>

#include <RTIfaultInjection.hh>

#include "FederateSession.h"
#include "QVHLAMunitionDetonationInteraction.h"

using namespace volaxfed;

TEST(FederateSession, PublishAndSendReportsEachRefusalOnce) {
    CommonSettings settings;
    settings.federation = "ToolsSession";
    settings.federate = "volax-detonate";
    settings.fedFile = VOLAX_TEST_FED;
    FederateSession session(settings);
    ASSERT_TRUE(session.join());
    QVHLAMunitionDetonationInteraction detonation;
    auto send = [&] {
        detonation.setDetonationLocation(WorldLocation{4e6, 5e5, 4.7e6});  // logged under the send's tag
        return session.publishAndSend(detonation, "MunitionDetonation");
    };

    testing::internal::CaptureStderr();
    const bool sent = send();
    rtitest::failNextCall<RTI::InteractionClassNotPublished>("sendInteraction", "not published");
    const bool refused = send();
    rtitest::failNextCall<RTI::RTIinternalError>("sendInteraction", "");
    const bool refusedWithoutReason = send();
    rtitest::failNextCall<std::runtime_error>("sendInteraction", "boom");
    const bool unknownFailure = send();
    rtitest::failNextCall<RTI::NameNotFound>("getInteractionClassHandle", "no such class");
    const bool notFound = send();
    rtitest::failNextCall<RTI::RTIinternalError>("publishInteractionClass", "cannot publish");
    const bool notPublished = send();
    const std::string err = testing::internal::GetCapturedStderr();
    rtitest::clearFaults();

    EXPECT_TRUE(sent);
    EXPECT_FALSE(refused);
    EXPECT_FALSE(refusedWithoutReason);
    EXPECT_FALSE(unknownFailure);
    EXPECT_FALSE(notFound);
    EXPECT_FALSE(notPublished);
    EXPECT_EQ(err,
              "volax-fed: cannot send MunitionDetonation: not published\n"
              "volax-fed: cannot send MunitionDetonation: the RTI refused\n"
              "volax-fed: cannot send MunitionDetonation: Unknown exception\n"
              "volax-fed: cannot find MunitionDetonation: no such class\n"
              "volax-fed: cannot publish MunitionDetonation: cannot publish\n");
    EXPECT_TRUE(session.resign());
}
