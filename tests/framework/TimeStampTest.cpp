// The RPR FOM 2.0 time stamp in the user-supplied tag: the DIS form, worked out
// by hand (units of 3600/2^31 s past the hour in bits 31..1, bit 0 absolute).
#include <gtest/gtest.h>

#include <cmath>

#include "TimeStamp.h"

TEST(TimeStamp, TagsCarryTheDisTimeStamp) {
    const struct {
        double seconds;
        bool absolute;
        const char* tag;
    } cases[] = {
        {0, true, "00000001"},
        {0.001, true, "000004A9"},     // 596 units
        {12.5, true, "00E38E39"},
        {1800, true, "80000001"},      // 2^30 units
        {1800, false, "80000000"},
        {3599.0, true, "FFEDCBA9"},
        {3600 - 1e-7, true, "FFFFFFFF"},
        {5400, true, "80000001"},      // an hour and a half: past the hour only
        {-1, true, "FFEDCBA9"},        // a second before the hour
        {NAN, true, "00000001"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.seconds);
        const rpr::TimeStamp t = rpr::makeTimeStamp(c.seconds, c.absolute);
        EXPECT_EQ(rpr::timeStampTag(t), c.tag);
        rpr::TimeStamp back;
        ASSERT_TRUE(rpr::parseTimeStampTag(c.tag, back));
        EXPECT_EQ(back.value, t.value);
        EXPECT_EQ(back.absolute(), c.absolute);
        if (std::isfinite(c.seconds) && c.seconds >= 0 && c.seconds < 3600)
            EXPECT_NEAR(back.secondsPastHour(), c.seconds, 2e-6);
    }
    rpr::TimeStamp lower;
    ASSERT_TRUE(rpr::parseTimeStampTag("8000000b", lower));
    EXPECT_EQ(lower.value, 0x8000000Bu);
    for (const char* bad : {"sometag", "", "1234567", "123456789", "0000000G", " 0000001", "0x000001"}) {
        rpr::TimeStamp untouched;
        untouched.value = 42;
        EXPECT_FALSE(rpr::parseTimeStampTag(bad, untouched)) << bad;
        EXPECT_EQ(untouched.value, 42u);
    }
    rpr::TimeStamp none;
    EXPECT_FALSE(rpr::parseTimeStampTag(nullptr, none));
}

TEST(TimeStamp, OnlyPlausibleAbsoluteStampsGiveAnAge) {
    const struct {
        double stamp;
        bool absolute;
        double now;
        bool plausible;
        double age;
    } cases[] = {
        {100, true, 100.5, true, 0.5},
        {100, true, 104.9, true, 4.9},
        {100, true, 110, false, 0},      // ten seconds: a clock that is off
        {100, true, 99.8, true, 0},      // a little ahead of ours: now
        {100, true, 90, false, 0},
        {100, false, 100.5, false, 0},   // relative: its clock is not ours
        {3599.5, true, 0.3, true, 0.8},  // the hour turned on the way
        {0.2, true, 3599.9, true, 0},
        {1800, true, 0, false, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.stamp << " at " << c.now);
        double age = -1;
        EXPECT_EQ(rpr::plausibleAge(rpr::makeTimeStamp(c.stamp, c.absolute), c.now, age), c.plausible);
        if (c.plausible) EXPECT_NEAR(age, c.age, 1e-5);
    }
    const double now = rpr::utcSecondsPastHour();
    EXPECT_TRUE(now >= 0 && now < 3600);
}
