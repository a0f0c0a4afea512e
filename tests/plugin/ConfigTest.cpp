// volax.ini and volaxexp.ini readers, over scratch files.

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "TestPlatform.h"
#include "VolaxConfig.h"

using volax::EntityTypeTable;
using volax::VolaxSettings;

namespace {

struct MemFile {
    explicit MemFile(const std::string& text) : file(text), f(file.get()) {}
    volax::test::ScratchFile file;
    FILE* f;
};

// What writeSettings writes for `s`.
std::string written(const VolaxSettings& s) {
    volax::test::ScratchFile file;
    EXPECT_TRUE(file.get() && volax::writeSettings(file.get(), s));
    return file.text();
}

VolaxSettings parse(const std::string& text) {
    VolaxSettings s;
    MemFile m(text);
    volax::readSettings(m.f, s);
    return s;
}

EntityTypeTable parseTable(const std::string& text) {
    EntityTypeTable t;
    MemFile m(text);
    volax::readEntityTypes(m.f, t);
    return t;
}

}  // namespace

TEST(VolaxIni, WrittenDefaultsReadBackAsDefaults) {
    const std::string buffer = written(VolaxSettings());
    EXPECT_EQ(buffer,
                 "FEDERATE X-Plane\nFEDERATION XP_Federation\nFEDFILE XP_Federation.fed\nFORCEID 3\nSITEID 1\n"
                 "APPLICATIONID 2\nAUTOJOIN 1\nCREATE 1\nTIMESTEP 0.10\nAUTOCREATE 0\n");
    VolaxSettings s = parse(buffer);
    EXPECT_EQ(s.federate, "X-Plane");
    EXPECT_EQ(s.federation, "XP_Federation");
    EXPECT_EQ(s.fedFile, "XP_Federation.fed");
    EXPECT_EQ(s.forceId, 3);
    EXPECT_EQ(s.siteId, 1);
    EXPECT_EQ(s.applicationId, 2);
    EXPECT_EQ(s.autoJoin, 1);
    EXPECT_EQ(s.create, 1);
    EXPECT_FLOAT_EQ(s.timeStep, 0.1f);
    EXPECT_EQ(s.autoCreate, 0);
}

TEST(VolaxIni, NamesWithBlanksAreWrittenQuotedAndReadBackWhole) {
    VolaxSettings in;
    in.federate = "Pilot one";
    in.fedFile = "C:\\X-Plane 12\\Resources\\x.fed";
    in.autoCreate = 1;
    const std::string buffer = written(in);
    EXPECT_NE(std::string(buffer).find("FEDERATE \"Pilot one\"\n"), std::string::npos) << buffer;
    EXPECT_NE(std::string(buffer).find("\nAUTOCREATE 1\n"), std::string::npos) << buffer;
    VolaxSettings out = parse(buffer);
    EXPECT_EQ(out.federate, in.federate);
    EXPECT_EQ(out.fedFile, in.fedFile);
    EXPECT_EQ(out.autoCreate, 1);
}

