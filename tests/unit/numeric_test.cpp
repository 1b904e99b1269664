// The conversions every numeric field, counter and file name goes through.
#include <gtest/gtest.h>

#include <cmath>

#include "capture/naming.h"
#include "common/checked.h"
#include "common/error.h"
#include "panel/numeric.h"

using namespace dudo;

TEST(NumericValue, ReadsTheNumberATextBeginsWith) {
    const std::pair<std::string, double> cases[] = {
        {"12a", 12}, {"007", 7}, {"1e2", 100}, {"1.", 1}, {"1.50", 1.5}, {".5", 0.5}, {"3.2.1", 3.2},
        {"", 0}, {"a12", 0}, {"-", 0}, {"+", 0}, {".", 0}, {"-.", 0}, {"e5", 0}, {"&", 0}, {"&X1", 0}, {"--1", 0},
        {"  1 2\t3\n", 123}, {"- 4 . 5", -4.5}, {"1 e 3", 1000}, {"&H 1 F", 31},                // blanks anywhere
        {"-12", -12}, {"+12", 12}, {"2D3", 2000}, {"2d-1", 0.2}, {"2E+2x", 200}, {"5e", 5}, {"5e-", 5},
        {"&HFF", 255}, {"&hff", 255}, {"&O17", 15}, {"&o178", 15}, {"&H", 0}, {"&H1.5", 1},
        {"&O" + std::string(300, '0') + "7", 7}, {"1e-400", 0}, {"1.7976931348623157e308", 1.7976931348623157e308}};
    for (const auto& [text, value] : cases) EXPECT_EQ(NumericValue(text), value) << text;
    for (const std::string& huge : {std::string("1e400"), std::string("-9E999"), "&H" + std::string(300, 'F')})
        EXPECT_THROW(NumericValue(huge), OverflowError) << huge;  // never infinity
}

TEST(NumberText, PlainDecimalOrExponentFormAndBack) {
    const std::pair<double, const char*> cases[] = {
        {7, "7"}, {1.5, "1.5"}, {0, "0"}, {-0.0, "0"}, {100, "100"}, {-42.25, "-42.25"}, {0.1 + 0.2, "0.3"},
        {123456789012345, "123456789012345"}, {-2147483648.0, "-2147483648"}, {1e20, "1E+20"},
        {1234567890123456, "1.23456789012346E+15"}, {1e-5, "1E-05"}, {-2.5e-300, "-2.5E-300"}};
    for (const auto& [value, text] : cases) EXPECT_EQ(NumberText(value), text) << text;
    for (double v : {0.0, 1.0, -7.5, 1e20, 1.23456789012345e-7, 99.0, 4095.0}) EXPECT_EQ(NumericValue(NumberText(v)), v) << v;
}

TEST(WholeNumbers, RoundHalfToEvenWithinThirtyTwoBits) {
    const std::pair<double, std::int32_t> cases[] = {{2.5, 2},   {3.5, 4},     {0.5, 0},       {-2.5, -2},
                                                     {10.5, 10}, {11.5, 12},   {1707.5, 1708}, {2147483647.4, 2147483647},
                                                     {-2147483648.0, -2147483647 - 1}};
    for (const auto& [value, whole] : cases) EXPECT_EQ(ToInt32(value), whole) << value;
    for (double outside : {2147483647.5, -2147483649.0, 1e300, std::nan("")}) EXPECT_THROW(ToInt32(outside), OverflowError);
    EXPECT_THROW(CheckedSub(-2147483647 - 1, 1), OverflowError);
    EXPECT_THROW(CheckedAdd(2147483647, 1), OverflowError);
    EXPECT_EQ(CheckedSub(300, 100), 200);
}

TEST(Naming, ClockAndCounterNames) {
    const LocalTime t{2026, 12, 5, 14, 5, 9};
    const std::pair<std::string, const char*> cases[] = {
        {TimeName(t), "14-05-09"}, {DateTimeName(t), "2026-12-05 14-05-09-"}, {TimeName({2027, 1, 1, 0, 0, 0}), "00-00-00"},
        {ClockCountName(14 * 3600 + 5 * 60 + 9.5), "5070950"}, {ClockCountName(0.25), "25"}, {ClockCountName(0.123), "12.3"},
        {ClockCountName(86399.99), "8639999"}, {CounterName(0, 4), "0000"}, {CounterName(10, 4), "0010"},
        {CounterName(10000, 4), "10000"}, {CounterName(-3, 4), "-0003"}, {CounterName(2.5, 3), "003"},
        {CounterName(0, 0), "0"}, {CounterName(1.5, 0), "1.5"}, {CounterName(1e20, 2), "100000000000000000000"}};
    for (const auto& [name, expected] : cases) EXPECT_EQ(name, expected);
}
