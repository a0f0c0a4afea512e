// The federation key: only federates that answer the server's challenge with
// the right key get in; the others hear why, and nothing they sent is served.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <thread>

#include <RTI.hh>

#include "Auth.h"
#include "FederateFixture.h"
#include "ServerProcess.h"

using rtitcp::Handles;
using rtitcp::Recorder;
using rtitcp::ServerProcess;
using rtitcp::tickUntil;

namespace {

std::string writeKey(const char* tag, const std::string& key) {
    std::string path = rtitcp::tempPath("volax-key-test-") + std::to_string(volax::test::processId()) + "-" + tag;
    std::ofstream(path) << key << "\n";
    return path;
}

TEST(FederationKeyTest, OnlyFederatesWithTheKeyGetIn) {
    const std::string good = writeKey("good", "correct horse battery staple");
    const std::string wrong = writeKey("wrong", "incorrect horse battery staple");
    const std::string shortKey = writeKey("short", "tooshort");
    ServerProcess server(VOLAX_RTIEXEC, 0, {"--key-file", good});
    volax::test::setEnv("VOLAX_RTI", server.address().c_str());
    const std::string fed = rtitcp::uniqueName("keyed");

    // Without a key, with a wrong one, or with one too short to be a key: refused, clearly.
    struct Case {
        const char* env;
        const char* expect;
    };
    for (const Case& c : {Case{nullptr, volax::rti::net::kKeyRefused}, Case{wrong.c_str(), volax::rti::net::kKeyRefused},
                          Case{shortKey.c_str(), "fewer than 16 bytes"}}) {
        if (c.env)
            volax::test::setEnv("VOLAX_RTI_KEY_FILE", c.env);
        else
            volax::test::unsetEnv("VOLAX_RTI_KEY_FILE");
        RTI::RTIambassador squatter;
        Recorder rec;
        // Each attempt hears the same reason, not a reset of the connection refused before.
        for (int attempt = 0; attempt < 2; ++attempt) {
            try {
                if (attempt == 0)
                    squatter.createFederationExecution(fed.c_str(), rtitcp::testFedPath().c_str());
                else
                    squatter.joinFederationExecution("squatter", fed.c_str(), &rec);
                ADD_FAILURE() << "got in without the key (" << (c.env ? c.env : "none") << ")";
            } catch (const RTI::RTIinternalError& e) {
                EXPECT_NE(std::string(e._reason).find(c.expect), std::string::npos) << e._reason;
            }
        }
    }

    // With the key: create (a FED text long enough to travel in pieces), join, and updates flow.
    volax::test::setEnv("VOLAX_RTI_KEY_FILE", good.c_str());
    const std::string bigFed = rtitcp::tempPath("volax-key-test-") + std::to_string(volax::test::processId()) + ".fed";
    {
        rtitcp::PubSub f;
        f.start(fed, bigFed, 30000);
        f.ph.update(f.pub, f.plane, 7);
        EXPECT_TRUE(tickUntil(f.sub, [&] { return f.srec.seqs.size() == 1 && f.srec.seqs[0] == 7; }));
        f.resignBoth();
        // Nobody joined: anyone with the key may destroy it.
        RTI::RTIambassador other;
        EXPECT_NO_THROW(other.destroyFederationExecution(fed.c_str()));
    }
    EXPECT_NE(server.log().find("without the federation key"), std::string::npos) << server.log();
    volax::test::unsetEnv("VOLAX_RTI_KEY_FILE");
    volax::test::unsetEnv("VOLAX_RTI");
    for (const std::string& p : {good, wrong, shortKey, bigFed}) std::remove(p.c_str());
}

int runServer(const std::vector<std::string>& args, std::string& err) {
    return rtitcp::runServerOnce(VOLAX_RTIEXEC, args, err);
}

TEST(FederationKeyTest, NoKeyOffLoopbackUnlessInsecureAndBadKeyFiles) {
    std::string err;
    EXPECT_EQ(runServer({"--listen", "0.0.0.0:0"}, err), 2);
    EXPECT_NE(err.find("without --key-file"), std::string::npos) << err;
    err.clear();
    EXPECT_EQ(runServer({"--key-file", "/nonexistent/key"}, err), 2);
    EXPECT_NE(err.find("cannot read key file"), std::string::npos) << err;
}

}  // namespace

namespace {

TEST(ServerStatusTest, SigusrListsEachFederationWithItsUnownedObjects) {
#ifdef _WIN32
    GTEST_SKIP() << "Windows has no SIGUSR1 to ask the server for its status";
#else
    ServerProcess server(VOLAX_RTIEXEC);
    volax::test::setEnv("VOLAX_RTI", server.address().c_str());
    volax::test::unsetEnv("VOLAX_RTI_KEY_FILE");
    const std::string fed = rtitcp::uniqueName("status");
    {
        RTI::RTIambassador amb;
        Recorder rec;
        Handles h;
        amb.createFederationExecution(fed.c_str(), rtitcp::testFedPath().c_str());
        amb.joinFederationExecution("leaver", fed.c_str(), &rec);
        h.lookUp(amb);
        h.publishAircraft(amb);
        amb.registerObjectInstance(h.aircraft, "a");
        amb.registerObjectInstance(h.aircraft, "b");
        amb.resignFederationExecution(RTI::RELEASE_ATTRIBUTES);
    }
    const std::string want = "status: federation '" + fed + "': 0 federate(s), 2 object(s), 2 unowned";
    ::kill(static_cast<pid_t>(server.pid()), SIGUSR1);
    for (int i = 0; i < 200 && server.log().find(want) == std::string::npos; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_NE(server.log().find(want), std::string::npos) << server.log();
    volax::test::unsetEnv("VOLAX_RTI");
#endif
}

}  // namespace
