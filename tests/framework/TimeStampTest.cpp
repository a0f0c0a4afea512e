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
        {0, true, "00000001"},    {0.001, true, "000004A9"},  {12.5, true, "00E38E39"},
        {1800, true, "80000001"}, {1800, false, "80000000"},  {3599.0, true, "FFEDCBA9"},
        {3600 - 1e-7, true, "FFFFFFFF"},
        {5400, true, "80000001"},  // past the hour only
        {-1, true, "FFEDCBA9"},    // a second before the hour
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.seconds);
        EXPECT_EQ(rpr::timeStampTag(rpr::makeTimeStamp(c.seconds, c.absolute)), c.tag);
        rpr::TimeStamp back;
        ASSERT_TRUE(rpr::parseTimeStampTag(c.tag, back));
        EXPECT_EQ(back.absolute(), c.absolute);
        if (c.seconds >= 0 && c.seconds < 3600) {
            EXPECT_NEAR(back.secondsPastHour(), c.seconds, 2e-6);
        }
    }
    rpr::TimeStamp t;
    ASSERT_TRUE(rpr::parseTimeStampTag("8000000b", t));
    EXPECT_EQ(t.value, 0x8000000Bu);
    for (const char* bad : {"sometag", "", "1234567", "123456789", "0000000G", " 0000001", "0x000001"})
        EXPECT_FALSE(rpr::parseTimeStampTag(bad, t)) << bad;
    EXPECT_FALSE(rpr::parseTimeStampTag(nullptr, t));
}

TEST(TimeStamp, OnlyPlausibleAbsoluteStampsGiveAnAge) {
    const struct {
        double stamp;
        bool absolute;
        double now;
        double age;  // < 0: none
    } cases[] = {
        {100, true, 104.9, 4.9},   {100, true, 110, -1},    // ten seconds: a clock that is off
        {100, true, 99.8, 0},      // a little ahead of ours: now
        {100, false, 100.5, -1},   // relative: its clock is not ours
        {3599.5, true, 0.3, 0.8},  // the hour turned on the way
        {1800, true, 0, -1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.stamp << " at " << c.now);
        double age = -1;
        EXPECT_EQ(rpr::plausibleAge(rpr::makeTimeStamp(c.stamp, c.absolute), c.now, age), c.age >= 0);
        if (c.age >= 0) {
            EXPECT_NEAR(age, c.age, 1e-5);
        }
    }
}
