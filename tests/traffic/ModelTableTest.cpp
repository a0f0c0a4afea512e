#include <gtest/gtest.h>

#include "ModelTable.h"

namespace {

const char kTable[] =
    "# the default models\n"
    "* * * * * * * Resources/default.obj\n"
    "1 2 * * * * * aircraft.obj\n"
    "1 2 225 * * * * us aircraft.obj\n"
    "1 2 * 20 * * * helicopter.obj\n"
    "1 2 225 1 1 3 * f16.obj\n"
    "  ; a comment after blanks\n"
    "\n"
    "1 1 * * * * * lib/ground/vehicle.obj\r\n"
    "1 2 225 * * * * aircraft.obj\n";

TEST(ModelTable, MostSpecificRuleWins) {
    traffic::ModelTable table;
    std::vector<std::string> errors;
    EXPECT_EQ(table.parse(kTable, "volaxmodels.ini", errors), 7u);
    EXPECT_TRUE(errors.empty());
    struct Row {
        EntityType type;
        const char* path;
    } rows[] = {
        {{1, 2, 225, 1, 1, 3, 0}, "f16.obj"},
        {{1, 2, 225, 1, 1, 4, 0}, "us aircraft.obj"},  // three numbers beat two; first of equals
        {{1, 2, 13, 20, 1, 0, 0}, "helicopter.obj"},
        {{1, 2, 225, 20, 1, 0, 0}, "us aircraft.obj"},  // kind domain country beats kind domain category
        {{1, 2, 13, 1, 1, 0, 0}, "aircraft.obj"},
        {{1, 1, 225, 1, 1, 0, 0}, "lib/ground/vehicle.obj"},
        {{3, 1, 0, 0, 0, 0, 0}, "Resources/default.obj"},
    };
    for (const Row& r : rows) EXPECT_EQ(*table.lookup(r.type), r.path) << r.path;
    const std::vector<std::string> paths = table.paths();
    EXPECT_EQ(paths.size(), 6u);
    EXPECT_EQ(paths[0], "Resources/default.obj");
}

TEST(ModelTable, NoMatchWithoutACatchAll) {
    traffic::ModelTable table;
    std::vector<std::string> errors;
    table.parse("\xEF\xBB\xBF" "1 2 * * * * * a.obj\n", "m.ini", errors);  // after a byte-order mark
    EXPECT_TRUE(errors.empty());
    EXPECT_EQ(*table.lookup({1, 2, 0, 0, 0, 0, 0}), "a.obj");
    EXPECT_EQ(table.lookup({1, 1, 0, 0, 0, 0, 0}), nullptr);
}

TEST(ModelTable, MalformedLinesAreReportedAndSkipped) {
    traffic::ModelTable table;
    std::vector<std::string> errors;
    const char text[] =
        "1 2 * * * * * good.obj\n"
        "1 2 * * *\n"
        "1 2 * * * * *   \n"
        "256 2 * * * * * a.obj\n"
        "1 2 65536 * * * * a.obj\n"
        "1 -2 * * * * * a.obj\n"
        "1 2 x * * * * a.obj\n"
        "1 2 ** * * * * a.obj\n"
        "1 2 65535 * * * * last.obj";
    EXPECT_EQ(table.parse(text, "volaxmodels.ini", errors), 2u);
    const std::vector<std::string> expected = {
        "volaxmodels.ini:2: missing specific",        "volaxmodels.ini:3: missing model path",
        "volaxmodels.ini:4: bad kind \"256\"",        "volaxmodels.ini:5: bad country \"65536\"",
        "volaxmodels.ini:6: bad domain \"-2\"",       "volaxmodels.ini:7: bad country \"x\"",
        "volaxmodels.ini:8: bad country \"**\"",
    };
    EXPECT_EQ(errors, expected);
    EXPECT_EQ(*table.lookup({1, 2, 65535, 0, 0, 0, 0}), "last.obj");
}

// [ICAO] rules name what TCAS and the map show; without one a fixed-wing or a
// rotary-wing designator stands in. Models and types never mix.
TEST(ModelTable, IcaoSectionNamesTypesWithDefaults) {
    traffic::ModelTable table;
    std::vector<std::string> errors;
    const char text[] =
        "1 2 * * * * * jet.obj\n"
        "[ICAO]\n"
        "1 2 225 1 3 * * F16\n"
        "1 2 * 4 * * * K35R\n"
        "1 2 * 5 * * * c130\n"
        "1 2 * 6 * * * B7478\n"
        "1 2 * 7 * * *\n"
        "[WAKE]\n"
        "[MODELS]\n"
        "1 2 * 20 * * * heli.obj\n";
    EXPECT_EQ(table.parse(text, "volaxmodels.ini", errors), 4u);
    const std::vector<std::string> expected = {
        "volaxmodels.ini:5: bad ICAO type designator \"c130\" (2 to 4 capital letters and digits)",
        "volaxmodels.ini:6: bad ICAO type designator \"B7478\" (2 to 4 capital letters and digits)",
        "volaxmodels.ini:7: missing ICAO type designator",
        "volaxmodels.ini:8: unknown section [WAKE] ([MODELS] or [ICAO])",
    };
    EXPECT_EQ(errors, expected);
    const struct {
        EntityType type;
        const char* icao;
    } cases[] = {
        {{1, 2, 225, 1, 3, 1, 0}, "F16"},  {{1, 2, 13, 4, 0, 0, 0}, "K35R"},
        {{1, 2, 225, 1, 1, 0, 0}, "B738"}, {{1, 2, 225, 20, 1, 0, 0}, "EC35"},
        {{1, 2, 225, 25, 1, 0, 0}, "EC35"}, {{1, 2, 225, 26, 1, 0, 0}, "B738"},
    };
    for (const auto& c : cases) EXPECT_EQ(table.icaoType(c.type), c.icao) << int(c.type.category);
    EXPECT_EQ(table.paths(), (std::vector<std::string>{"jet.obj", "heli.obj"}));
}

}  // namespace
