// VOLAX.xpl on a DIS exercise in the headless host, a DIS peer beside it on a
// multicast group of the loopback interface: the ownship as the peer's Entity State
// PDUs show it, the peer's aircraft on TCAS, its detonations and Start/Resumes as
// X-Plane feels them; with NETWORK BOTH, an HLA peer too. Positions and directions
// are checked against GeographicLib.

#include <GeographicLib/Geocentric.hpp>
#include <GeographicLib/LocalCartesian.hpp>

#include <chrono>
#include <cmath>
#include <cstring>
#include <memory>
#include <thread>

#include "DisEndpoint.h"
#include "DisPdu.h"
#include "Peer.h"
#include "PluginHarness.h"

namespace {

using namespace dis;

const double kLat = 52.30, kLon = 4.76, kHeight = 1200.0;
const EntityIdentifier kOwn{7, 9, 1};

bool same(const EntityIdentifier& a, const EntityIdentifier& b) {
    return a.site == b.site && a.application == b.application && a.entityNumber == b.entityNumber;
}

class DisPluginTest : public PluginTest {
protected:
    void SetUp() override {
        PluginTest::SetUp();
        group = "239.255.77.2:" + std::to_string(42000 + volax::test::processId() % 8000) + "@127.0.0.1";
        DisAddress a;
        std::string error;
        ASSERT_TRUE(parseDisAddress(group, a, error)) << error;
        ASSERT_TRUE(peer.open(a, error)) << error;
        place(0.0f, 0.0f, 0.0f, 0.0f);
    }
    void TearDown() override {
        unload();
        hla.reset();
        PluginTest::TearDown();
    }

    // The aircraft over the frame's origin at kHeight, heading `psi` degrees, `east` m/s.
    void place(float psi, float east, float theta = 0.0f, float phi = 0.0f) {
        const char* zero[] = {"local_x", "local_z", "local_vy", "local_vz", "local_ax", "local_ay", "local_az"};
        for (const char* n : zero) xphost::setFloat(std::string("sim/flightmodel/position/") + n, 0.0f);
        xphost::setFloat("sim/flightmodel/position/local_y", static_cast<float>(kHeight));
        xphost::setFloat("sim/flightmodel/position/local_vx", east);
        xphost::setFloat("sim/flightmodel/position/psi", psi);
        xphost::setFloat("sim/flightmodel/position/theta", theta);
        xphost::setFloat("sim/flightmodel/position/phi", phi);
        xphost::setDouble("sim/flightmodel/position/latitude", kLat);
        xphost::setDouble("sim/flightmodel/position/longitude", kLon);
        xphost::setDouble("sim/flightmodel/position/elevation", kHeight);
        xphost::setFloat("sim/flightmodel/position/lat_ref", static_cast<float>(kLat));
        xphost::setFloat("sim/flightmodel/position/lon_ref", static_cast<float>(kLon));
    }

    void start(const std::string& ini = "", const std::string& network = "DIS") {
        writePrefs("volaxexp.ini", "falcon 1 2 225 1 2 3 4\n");
        writePrefs("volax.ini", "SITEID 7\nAPPLICATIONID 9\nFORCEID 2\nMARKING VIPER1\nDISEXERCISE 3\nNETWORK " +
                                    network + "\nDISADDRESS " + group + "\n" + ini);
        ASSERT_GE(loadAndEnable(true), 0);
        loadUserAircraft();
        cycle();
    }

    // One plugin flight loop; the peer then takes what arrived.
    void cycle() {
        tick();
        drain();
    }
    void drain() {
        std::this_thread::sleep_for(std::chrono::milliseconds(3));
        peer.receive(
            [&](const uint8_t* d, std::size_t n) {
                Pdu p;
                if (decodePdu(d, n, p) == Decode::Ok && p.header.type == PDU_ENTITY_STATE &&
                    !same(p.entityState.entityIdentifier, kPeerAircraft))
                    received.push_back(p);
            },
            1000);
        if (hla) hla->tick();
    }