// A value in double quotes keeps its blanks; an unquoted one is one token.
TEST(VolaxIni, QuotedValues) {
    const struct {
        const char* text;
        const char* federate;
        const char* fedFile;
        uint16_t siteId;
    } cases[] = {
        {"FEDFILE \"C:\\X-Plane 12\\Resources\\x.fed\"\n", "X-Plane", "C:\\X-Plane 12\\Resources\\x.fed", 1},
        {"FEDFILE C:\\X-Plane 12\\x.fed\nSITEID 4\n", "X-Plane", "C:\\X-Plane", 4},
        {"FEDERATE   \"Pilot  one\"  trailing words\nSITEID 5\n", "Pilot  one", "XP_Federation.fed", 5},
        {"FEDERATE \"\"\n", "", "XP_Federation.fed", 1},
        {"FEDERATE\n\"On the next line\" x\nSITEID 6\n", "On the next line", "XP_Federation.fed", 6},
        {"FEDERATE \"no closing quote\nSITEID 7\n", "X-Plane", "XP_Federation.fed", 7},
        {"FEDERATE \"no closing quote at the end", "X-Plane", "XP_Federation.fed", 1},
        {"SITEID \"8\"\n", "X-Plane", "XP_Federation.fed", 8},
        {"FEDERATE a\"b c\"\n", "a\"b", "XP_Federation.fed", 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        VolaxSettings s = parse(c.text);
        EXPECT_EQ(s.federate, c.federate);
        EXPECT_EQ(s.fedFile, c.fedFile);
        EXPECT_EQ(s.siteId, c.siteId);
    }
    EXPECT_EQ(parse("FEDERATE \"" + std::string(400, 'q') + "\"\nSITEID 9\n").federate, std::string(255, 'q'));
}

TEST(VolaxIni, ByteOrderMarkIsSkippedAndUnknownKeysAreTraced) {
    EXPECT_EQ(parse("\xEF\xBB\xBFSITEID 9\n").siteId, 9);
    EXPECT_EQ(parse("\xEF\xBB\xBF\nSITEID 8\n").siteId, 8);
    EXPECT_EQ(parse("SITEID 7\n\xEF\xBB\xBFSITEID 9\n").siteId, 7) << "only at the start";
    EXPECT_EQ(parse("\xEF\xBB").siteId, 1);

    volax::test::ScratchFile traced;
    FILE* trace = traced.get();
    ASSERT_TRUE(trace);
    VolaxSettings s;
    MemFile m("timestep 0.5\nAUTOCREATE 1\nFEDFILE \"open\nHEARTBEET 5\n");
    volax::readSettings(m.f, s, trace);
    const std::string buffer = traced.text();
    EXPECT_EQ(buffer,
                 "Ignoring unknown key timestep in volax.ini\n"
                 "Ignoring FEDFILE in volax.ini: its quoted value has no closing quote\n"
                 "Ignoring unknown key HEARTBEET in volax.ini\n");
    EXPECT_EQ(s.autoCreate, 1);
}

TEST(VolaxIni, ForceIdKeepsLowByteAndMapsAboveThreeToZero) {
    EXPECT_EQ(parse("FORCEID 4\n").forceId, 0);
    EXPECT_EQ(parse("FORCEID 259\n").forceId, 3);
    EXPECT_EQ(parse("FORCEID -1\n").forceId, 0);
    EXPECT_EQ(parse("FORCEID 2\n").forceId, 2);
    EXPECT_EQ(parse("FORCEID word\n").forceId, 0);
}

TEST(VolaxIni, FlagsTakeLowSixteenBitsAndOutOfRangeBecomesOne) {
    EXPECT_EQ(parse("AUTOJOIN 2\n").autoJoin, 1);
    EXPECT_EQ(parse("AUTOJOIN -3\n").autoJoin, 1);
    EXPECT_EQ(parse("AUTOJOIN 65536\n").autoJoin, 0);
    EXPECT_EQ(parse("AUTOJOIN 0\n").autoJoin, 0);
    EXPECT_EQ(parse("CREATE 0\n").create, 0);
    EXPECT_EQ(parse("CREATE 65537\n").create, 1);
    EXPECT_EQ(parse("CREATE x\n").create, 0);
    EXPECT_EQ(parse("").autoCreate, 0) << "a file without the key keeps the old behaviour";
    EXPECT_EQ(parse("AUTOCREATE 1\n").autoCreate, 1);
    EXPECT_EQ(parse("AUTOCREATE 2\n").autoCreate, 1);
    EXPECT_EQ(parse("AUTOCREATE 0\n").autoCreate, 0);
}

TEST(VolaxIni, IdentifiersWrapAroundSixteenBits) {
    VolaxSettings s = parse("SITEID 65537\nAPPLICATIONID -1\n");
    EXPECT_EQ(s.siteId, 1);
    EXPECT_EQ(s.applicationId, 65535);
    EXPECT_EQ(parse("SITEID 99999999999999999999\n").siteId, 65535);  // strtol saturates
}

TEST(VolaxIni, TimeStepIsClampedToItsRange) {
    EXPECT_FLOAT_EQ(parse("TIMESTEP 0\n").timeStep, 0.1f);
    EXPECT_FLOAT_EQ(parse("TIMESTEP -1\n").timeStep, 0.1f);
    EXPECT_FLOAT_EQ(parse("TIMESTEP word\n").timeStep, 0.1f);
    EXPECT_FLOAT_EQ(parse("TIMESTEP nan\n").timeStep, 0.1f);
    EXPECT_FLOAT_EQ(parse("TIMESTEP 1e-60\n").timeStep, 0.1f);  // rounds to a float 0
    EXPECT_FLOAT_EQ(parse("TIMESTEP 5\n").timeStep, 2.0f);
    EXPECT_FLOAT_EQ(parse("TIMESTEP 1e300\n").timeStep, 2.0f);
    EXPECT_FLOAT_EQ(parse("TIMESTEP 2\n").timeStep, 2.0f);
    EXPECT_FLOAT_EQ(parse("TIMESTEP 0.5 and more words\n").timeStep, 0.5f);
}

// Optional keys: defaults when absent, and never part of a freshly written file.
TEST(VolaxIni, HeartbeatAndMarking) {
    const struct {
        const char* text;
        float heartbeat;
    } heartbeats[] = {{"", 5.0f},           {"HEARTBEAT 0\n", 0.0f},    {"HEARTBEAT 2.5\n", 2.5f},
                      {"HEARTBEAT -1\n", 5.0f}, {"HEARTBEAT word\n", 5.0f}, {"HEARTBEAT nan\n", 5.0f},
                      {"HEARTBEAT 1e300\n", 86400.0f}};
    for (const auto& c : heartbeats) EXPECT_FLOAT_EQ(parse(c.text).heartbeat, c.heartbeat) << c.text;
    EXPECT_EQ(parse("").marking, "");
    EXPECT_EQ(parse("MARKING N172SP\n").marking, "N172SP");
    VolaxSettings set;
    set.heartbeat = 1.0f;
    set.marking = "X";
    const std::string buffer = written(set);
    EXPECT_EQ(std::string(buffer).find("HEARTBEAT"), std::string::npos);
    EXPECT_EQ(std::string(buffer).find("MARKING"), std::string::npos);
}

TEST(VolaxIni, TrafficKeys) {
    struct Row {
        const char* text;
        int traffic;
        uint32_t maxEntities;
        float timeout;
    } rows[] = {
        {"", 1, 500, 12.0f},
        {"TRAFFIC 0\nMAXENTITIES 20\nENTITYTIMEOUT 0\n", 0, 20, 0.0f},
        {"TRAFFIC 7\nMAXENTITIES 0\nENTITYTIMEOUT 2.5\n", 1, 0, 2.5f},
        {"MAXENTITIES -3\nENTITYTIMEOUT -1\n", 1, 500, 12.0f},
        {"MAXENTITIES many\nENTITYTIMEOUT nan\n", 1, 500, 12.0f},
        {"MAXENTITIES 12x\nENTITYTIMEOUT 5s\n", 1, 500, 12.0f},
        {"MAXENTITIES 99999999999999999999\nENTITYTIMEOUT 1e300\n", 1, volax::kMaxEntitiesLimit, 86400.0f},
    };
    for (const Row& r : rows) {
        VolaxSettings s = parse(r.text);
        EXPECT_EQ(s.traffic, r.traffic) << r.text;
        EXPECT_EQ(s.maxEntities, r.maxEntities) << r.text;
        EXPECT_FLOAT_EQ(s.entityTimeout, r.timeout) << r.text;
    }
    const std::string buffer = written(VolaxSettings());
    for (const char* key : {"TRAFFIC", "MAXENTITIES", "ENTITYTIMEOUT"})
        EXPECT_EQ(std::string(buffer).find(key), std::string::npos) << key;
}

TEST(VolaxIni, KeysAreCaseSensitiveAndLaterLinesWin) {
    VolaxSettings s = parse("timestep 0.5\nFEDERATE first\nFEDERATE second\nUNKNOWN 7\n");
    EXPECT_FLOAT_EQ(s.timeStep, 0.1f);
    EXPECT_EQ(s.federate, "second");
}

TEST(VolaxIni, KeyWithoutValueTakesNextLinesFirstTokenAndSkipsItsRest) {
    VolaxSettings s = parse("FEDERATE\nFedName SITEID 9\nAPPLICATIONID 7\n");
    EXPECT_EQ(s.federate, "FedName");
    EXPECT_EQ(s.siteId, 1);  // skipped with the rest of that line
    EXPECT_EQ(s.applicationId, 7);
}

TEST(VolaxIni, KeyAtEndOfFileWithoutValueChangesNothing) {
    VolaxSettings s = parse("SITEID 5\nFEDERATE");
    EXPECT_EQ(s.siteId, 5);
    EXPECT_EQ(s.federate, "X-Plane");
    EXPECT_EQ(parse("").federate, "X-Plane");
    EXPECT_EQ(parse("FEDERATION  \t fed2   \r\n").federation, "fed2");
}

TEST(VolaxIni, OverlongTokensAreCutAndTheirExcessDropped) {
    std::string longName(1000, 'n');
    VolaxSettings s = parse("FEDERATE " + longName + " SITEID 9\nAPPLICATIONID 7\n");
    EXPECT_EQ(s.federate, std::string(255, 'n'));
    EXPECT_EQ(s.siteId, 1);
    EXPECT_EQ(s.applicationId, 7);
    // An overlong key is no key: it is neither matched nor split in two.
    VolaxSettings t = parse(std::string(300, 'K') + "SITEID 9\nSITEID 4\n");
    EXPECT_EQ(t.siteId, 4);
}

TEST(VolaxExpIni, RecordsNeedAllEightItems) {
    EntityTypeTable t = parseTable(
        "f16 1 2 225 1 2 3 4\n"
        "bad 1 2 x 1 2 3 4\n"
        "c172 1 2 65761 257 -1 0 0 trailing words\n"
        "split 1 2 3\n4 5 6 7\n"
        "after 9 9 9 9 9 9 9");
    ASSERT_EQ(t.size(), 4u);
    EXPECT_EQ(t[0].name, "f16");
    EXPECT_EQ(t[0].country, 225);
    EXPECT_EQ(t[0].extra, 4);
    EXPECT_EQ(t[1].name, "c172");
    EXPECT_EQ(t[1].country, 225);  // low 16 bits of 65761
    EXPECT_EQ(t[1].category, 1);   // low 8 bits of 257
    EXPECT_EQ(t[1].subcategory, 255);
    EXPECT_EQ(t[2].name, "split");
    EXPECT_EQ(t[2].kind, 1);
    EXPECT_EQ(t[2].extra, 7);
    EXPECT_EQ(t[3].name, "after");
}

TEST(VolaxExpIni, ByteOrderMarkIsSkipped) {
    EntityTypeTable t = parseTable("\xEF\xBB\xBF" "f16 1 2 225 1 2 3 4\n");
    ASSERT_EQ(t.size(), 1u);
    EXPECT_EQ(t[0].name, "f16");
}

TEST(VolaxExpIni, HugeNumbersAndEmptyInputAreHarmless) {
    EXPECT_TRUE(parseTable("").empty());
    EXPECT_TRUE(parseTable("   \n\n").empty());
    EntityTypeTable t = parseTable("x 99999999999999999999999 -99999999999999999999 1 1 1 1 1\n");
    ASSERT_EQ(t.size(), 1u);
    EXPECT_TRUE(parseTable("x 1 2 3 4 5 6 -\n").empty());
}

TEST(VolaxExpIni, MatchingIsCaseInsensitiveSubstringFileFirstThenPathFirstEntryWins) {
    EntityTypeTable t = parseTable("F16 1 2 225 1 2 3 4\naircraft 1 2 225 9 9 9 9\nfalcon 5 5 5 5 5 5 5\n");
    const volax::EntityTypeEntry* e =
        volax::matchEntityType(t, "F16_Falcon.acf", "/X/Aircraft/F16_Falcon.acf", nullptr);
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(e->category, 1);
    e = volax::matchEntityType(t, "Cessna_172SP.acf", "/xp/AIRCRAFT/Laminar/Cessna_172SP.acf", nullptr);
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(e->category, 9);
    EXPECT_EQ(volax::matchEntityType(t, "glider.acf", "/xp/planes/glider.acf", nullptr), nullptr);
    EntityTypeTable empty;
    EXPECT_EQ(volax::matchEntityType(empty, "F16.acf", "/F16.acf", nullptr), nullptr);
}

TEST(VolaxIni, NetworkKeys) {
    struct Row {
        const char* text;
        int network;
        const char* address;
        int exercise, version, entityNumber;
    } rows[] = {
        {"", volax::kNetworkHla, "", 1, 7, 0},
        {"NETWORK DIS\nDISADDRESS 239.1.2.3:3001\nDISEXERCISE 9\nDISVERSION 6\nENTITYNUMBER 42\n",
         volax::kNetworkDis, "239.1.2.3:3001", 9, 6, 42},
        {"NETWORK both\nDISEXERCISE 255\nENTITYNUMBER 65534\n", volax::kNetworkHla | volax::kNetworkDis, "", 255, 7,
         65534},
        // Out of range or unreadable: the value before stays.
        {"NETWORK DSI\nDISEXERCISE 0\nDISVERSION 5\nENTITYNUMBER 0\n", volax::kNetworkHla, "", 1, 7, 0},
        {"DISEXERCISE 256\nDISVERSION 7x\nENTITYNUMBER 65535\n", volax::kNetworkHla, "", 1, 7, 0},
        {"DISEXERCISE -1\nENTITYNUMBER 1e3\n", volax::kNetworkHla, "", 1, 7, 0},
    };
    for (const Row& r : rows) {
        VolaxSettings s = parse(r.text);
        EXPECT_EQ(s.network, r.network) << r.text;
        EXPECT_EQ(s.disAddress, r.address) << r.text;
        EXPECT_EQ(s.disExercise, r.exercise) << r.text;
        EXPECT_EQ(s.disVersion, r.version) << r.text;
        EXPECT_EQ(s.entityNumber, r.entityNumber) << r.text;
    }
    const std::string buffer = written(VolaxSettings());
    for (const char* key : {"NETWORK", "DISADDRESS", "DISEXERCISE", "DISVERSION", "ENTITYNUMBER"})
        EXPECT_EQ(std::string(buffer).find(key), std::string::npos) << key;
}
