// The tools' own logic: ISO time -> ClockTime, address and number parsing,
// ground speed and heading, KML writing, log capture.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>

#include "TestPlatform.h"

#include "ArgParse.h"
#include "ClockTimeCodec.h"
#include "GroundTrack.h"
#include "KmlTrackWriter.h"
#include "LogCapture.h"

using namespace volaxfed;

namespace {

int64_t parsed(const std::string& text) {
    int64_t t = -1;
    std::string error;
    EXPECT_TRUE(parseIsoUtc(text, &t, &error)) << error;
    return t;
}

size_t occurrences(const std::string& text, const std::string& needle) {
    size_t n = 0;
    for (size_t at = 0; (at = text.find(needle, at)) != std::string::npos; at += needle.size()) ++n;
    return n;
}

}  // namespace

TEST(ClockTime, IsoParsingKnownInstants) {
    EXPECT_EQ(parsed("1970-01-01T00:00:00Z"), 0);
    EXPECT_EQ(parsed("2005-01-01T00:00:00Z"), 306816LL * 3600);
    EXPECT_EQ(parsed("2005-01-01T12:30:00Z"), 306816LL * 3600 + 45000);
    EXPECT_EQ(parsed("2000-02-29T23:59:59+00:00"), 951868799);
    EXPECT_EQ(parsed("2038-01-19 03:14:07Z"), 2147483647LL);
    EXPECT_EQ(formatIsoUtc(951868799), "2000-02-29T23:59:59Z");
    EXPECT_EQ(formatIsoUtc(0), "1970-01-01T00:00:00Z");
}

TEST(ClockTime, IsoParsingRejectsMalformedOrImpossible) {
    for (const char* bad : {"", "2005-01-01", "2005-01-01T12:30:00", "2005-01-01T12:30:00+01:00",
                            "2005-1-01T12:30:00Z", "2005-01-01T12:30:00ZZ", "2005-13-01T00:00:00Z",
                            "2005-02-29T00:00:00Z", "1900-02-29T00:00:00Z", "2005-04-31T00:00:00Z",
                            "2005-01-01T24:00:00Z", "2005-01-01T12:60:00Z", "2005-01-01T12:30:60Z",
                            "2005-01-01T12:30:00.5Z", " 2005-01-01T12:30:00Z"}) {
        int64_t t;
        std::string error;
        EXPECT_FALSE(parseIsoUtc(bad, &t, &error)) << bad;
        EXPECT_FALSE(error.empty()) << bad;
    }
}

TEST(ClockTime, EverySecondOfAnHourRoundTripsThroughBothUnits) {
    // The receiver truncates; each second must come back exactly, for VOLAX's
    // unit literal and for a peer using the exact RPR unit.
    const int64_t base = parsed("2005-01-01T12:00:00Z");
    for (int s = 0; s < 3600; ++s) {
        ClockTime v{};
        std::string error;
        ASSERT_TRUE(clockTimeFromUnix(base + s, &v, &error)) << error;
        EXPECT_EQ(v.hours, 306828);
        EXPECT_EQ(v.timePastTheHour & 1u, 0u);
        ASSERT_EQ(unixFromClockTime(v), base + s) << s;
        ASSERT_EQ(unixFromClockTime(v, kExactClockUnitSeconds), base + s) << s;
    }
}

TEST(ClockTime, ReceiverArithmeticMatchesKnownValues) {
    ClockTime v{};
    v.hours = 0;
    v.timePastTheHour = 0xC0000000u;
    EXPECT_EQ(unixFromClockTime(v), 2700);
    v.timePastTheHour = 0x7FFFFFFEu;
    EXPECT_EQ(unixFromClockTime(v), 1799);
    v.timePastTheHour = 0xFFFFFFFEu;
    EXPECT_EQ(unixFromClockTime(v), 3600);
}

TEST(ClockTime, RangeLimits) {
    ClockTime v{};
    std::string error;
    EXPECT_FALSE(clockTimeFromUnix(-1, &v, &error));
    // 596523 h * 3600 still fits a signed 32-bit value; the next hour does not.
    EXPECT_TRUE(clockTimeFromUnix(596523LL * 3600 + 3599, &v, &error)) << error;
    EXPECT_EQ(v.hours, 596523);
    EXPECT_FALSE(clockTimeFromUnix(596524LL * 3600, &v, &error));
    EXPECT_NE(error.find("2038"), std::string::npos);
    EXPECT_TRUE(clockTimeFromUnix(0, &v, &error));
    EXPECT_EQ(v.hours, 0);
}