    void send(uint8_t type, const Pdu& p, uint8_t exercise = 3) {
        PduHeader h;
        h.exercise = exercise;
        uint8_t b[MAX_PDU_SIZE];
        std::size_t n = type == PDU_ENTITY_STATE ? encodeEntityState(h, p.entityState, b, sizeof b)
                      : type == PDU_DETONATION   ? encodeDetonation(h, p.detonation, b, sizeof b)
                                                 : encodeStartResume(h, p.startResume, b, sizeof b);
        ASSERT_TRUE(peer.send(b, n));
        std::this_thread::sleep_for(std::chrono::milliseconds(3));
        cycle();
    }

    const Pdu& last() {
        if (received.empty()) {
            ADD_FAILURE() << "no Entity State PDU of the ownship\n" << traceText();
            received.emplace_back();
        }
        return received.back();
    }

    bool wingRemoved() {
        std::vector<int> p = parts();
        return p.size() == 73 && p[8] == 0 && p[10] == 0 && p[16] == 0 && p[9] == 1;
    }

    // The geocentric direction of the local east at kLat, kLon, from GeographicLib.
    static void east(double out[3]) {
        GeographicLib::LocalCartesian frame(kLat, kLon, 0);
        double lat0, lon0, h0, lat1, lon1, h1, o[3], e[3];
        frame.Reverse(0, 0, 0, lat0, lon0, h0);
        frame.Reverse(1, 0, 0, lat1, lon1, h1);
        GeographicLib::Geocentric::WGS84().Forward(lat0, lon0, h0, o[0], o[1], o[2]);
        GeographicLib::Geocentric::WGS84().Forward(lat1, lon1, h1, e[0], e[1], e[2]);
        for (int i = 0; i < 3; ++i) out[i] = e[i] - o[i];
    }

    const EntityIdentifier kPeerAircraft{5, 5, 5};
    std::string group;
    DisEndpoint peer;
    std::vector<Pdu> received;
    std::unique_ptr<Peer> hla;
};

}  // namespace

TEST_F(DisPluginTest, WithoutAnAddressDisIsRefusedInLogTxt) {
    writePrefs("volax.ini", "NETWORK DIS\n");
    ASSERT_GE(loadAndEnable(), 0);
    EXPECT_TRUE(contains(xphost::logText(), "VOLAX: DIS is on (NETWORK) but volax.ini names no DISADDRESS"));
    EXPECT_EQ(menuStates(), "000");  // no HLA either: nothing to join
    unload();
    writePrefs("volax.ini", "NETWORK BOTH\nDISADDRESS 127.0.0.1:99999\n");
    ASSERT_GE(loadAndEnable(), 0);
    EXPECT_TRUE(contains(xphost::logText(), "VOLAX: DIS stays off: DISADDRESS 127.0.0.1:99999: port"));
}

// Identity, position, attitude and velocity of the ownship on DIS, in the version asked for.
TEST_F(DisPluginTest, OwnshipEntityState) {
    for (const char* version : {"7", "6"}) {
        SCOPED_TRACE(version);
        received.clear();
        place(90.0f, 50.0f);  // heading east at 50 m/s
        // Heights on the ellipsoid: the geoid step is the HLA tests' (the same computation).
        start(std::string("DISVERSION ") + version + "\nVERTICALDATUM WGS84E\n");
        const Pdu& p = last();
        EXPECT_EQ(p.header.version, std::atoi(version));
        EXPECT_EQ(p.header.exercise, 3);
        const EntityStatePdu& e = p.entityState;
        EXPECT_TRUE(same(e.entityIdentifier, kOwn));
        EXPECT_EQ(e.force, 2);
        EXPECT_EQ(e.entityType.country, 225);
        EXPECT_EQ(e.entityType.extra, 4);
        EXPECT_EQ(e.algorithm, DRM_FVW);
        EXPECT_EQ(e.marking.encoding, MARKING_ASCII);
        EXPECT_EQ(std::string(e.marking.characters, 6), "VIPER1");
        EXPECT_EQ(appearanceDamage(e.appearance), DAMAGE_NO_DAMAGE);
        EXPECT_FALSE(appearanceFrozen(e.appearance));

        double x, y, z;
        GeographicLib::Geocentric::WGS84().Forward(kLat, kLon, kHeight, x, y, z);
        EXPECT_NEAR(e.location.x, x, 1e-3);
        EXPECT_NEAR(e.location.y, y, 1e-3);
        EXPECT_NEAR(e.location.z, z, 1e-3);
        double u[3];
        east(u);
        EXPECT_NEAR(e.linearVelocity.x, 50 * u[0], 0.05);
        EXPECT_NEAR(e.linearVelocity.y, 50 * u[1], 0.05);
        EXPECT_NEAR(e.linearVelocity.z, 50 * u[2], 0.05);
        // The body's x axis from psi, theta, phi points east.
        const double psi = e.orientation.x, theta = e.orientation.y;
        const double nose[3] = {std::cos(theta) * std::cos(psi), std::cos(theta) * std::sin(psi), -std::sin(theta)};
        for (int i = 0; i < 3; ++i) EXPECT_NEAR(nose[i], u[i], 1e-4) << i;

        // Moving: a PDU every sample.
        const std::size_t before = received.size();
        for (int i = 0; i < 3; ++i) cycle();
        EXPECT_EQ(received.size(), before + 3);
        unload();
    }
}

