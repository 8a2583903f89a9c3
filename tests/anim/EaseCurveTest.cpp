// The ease of an element's own progress: its ends, its direction, its inverse and the
// way each setting bends it.
#include "anim/EaseCurve.h"

#include <gtest/gtest.h>

#include <cmath>

namespace fw {
namespace {

struct Setting {
    double start, end, amount;
};

const Setting kSettings[] = {{0, 0, 50},   {100, 0, 50}, {0, 100, 50}, {30, 30, 50},   {100, 100, 100},
                             {20, 50, 0},  {20, 50, 25}, {40, 10, 75}, {70, 70, 100}, {5, 95, 50},
                             {-10, 150, 200}};

EaseCurve curveOf(const Setting& s) {
    EaseCurve c;
    c.build(s.start, s.end, s.amount);
    return c;
}

}  // namespace

TEST(EaseCurve, WithoutEasesOrAmountItIsTheIdentity) {
    EaseCurve plain, noAmount;
    plain.build(0, 0, 50);
    noAmount.build(40, 60, 0);
    for (int i = 0; i <= 100; ++i) {
        double u = i / 100.0;
        EXPECT_EQ(plain.value(u), u);
        EXPECT_DOUBLE_EQ(noAmount.value(u), u);
        EXPECT_EQ(plain.inverse(u), u);
    }
}

TEST(EaseCurve, RisesFromZeroToOneAndInvertsExactly) {
    for (const Setting& s : kSettings) {
        EaseCurve c = curveOf(s);
        SCOPED_TRACE(testing::Message() << s.start << " " << s.end << " " << s.amount);
        EXPECT_EQ(c.value(0), 0.0);
        EXPECT_EQ(c.value(1), 1.0);
        EXPECT_EQ(c.value(-0.5), 0.0);
        EXPECT_EQ(c.value(1.5), 1.0);
        double previous = 0;
        for (int i = 1; i <= 2000; ++i) {
            double u = i / 2000.0;
            double y = c.value(u);
            ASSERT_GT(y, previous) << "u " << u;
            ASSERT_LE(y, 1.0);
            ASSERT_NEAR(c.inverse(y), u, 1e-9) << "u " << u;
            previous = y;
        }
        // Joins between the eased pieces and the cruise: no step in value or slope.
        for (int i = 1; i < 2000; ++i) {
            double u = i / 2000.0, h = 1e-7;
            double left = (c.value(u) - c.value(u - h)) / h, right = (c.value(u + h) - c.value(u)) / h;
            ASSERT_NEAR(left, right, 1e-3 * std::max(1.0, left)) << "u " << u;
        }
    }
}

TEST(EaseCurve, EasesSlowTheEndsByTheirShareAndAmount) {
    auto slopeAt = [](const EaseCurve& c, double u) { return (c.value(u + 1e-6) - c.value(u)) / 1e-6; };
    EaseCurve startOnly, both, gentle, strong;
    startOnly.build(100, 0, 50);
    both.build(25, 25, 50);
    gentle.build(25, 25, 25);
    strong.build(25, 25, 100);

    // All of it spent speeding up from rest: slow at 0, fastest (twice the mean) at 1.
    EXPECT_LT(slopeAt(startOnly, 0), 1e-5);
    EXPECT_NEAR(slopeAt(startOnly, 1 - 1e-6), 2.0, 1e-4);
    EXPECT_NEAR(startOnly.value(0.5), 0.25, 1e-12);

    // A quarter each end at amount 50: cruise slope 1 / (1 - 0.5 + 0.5 / 2) = 4 / 3,
    // reached at u = 0.25 with y = 4/3 * 0.25 / 2 = 1/6, symmetric about the middle.
    EXPECT_NEAR(both.value(0.25), 1.0 / 6, 1e-12);
    EXPECT_NEAR(both.value(0.5), 0.5, 1e-12);
    EXPECT_NEAR(slopeAt(both, 0.5), 4.0 / 3, 1e-6);
    EXPECT_NEAR(both.value(0.3) + both.value(0.7), 1.0, 1e-12);

    // The amount says how strongly: a stronger ease starts slower.
    EXPECT_GT(slopeAt(gentle, 0), 0.4);
    EXPECT_LT(slopeAt(both, 0), 1e-5);
    EXPECT_LT(strong.value(0.1), both.value(0.1));
    EXPECT_LT(both.value(0.1), gentle.value(0.1));
}

}  // namespace fw