TEST(ArgParse, EntityAddressesWithWildcards) {
    EntityIdentifier a;
    std::string error;
    ASSERT_TRUE(parseEntityAddress("*:*:*", &a, &error));
    EXPECT_EQ(a.site, 65535);
    EXPECT_EQ(a.application, 65535);
    EXPECT_EQ(a.entityNumber, 65535);
    ASSERT_TRUE(parseEntityAddress("1:*:0", &a, &error));
    EXPECT_EQ(a.site, 1);
    EXPECT_EQ(a.application, 65535);
    EXPECT_EQ(a.entityNumber, 0);
    ASSERT_TRUE(parseEntityAddress("65535:2:9", &a, &error));
    EXPECT_EQ(a.site, 65535);
    for (const char* bad : {"", "1:2", "1:2:3:4", "1::3", "65536:1:1", "-1:2:3", "a:2:3", "1:2:3 ", "**:1:1",
                            "1.5:2:3", "+1:2:3"}) {
        EXPECT_FALSE(parseEntityAddress(bad, &a, &error)) << bad;
        EXPECT_FALSE(error.empty());
    }
}

TEST(ArgParse, TriplesAndNumbers) {
    double v[3] = {9, 9, 9};
    std::string error;
    ASSERT_TRUE(parseTriple("30,-40.5,1e3", v, &error)) << error;
    EXPECT_DOUBLE_EQ(v[0], 30);
    EXPECT_DOUBLE_EQ(v[1], -40.5);
    EXPECT_DOUBLE_EQ(v[2], 1000);
    for (const char* bad : {"", "1,2", "1,2,3,4", "1,,3", "1,2,x", "1,2,3x", "nan,0,0", "inf,0,0", "1, 2,3",
                            "1e999,0,0"}) {
        double w[3] = {7, 7, 7};
        EXPECT_FALSE(parseTriple(bad, w, &error)) << bad;
        EXPECT_EQ(w[0], 7) << "output changed on failure: " << bad;
    }
    uint64_t u;
    EXPECT_TRUE(parseUnsigned("255", 0, 255, &u, &error));
    EXPECT_EQ(u, 255u);
    EXPECT_FALSE(parseUnsigned("256", 0, 255, &u, &error));
    EXPECT_FALSE(parseUnsigned("-1", 0, 255, &u, &error));
    EXPECT_FALSE(parseUnsigned("99999999999999999999999", 0, UINT64_MAX, &u, &error));
    double d;
    EXPECT_TRUE(parseNumber("0.5", 0, 1, &d, &error));
    EXPECT_FALSE(parseNumber("1.5", 0, 1, &d, &error));

    EntityType t{9, 9, 9, 9, 9, 9, 9};
    ASSERT_TRUE(parseEntityType("2:1:65535:1:0:255:7", &t, &error)) << error;
    EXPECT_TRUE(t.kind == 2 && t.domain == 1 && t.country == 65535 && t.category == 1 && t.subcategory == 0 &&
                t.specific == 255 && t.extra == 7);
    for (const char* bad : {"", "2:1:225:1:0:0", "2:1:225:1:0:0:0:0", "256:1:225:1:0:0:0", "2:1:65536:1:0:0:0",
                            "2:1::1:0:0:0", "2:1:225:1:0:0:x"}) {
        EntityType u{9, 9, 9, 9, 9, 9, 9};
        EXPECT_FALSE(parseEntityType(bad, &u, &error)) << bad;
        EXPECT_EQ(u.country, 9) << bad;
    }
}

TEST(ArgParse, OptionsForms) {
    Options opts({"target", "relative"}, {"quiet"});
    const char* argv[] = {"detonate", "--target", "HLAobjectInstance0", "--relative=-30,40,0", "--quiet"};
    std::string error;
    ASSERT_TRUE(opts.parse(5, const_cast<char**>(argv), &error)) << error;
    EXPECT_EQ(opts.get("target"), "HLAobjectInstance0");
    EXPECT_EQ(opts.get("relative"), "-30,40,0");
    EXPECT_TRUE(opts.has("quiet"));
    EXPECT_EQ(opts.get("missing", "dflt"), "dflt");

    // A value that looks like an option is still the value.
    Options neg({"relative"}, {});
    const char* argv2[] = {"detonate", "--relative", "-1,-2,-3"};
    ASSERT_TRUE(neg.parse(3, const_cast<char**>(argv2), &error));
    EXPECT_EQ(neg.get("relative"), "-1,-2,-3");

    struct Bad {
        std::vector<const char*> args;
    };
    for (const Bad& b : {Bad{{"x", "--nope"}}, Bad{{"x", "--target"}}, Bad{{"x", "--quiet=1"}},
                         Bad{{"x", "stray"}}, Bad{{"x", "--target", "a", "--target", "b"}}}) {
        Options o({"target"}, {"quiet"});
        std::string why;
        EXPECT_FALSE(o.parse(static_cast<int>(b.args.size()), const_cast<char**>(b.args.data()), &why));
        EXPECT_FALSE(why.empty());
    }
}

