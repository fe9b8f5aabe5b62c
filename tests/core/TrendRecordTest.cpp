// The monitor's trend record: its span, its pauses and the range it draws.
#include "jobs/TrendRecord.h"

#include <gtest/gtest.h>

TEST(TrendRecord, KeepsTheSpanAndBreaksTheLineAtAPause)
{
    CTrendRecord record(60.0);
    EXPECT_TRUE(record.Empty());
    for (int t = 0; t <= 100; ++t) {
        record.Add({static_cast<double>(t), 1.0 * t, 100.0, 0.0, false});
        EXPECT_EQ(record.Samples().back().startsStretch, t == 0) << t;
    }
    EXPECT_EQ(record.Samples().front().time, 40.0);
    EXPECT_EQ(record.Newest(), 100.0);

    record.Add({99.5, 7.0, 7.0, 7.0, false}); // older than the newest: ignored
    EXPECT_EQ(record.Samples().back().time, 100.0);

    record.Pause();
    EXPECT_TRUE(record.Paused());
    EXPECT_EQ(record.Newest(), 100.0) << "the time axis stands still while paused";
    record.Add({130.0, 5.0, 100.0, 0.0, false});
    EXPECT_FALSE(record.Paused());
    EXPECT_TRUE(record.Samples().back().startsStretch);
    record.Add({131.0, 5.0, 100.0, 0.0, false});
    EXPECT_FALSE(record.Samples().back().startsStretch);
    EXPECT_EQ(record.Samples().front().time, 71.0);

    const auto [low, high] = record.Range();
    EXPECT_EQ(low, 0.0);
    EXPECT_EQ(high, 100.0);
}

TEST(TrendRecord, ARangeOfOneValueIsWidened)
{
    CTrendRecord record;
    record.Add({1.0, 20.0, 20.0, 20.0, false});
    const auto [low, high] = record.Range();
    EXPECT_LT(low, 20.0);
    EXPECT_GT(high, 20.0);
    record.Clear();
    EXPECT_TRUE(record.Empty());
    EXPECT_FALSE(record.Paused());
}
