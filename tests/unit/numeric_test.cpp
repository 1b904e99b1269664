#include <gtest/gtest.h>

#include <cmath>

#include "common/checked.h"
#include "common/error.h"
#include "panel/numeric.h"

using namespace dudo;

TEST(NumericValue, ReadsTheNumberATextBeginsWith) {
    EXPECT_EQ(NumericValue("12a"), 12);
    EXPECT_EQ(NumericValue("007"), 7);
    EXPECT_EQ(NumericValue("1e2"), 100);
    EXPECT_EQ(NumericValue("1."), 1);
    EXPECT_EQ(NumericValue("1.50"), 1.5);
    EXPECT_EQ(NumericValue(".5"), 0.5);
    EXPECT_EQ(NumericValue("3.2.1"), 3.2);
}

TEST(NumericValue, NoNumberGivesZero) {
    for (const char* text : {"", "a12", "-", "+", ".", "-.", "e5", "&", "&X1"}) EXPECT_EQ(NumericValue(text), 0) << text;
}

TEST(NumericValue, SkipsBlanksAnywhere) {
    EXPECT_EQ(NumericValue("  1 2\t3\n"), 123);
    EXPECT_EQ(NumericValue("- 4 . 5"), -4.5);
    EXPECT_EQ(NumericValue("1 e 3"), 1000);
    EXPECT_EQ(NumericValue("&H 1 F"), 31);
}

TEST(NumericValue, SignsAndExponents) {
    EXPECT_EQ(NumericValue("-12"), -12);
    EXPECT_EQ(NumericValue("+12"), 12);
    EXPECT_EQ(NumericValue("--1"), 0);
    EXPECT_EQ(NumericValue("2D3"), 2000);
    EXPECT_EQ(NumericValue("2d-1"), 0.2);
    EXPECT_EQ(NumericValue("2E+2x"), 200);
    EXPECT_EQ(NumericValue("5e"), 5);   // an exponent without digits is not read
    EXPECT_EQ(NumericValue("5e-"), 5);
}

TEST(NumericValue, HexAndOctalWholeNumbers) {
    EXPECT_EQ(NumericValue("&HFF"), 255);
    EXPECT_EQ(NumericValue("&hff"), 255);
    EXPECT_EQ(NumericValue("&O17"), 15);
    EXPECT_EQ(NumericValue("&o178"), 15);
    EXPECT_EQ(NumericValue("&H"), 0);
    EXPECT_EQ(NumericValue("&H1.5"), 1);
}

TEST(NumericValue, HugeIsAnOverflowTinyIsZero) {
    EXPECT_THROW(NumericValue("1e400"), OverflowError);
    EXPECT_THROW(NumericValue("-9E999"), OverflowError);
    EXPECT_THROW(NumericValue("&H" + std::string(300, 'F')), OverflowError);  // not infinity
    EXPECT_EQ(NumericValue("&O" + std::string(300, '0') + "7"), 7);
    EXPECT_EQ(NumericValue("1e-400"), 0);
    EXPECT_EQ(NumericValue("1.7976931348623157e308"), 1.7976931348623157e308);
}

TEST(NumberText, PlainDecimalForm) {
    EXPECT_EQ(NumberText(7), "7");
    EXPECT_EQ(NumberText(1.5), "1.5");
    EXPECT_EQ(NumberText(0), "0");
    EXPECT_EQ(NumberText(-0.0), "0");
    EXPECT_EQ(NumberText(100), "100");
    EXPECT_EQ(NumberText(-42.25), "-42.25");
    EXPECT_EQ(NumberText(0.1 + 0.2), "0.3");  // 15 significant digits
    EXPECT_EQ(NumberText(123456789012345), "123456789012345");
    EXPECT_EQ(NumberText(-2147483648.0), "-2147483648");
}

TEST(NumberText, ExponentFormForExtremes) {
    EXPECT_EQ(NumberText(1e20), "1E+20");
    EXPECT_EQ(NumberText(1234567890123456), "1.23456789012346E+15");
    EXPECT_EQ(NumberText(1e-5), "1E-05");
    EXPECT_EQ(NumberText(-2.5e-300), "-2.5E-300");
}

TEST(NumberText, RoundTripsThroughNumericValue) {
    for (double v : {0.0, 1.0, -7.5, 1e20, 1.23456789012345e-7, 99.0, 4095.0})
        EXPECT_EQ(NumericValue(NumberText(v)), v) << v;
}

TEST(WholeNumbers, RoundHalfToEven) {
    EXPECT_EQ(ToInt32(2.5), 2);
    EXPECT_EQ(ToInt32(3.5), 4);
    EXPECT_EQ(ToInt32(0.5), 0);
    EXPECT_EQ(ToInt32(-2.5), -2);
    EXPECT_EQ(ToInt32(10.5), 10);
    EXPECT_EQ(ToInt32(11.5), 12);
    EXPECT_EQ(ToInt32(1707.5), 1708);
    EXPECT_EQ(ToInt32(2147483647.4), 2147483647);
    EXPECT_EQ(ToInt32(-2147483648.0), -2147483648);
}

TEST(WholeNumbers, OutsideThirtyTwoBitsIsAnOverflow) {
    EXPECT_THROW(ToInt32(2147483647.5), OverflowError);
    EXPECT_THROW(ToInt32(-2147483649.0), OverflowError);
    EXPECT_THROW(ToInt32(1e300), OverflowError);
    EXPECT_THROW(ToInt32(std::nan("")), OverflowError);
    EXPECT_THROW(CheckedSub(-2147483647 - 1, 1), OverflowError);
    EXPECT_THROW(CheckedAdd(2147483647, 1), OverflowError);
    EXPECT_EQ(CheckedSub(300, 100), 200);
}