TEST(GroundTrack, RotatesGeocentricVelocityIntoLocalFrame) {
    // At lat 0, lon 0: east = +Y, north = +Z, up = +X.
    GroundTrack t = groundTrackFromGeocentric(0, 0, 0, 100, 0);
    EXPECT_NEAR(t.east, 100, 1e-9);
    EXPECT_NEAR(t.groundSpeed, 100, 1e-9);
    EXPECT_NEAR(t.heading, 90, 1e-9);
    t = groundTrackFromGeocentric(0, 0, 0, 0, 50);
    EXPECT_NEAR(t.heading, 0, 1e-9);
    EXPECT_NEAR(t.north, 50, 1e-9);
    t = groundTrackFromGeocentric(0, 0, 20, 0, 0);
    EXPECT_NEAR(t.up, 20, 1e-9);
    EXPECT_NEAR(t.groundSpeed, 0, 1e-9);
    EXPECT_EQ(t.heading, 0);
    // At lat 0, lon 90: east = -X.
    t = groundTrackFromGeocentric(0, 90, -10, 0, 0);
    EXPECT_NEAR(t.heading, 90, 1e-9);
    // At the north pole on the 0 meridian, moving towards -X is north... of the
    // frame whose north axis points along -X.
    t = groundTrackFromGeocentric(90, 0, -10, 0, 0);
    EXPECT_NEAR(t.heading, 0, 1e-9);
}

TEST(GroundTrack, HeadingsAllRoundAtMidLatitude) {
    const double lat = 47.5, lon = 8.5, deg = M_PI / 180;
    const double sphi = sin(lat * deg), cphi = cos(lat * deg), slam = sin(lon * deg), clam = cos(lon * deg);
    for (int h = 0; h < 360; h += 15) {
        const double e = 70 * sin(h * deg), n = 70 * cos(h * deg), u = 3;
        // ENU -> ECEF (the transpose of the rotation under test).
        const double vx = -slam * e - sphi * clam * n + cphi * clam * u;
        const double vy = clam * e - sphi * slam * n + cphi * slam * u;
        const double vz = cphi * n + sphi * u;
        const GroundTrack t = groundTrackFromGeocentric(lat, lon, vx, vy, vz);
        EXPECT_NEAR(t.groundSpeed, 70, 1e-9) << h;
        EXPECT_NEAR(t.up, 3, 1e-9) << h;
        EXPECT_NEAR(std::fmod(t.heading - h + 540.0, 360.0) - 180.0, 0, 1e-9) << h;
        EXPECT_GE(t.heading, 0);
        EXPECT_LT(t.heading, 360);
    }
}

TEST(Kml, RendersOnePlacemarkPerAircraftInLonLatAltOrder) {
    KmlTrackWriter kml("VOLAX <tracks>");
    EXPECT_FALSE(kml.dirty());
    kml.addPoint("HLAobjectInstance0", 47.1, 8.2, 1000.25);
    kml.addPoint("other&one", -33.5, 151.25, 10);
    kml.addPoint("HLAobjectInstance0", 47.2, 8.3, 1100);
    kml.setDescription("HLAobjectInstance0", "id=1:2:0");
    kml.setLabel("other&one", "N172SP <Destroyed>");
    EXPECT_TRUE(kml.dirty());
    const std::string text = kml.render();
    EXPECT_NE(text.find("<name>N172SP &lt;Destroyed&gt;</name>"), std::string::npos);
    kml.setLabel("other&one", "");
    const std::string unlabelled = kml.render();
    EXPECT_NE(text.find("<name>VOLAX &lt;tracks&gt;</name>"), std::string::npos);
    EXPECT_NE(unlabelled.find("<name>other&amp;one</name>"), std::string::npos);
    EXPECT_NE(text.find("8.2000000,47.1000000,1000.25\n8.3000000,47.2000000,1100.00\n"), std::string::npos);
    EXPECT_NE(text.find("<description>id=1:2:0</description>"), std::string::npos);
    EXPECT_LT(unlabelled.find("HLAobjectInstance0"), unlabelled.find("other&amp;one"));
    EXPECT_EQ(occurrences(text, "<Placemark>"), 2u);
    EXPECT_EQ(occurrences(text, "<altitudeMode>absolute</altitudeMode>"), 2u);
    // The lone point is drawn as a two-point line.
    EXPECT_NE(text.find("151.2500000,-33.5000000,10.00\n151.2500000,-33.5000000,10.00\n"), std::string::npos);
}