// Parked: the heartbeat alone; paused: at once, frozen; ENTITYNUMBER names it.
TEST_F(DisPluginTest, HeartbeatFrozenAndEntityNumber) {
    start("HEARTBEAT 0.3\nENTITYNUMBER 42\n");
    EXPECT_EQ(last().entityState.entityIdentifier.entityNumber, 42);
    received.clear();
    cycle();
    EXPECT_TRUE(received.empty());
    std::this_thread::sleep_for(std::chrono::milliseconds(320));
    cycle();
    EXPECT_EQ(received.size(), 1u);
    xphost::setInt("sim/time/paused", 1);
    cycle();
    ASSERT_EQ(received.size(), 2u);
    EXPECT_TRUE(appearanceFrozen(last().entityState.appearance));
    xphost::setInt("sim/time/paused", 0);
    unload();  // gone at once, not after the peers' timeout
    drain();
    ASSERT_EQ(received.size(), 3u);
    EXPECT_TRUE(last().entityState.appearance & (1u << 23));
}

// The same hit test as MunitionDetonation: relative to a target naming us, or
// absolute; other exercises and misses do nothing; the hit says Destroyed.
TEST_F(DisPluginTest, DetonationRemovesTheWing) {
    start();
    const WorldLocation own = last().entityState.location;
    Pdu p;
    DetonationPdu& d = p.detonation;
    d.firing = {5, 5, 1};
    d.target = kOwn;
    d.relativeLocation = {10.0f, 20.0f, 5.0f};
    d.result = 1;
    send(PDU_DETONATION, p, 4);  // another exercise
    EXPECT_FALSE(wingRemoved());
    d.result = 6;  // no hit code
    send(PDU_DETONATION, p);
    EXPECT_FALSE(wingRemoved());
    d.target = {5, 5, 9};  // someone else, 150 m away
    d.result = 1;
    d.location = {own.x + 150, own.y, own.z};
    send(PDU_DETONATION, p);
    EXPECT_FALSE(wingRemoved());
    d.location = {own.x + 60, own.y - 60, own.z};
    send(PDU_DETONATION, p);
    EXPECT_TRUE(wingRemoved());
    cycle();
    EXPECT_EQ(appearanceDamage(last().entityState.appearance), DAMAGE_DESTROYED);

    xphost::setIntArray("sim/aircraft/prop/acf_part_eq", std::vector<int>(73, 1));
    d.target = kOwn;
    d.location = {0, 0, 0};
    send(PDU_DETONATION, p);  // relative: 23 m
    EXPECT_TRUE(wingRemoved());
}

TEST_F(DisPluginTest, StartResumeSetsTheDate) {
    start();
    Pdu p;
    StartResumePdu& s = p.startResume;
    s.receiving = {7, 8, 65535};  // another application
    s.simulationTime = {306816 + 24 * 59 + 7, 0};  // 2005-03-01 07:00 UTC
    send(PDU_START_RESUME, p);
    EXPECT_EQ(xphost::getInt("sim/time/use_system_time"), 1);
    s.receiving = {65535, 9, 65535};
    send(PDU_START_RESUME, p);
    EXPECT_EQ(xphost::getInt("sim/time/use_system_time"), 0);
    EXPECT_EQ(xphost::getInt("sim/time/local_date_days"), 59);
    EXPECT_EQ(xphost::getFloat("sim/time/zulu_time_sec"), 7 * 3600.0f);
}

