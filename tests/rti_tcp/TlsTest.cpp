// TLS between federates and volax-rtiexec: a throwaway CA and server
// certificate made with the `openssl` command; federates trust the CA through
// VOLAX_RTI_TLS_CA and still prove the federation key inside TLS.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <RTI.hh>

#include "Auth.h"
#include "FederateFixture.h"
#include "Message.h"
#include "ServerProcess.h"
#include "Tls.h"

using rtitcp::ServerProcess;
using rtitcp::tickUntil;
namespace net = volax::rti::net;

namespace {

class TlsTest : public ::testing::Test {
protected:
    static std::string dir;

    static std::string path(const char* name) { return dir + "/" + name; }
    static void run(const std::string& cmd) {
        ASSERT_EQ(std::system(("cd '" + dir + "' && " + cmd + " 2>/dev/null >/dev/null").c_str()), 0) << cmd;
    }
    // A P-256 key and a certificate for `san`, signed by the CA `ca`.
    static void issue(const std::string& ca, const std::string& name, const std::string& san) {
        std::ofstream(path("ext.cnf")) << "subjectAltName=" << san << "\n";
        run("openssl req -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -keyout " + name + ".key -out " +
            name + ".csr -subj /CN=volax-rti");
        run("openssl x509 -req -in " + name + ".csr -CA " + ca + ".pem -CAkey " + ca + ".key -CAcreateserial -out " +
            name + ".pem -days 1 -extfile ext.cnf");
    }
    static void SetUpTestSuite() {
        if (!net::tlsBuilt()) return;
        volax::test::TempDir made("volax-tls-test");
        ASSERT_TRUE(made.ok());
        dir = made.release();
        for (const char* ca : {"ca", "otherca"})
            run(std::string("openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -keyout ") +
                ca + ".key -out " + ca + ".pem -days 1 -subj /CN=" + ca);
        issue("ca", "server", "IP:127.0.0.1");
        issue("ca", "elsewhere", "DNS:rti.example.org");  // right CA, another host
        std::ofstream(path("fed.key")) << "correct horse battery staple\n";
        std::ofstream(path("wrong.key")) << "incorrect horse battery staple\n";
    }
    static void TearDownTestSuite() {
        if (!dir.empty()) std::system(("rm -rf '" + dir + "'").c_str());
    }
    void SetUp() override {
        if (!net::tlsBuilt()) GTEST_SKIP() << "built with VOLAX_RTI_TLS=OFF";
    }
    void TearDown() override {
        for (const char* v : {"VOLAX_RTI", "VOLAX_RTI_KEY_FILE", "VOLAX_RTI_TLS_CA"}) volax::test::unsetEnv(v);
    }
    static void setOrUnset(const char* var, const std::string& value) {
        if (value.empty())
            volax::test::unsetEnv(var);
        else
            volax::test::setEnv(var, value.c_str());
    }
    static std::vector<std::string> tlsArgs(const char* cert, bool only = false) {
        std::vector<std::string> a{"--key-file", path("fed.key"), "--tls-cert", path((cert + std::string(".pem")).c_str()),
                                   "--tls-key", path((cert + std::string(".key")).c_str())};
        if (only) a.push_back("--tls-only");
        return a;
    }
};
std::string TlsTest::dir;

TEST_F(TlsTest, FederatesJoinUpdateAndResignOverTls) {
    ServerProcess server(VOLAX_RTIEXEC, 0, tlsArgs("server", true));
    volax::test::setEnv("VOLAX_RTI", server.address().c_str());
    volax::test::setEnv("VOLAX_RTI_KEY_FILE", path("fed.key").c_str());
    volax::test::setEnv("VOLAX_RTI_TLS_CA", path("ca.pem").c_str());
    const std::string fed = rtitcp::uniqueName("tls");
    // A FED text long enough to go in pieces, and enough updates to fill many TLS records.
    rtitcp::PubSub f;
    f.start(fed, path("big.fed"), 30000);
    const std::uint32_t n = 3000;
    std::vector<std::uint32_t> want;
    for (std::uint32_t i = 1; i <= n; ++i) {
        f.ph.update(f.pub, f.plane, i);
        want.push_back(i);
        if (i % 500 == 0) f.pub.tick(0.0, 0.0);
    }
    EXPECT_TRUE(tickUntil(f.sub, [&] { return f.srec.seqs.size() >= n; }));
    EXPECT_EQ(f.srec.seqs, want);
    f.resignBoth();
    f.pub.destroyFederationExecution(fed.c_str());
    EXPECT_NE(server.log().find("'pub' (handle"), std::string::npos) << server.log();
    EXPECT_NE(server.log().find("over TLS joined"), std::string::npos) << server.log();
}

// What a federate hears for each mismatch of CA, certificate, key and server setting.
TEST_F(TlsTest, EachMismatchIsRefusedWithItsReason) {
    ServerProcess offered(VOLAX_RTIEXEC, 0, tlsArgs("server"));
    ServerProcess only(VOLAX_RTIEXEC, 0, tlsArgs("server", true));
    ServerProcess elsewhere(VOLAX_RTIEXEC, 0, tlsArgs("elsewhere"));
    ServerProcess plain(VOLAX_RTIEXEC, 0, {"--key-file", path("fed.key")});
    struct Case {
        const ServerProcess* server;
        std::string ca, key;
        std::string expect;  // empty: gets in
    };
    const std::string failed = "TLS with RTI server ";
    const std::vector<Case> cases{
        {&offered, path("ca.pem"), path("fed.key"), ""},
        {&offered, "", path("fed.key"), ""},  // TLS is offered, not required
        {&offered, path("otherca.pem"), path("fed.key"), "failed: certificate verify failed"},
        {&elsewhere, path("ca.pem"), path("fed.key"), "failed: certificate verify failed (IP address mismatch)"},
        {&offered, path("ca.pem"), path("wrong.key"), net::kKeyRefused},
        {&offered, path("ca.pem"), "", net::kKeyRefused},
        {&only, "", path("fed.key"), net::kTlsOnly},
        {&only, "", "", net::kTlsOnly},
        {&plain, path("ca.pem"), path("fed.key"), "does not offer TLS"},
        {&offered, path("nothing.pem"), path("fed.key"), "VOLAX_RTI_TLS_CA: cannot read CA certificates"},
    };
    for (const Case& c : cases) {
        const std::string where = c.server->address();
        SCOPED_TRACE(where + " ca=" + c.ca + " key=" + c.key);
        volax::test::setEnv("VOLAX_RTI", where.c_str());
        setOrUnset("VOLAX_RTI_TLS_CA", c.ca);
        setOrUnset("VOLAX_RTI_KEY_FILE", c.key);
        const std::string fed = rtitcp::uniqueName("tlscase");
        RTI::RTIambassador amb;
        try {
            amb.createFederationExecution(fed.c_str(), rtitcp::testFedPath().c_str());
            EXPECT_TRUE(c.expect.empty()) << "got in";
            amb.destroyFederationExecution(fed.c_str());
        } catch (const RTI::Exception& e) {
            const std::string why = e._reason ? e._reason : "";
            EXPECT_FALSE(c.expect.empty()) << why;
            EXPECT_NE(why.find(c.expect), std::string::npos) << why << "\n" << c.server->log();
            if (c.expect.rfind("failed:", 0) == 0) {
                EXPECT_EQ(why.find(failed + where), 0u) << why;
            }
        }
    }
    // The server sees the client's alert and says so.
    const std::string alert = "TLS failed on 1 connection(s)";
    for (int i = 0; i < 200 && offered.log().find(alert) == std::string::npos; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_NE(offered.log().find(alert), std::string::npos) << offered.log();
}

TEST_F(TlsTest, ServerRefusesBadTlsOptionsAtStart) {
    struct Case {
        std::vector<std::string> args;
        const char* expect;
    };
    const std::vector<Case> cases{
        {{"--tls-cert", path("server.pem"), "--tls-key", path("server.key")}, "needs --key-file"},
        {{"--key-file", path("fed.key"), "--tls-cert", path("server.pem")}, "needs both"},
        {{"--key-file", path("fed.key"), "--tls-cert", path("none.pem"), "--tls-key", path("server.key")},
         "cannot read TLS certificate"},
        {{"--key-file", path("fed.key"), "--tls-cert", path("server.pem"), "--tls-key", path("elsewhere.key")},
         "does not match"},
    };
    for (const Case& c : cases) {
        std::string err;
        EXPECT_EQ(rtitcp::runServerOnce(VOLAX_RTIEXEC, c.args, err), 2) << err;
        EXPECT_NE(err.find(c.expect), std::string::npos) << err;
    }
}

// The server tells TLS from plain frames by their first bytes: no plain
// request before the join may look like a ClientHello, whatever its length.
TEST(TlsSniffTest, NoPlainFirstFrameLooksLikeAClientHello) {
    using volax::rti::Message;
    using volax::rti::MessageKind;
    int lowByte0x16 = 0;
    for (std::size_t pad = 0; pad < 1024; ++pad) {
        Message create(MessageKind::CreateFederation);
        create.name = std::string(pad, 'f');
        create.text = "(FED)";
        Message answer(MessageKind::Authenticate);
        answer.text = net::keyProof("correct horse battery staple", net::makeNonce()) + std::string(pad, 'x');
        for (const Message& m : {create, answer}) {
            std::vector<std::uint8_t> frame = volax::rti::encode(m);
            lowByte0x16 += frame[0] == net::kTlsHandshakeRecord;
            EXPECT_EQ(net::startsTls(frame.data(), frame.size()), 0) << frame.size();
        }
    }
    EXPECT_GT(lowByte0x16, 0);  // the case that a one-byte check got wrong
    const unsigned char hello[] = {0x16, 0x03, 0x01, 0x00, 0xf4};
    EXPECT_EQ(net::startsTls(hello, sizeof hello), 1);
    EXPECT_EQ(net::startsTls(hello, 2), -1);
}

}  // namespace
