#include <gtest/gtest.h>

#include "capture/naming.h"

using namespace dudo;

TEST(Naming, ClockPatterns) {
    const LocalTime t{2026, 12, 5, 14, 5, 9};
    EXPECT_EQ(TimeName(t), "14-05-09");
    EXPECT_EQ(DateTimeName(t), "2026-12-05 14-05-09-");
    EXPECT_EQ(TimeName({2027, 1, 1, 0, 0, 0}), "00-00-00");
}

TEST(Naming, HundredthsOfTheDayAsSevenDigits) {
    EXPECT_EQ(ClockCountName(14 * 3600 + 5 * 60 + 9.5), "5070950");
    EXPECT_EQ(ClockCountName(0.25), "25");
    EXPECT_EQ(ClockCountName(0.123), "12.3");
    EXPECT_EQ(ClockCountName(86399.99), "8639999");
}

TEST(Naming, ZeroPaddedCounter) {
    EXPECT_EQ(CounterName(0, 4), "0000");
    EXPECT_EQ(CounterName(1, 4), "0001");
    EXPECT_EQ(CounterName(10, 4), "0010");
    EXPECT_EQ(CounterName(10000, 4), "10000");
    EXPECT_EQ(CounterName(-3, 4), "-0003");
    EXPECT_EQ(CounterName(2.5, 3), "003");
    EXPECT_EQ(CounterName(0, 0), "0");
    EXPECT_EQ(CounterName(1.5, 0), "1.5");
    EXPECT_EQ(CounterName(1e20, 2), "100000000000000000000");
}