// A DIS aircraft is TCAS traffic; a deactivated one, or one from another exercise, is not.
TEST_F(DisPluginTest, TrafficFromEntityStatePdus) {
    start();
    GeographicLib::LocalCartesian frame(kLat, kLon, 0);
    double x, y, z;
    frame.Reverse(1000, 2000, kHeight + 300, x, y, z);
    double gx, gy, gz;
    GeographicLib::Geocentric::WGS84().Forward(x, y, z, gx, gy, gz);
    EntityStatePdu e;
    e.entityIdentifier = kPeerAircraft;
    e.entityType = {1, 2, 225, 1, 1, 1, 0};
    e.algorithm = DRM_FPW;
    e.location = {gx, gy, gz};
    e.linearVelocity = {0, 0, 100};
    e.marking.encoding = MARKING_ASCII;
    std::memcpy(e.marking.characters, "DIS01", 5);
    // The host runs the flight loop here: TCAS asks X-Plane for the AI aircraft from it.
    auto deliver = [&](uint8_t exercise, double seconds) {
        PduHeader h;
        h.exercise = exercise;
        uint8_t b[MAX_PDU_SIZE];
        ASSERT_TRUE(peer.send(b, encodeEntityState(h, e, b, sizeof b)));
        xphost::runSeconds(seconds);
    };
    deliver(4, 0.3);
    EXPECT_TRUE(xphost::tcasTargets().empty());
    deliver(3, 0.3);
    auto targets = xphost::tcasTargets();
    ASSERT_EQ(targets.size(), 1u) << traceText();
    EXPECT_EQ(targets[0].flightId, "DIS01");
    EXPECT_NEAR(targets[0].lat, x, 1e-4);  // Reverse gave latitude, longitude, height; 100 m/s north
    EXPECT_NEAR(targets[0].lon, y, 1e-4);
    e.appearance = 1u << 23;
    deliver(3, 0.5);  // a slot not written for 10 frames is gone
    EXPECT_TRUE(xphost::tcasTargets().empty());
}

// Datagrams nobody should send: ignored with one trace line each kind, and the frame goes on.
TEST_F(DisPluginTest, HostileDatagramsLeaveOneTraceLine) {
    start();
    const uint8_t junk[] = {7, 3, 1, 1, 0, 0, 0, 0, 0xFF, 0xFF, 0, 0};  // length field lies
    for (int i = 0; i < 50; ++i) ASSERT_TRUE(peer.send(junk, sizeof junk));
    Pdu p;
    p.entityState.entityIdentifier = {6, 6, 6};
    p.entityState.location = {NAN, 1e300, 0};
    p.entityState.entityType = {1, 2, 225, 1, 1, 1, 0};
    send(PDU_ENTITY_STATE, p);
    send(PDU_ENTITY_STATE, p);
    xphost::runFrames(3);
    EXPECT_TRUE(xphost::tcasTargets().empty());
    unload();
    const std::string t = traceText();
    std::size_t n = 0;
    for (std::size_t at = 0; (at = t.find("length field disagrees", at)) != std::string::npos; ++at) ++n;
    EXPECT_EQ(n, 1u);
}

#if VOLAX_OWN_RTI_FLAG
// One aircraft on both networks, numbered alike by ENTITYNUMBER.
TEST_F(DisPluginTest, BothNetworksAtOnce) {
    hla.reset(new Peer());
    hla->join("XP_Federation", true);
    hla->subscribeAircraft();
    start("ENTITYNUMBER 12\n", "BOTH");
    EXPECT_EQ(menuStates(), "011");
    select("Create Ownship");
    cycle();
    ASSERT_EQ(hla->discoveries.size(), 1u);
    ASSERT_FALSE(hla->reflections.empty());
    const std::string& id = hla->reflections[0].values.at(hla->entityIdentifierHandle);
    EXPECT_EQ(be16(id, 4), 12);
    EXPECT_EQ(last().entityState.entityIdentifier.entityNumber, 12);
    // Resigning HLA leaves DIS on.
    select("Resign");
    received.clear();
    place(0.0f, 30.0f);
    cycle();
    EXPECT_EQ(received.size(), 1u);
}
#endif