TEST(Kml, ThinsLongTracksKeepingEnds) {
    KmlTrackWriter kml("t", 8);
    for (int i = 0; i < 100; ++i) kml.addPoint("a", i, 0, 0);
    const std::string text = kml.render();
    const size_t points = occurrences(text, ",0.00\n");  // one coordinate line per point
    EXPECT_LE(points, 8u);
    EXPECT_GE(points, 4u);
    EXPECT_NE(text.find("0.0000000,0.0000000,0.00\n"), std::string::npos);   // the first point stays
    EXPECT_NE(text.find("0.0000000,99.0000000,0.00\n"), std::string::npos);  // the newest is there
}

TEST(Kml, WritesAtomicallyAndReportsFailures) {
    volax::test::TempDir dir("volax-kml");
    ASSERT_TRUE(dir.ok());
    const std::string path = dir.file("track.kml");
    KmlTrackWriter kml("t");
    kml.addPoint("a", 1, 2, 3);
    std::string error;
    ASSERT_TRUE(kml.writeFile(path, &error)) << error;
    EXPECT_FALSE(kml.dirty());
    EXPECT_EQ(volax::test::readFile(path), kml.render());
    // monitor --track rewrites it every second: each write replaces the last
    // (C's rename refuses an existing target on Windows).
    kml.addPoint("a", 1, 2, 5);
    ASSERT_TRUE(kml.writeFile(path, &error)) << error;
    EXPECT_EQ(volax::test::readFile(path), kml.render());
    // No temporary file is left behind.
    std::remove(path.c_str());
    EXPECT_TRUE(std::filesystem::is_empty(dir.path()));

    kml.addPoint("a", 1, 2, 4);
    EXPECT_FALSE(kml.writeFile("/nonexistent-dir/track.kml", &error));
    EXPECT_NE(error.find("/nonexistent-dir/track.kml"), std::string::npos);
    EXPECT_TRUE(kml.dirty());
}

TEST(LogCapture, KeepsWholeMatchingLinesInABoundedTail) {
    const std::string tag = "QVHLAManager::joinFederation() : ";
    LogCapture log(false, 256);
    ASSERT_NE(log.stream(), nullptr);
    fprintf(log.stream(), "%scannot open FED\n", tag.c_str());
    fprintf(log.stream(), "QVHLAAircraftObject::publish() : Success!\n");
    fprintf(log.stream(), "%sno such federation\n", tag.c_str());
    fprintf(log.stream(), "%spartial", tag.c_str());  // no newline yet: not complete
    EXPECT_EQ(log.linesAfter(tag), (std::vector<std::string>{"cannot open FED", "no such federation"}));
    EXPECT_TRUE(log.linesAfter("nothing").empty());
    // Past the bound the oldest lines go, whole.
    for (int i = 0; i < 200; ++i) fprintf(log.stream(), "\nfiller line %d", i);
    fprintf(log.stream(), "\n%sthird\n", tag.c_str());
    EXPECT_EQ(log.linesAfter(tag), std::vector<std::string>{"third"});
    log.clear();
    EXPECT_TRUE(log.linesAfter(tag).empty());
}

// Each line reaches stderr once, however often the capture is collected (a
// stream read back from a file must not hand over the same text twice).
TEST(LogCapture, EchoesEachLineOnce) {
    testing::internal::CaptureStderr();
    {
        LogCapture log(true);
        ASSERT_NE(log.stream(), nullptr);
        fprintf(log.stream(), "first\n");
        log.collect();
        fprintf(log.stream(), "second\n");
        log.collect();
        log.collect();
        EXPECT_EQ(log.linesAfter(""), (std::vector<std::string>{"first", "second"}));
    }
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "first\nsecond\n");
}
