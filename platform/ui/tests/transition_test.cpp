#include <vrel_ui/theme.h>
#include <vrel_ui/transition.h>

#include <gtest/gtest.h>

#include <limits>

using namespace vrel_ui;

namespace {

constexpr Motion motion { .duration_seconds = 0.2f, .reduced = false };
constexpr double nan = std::numeric_limits<double>::quiet_NaN();

TEST(Transition, StartsWhereItWasMade)
{
    EXPECT_FLOAT_EQ(Transition::open().value(0), 1);
    EXPECT_TRUE(Transition::open().is_open());
    EXPECT_FLOAT_EQ(Transition::closed().value(0), 0);
    EXPECT_FALSE(Transition::closed().is_open());
    EXPECT_FALSE(Transition::open().is_animating(0));
}

TEST(Transition, OpensWithCubicEaseOut)
{
    struct Sample {
        double at;
        float value;
        bool animating;
    };
    // Cubic ease-out: 1 - (1 - t)^3 over the 0.2 s duration.
    constexpr Sample samples[] = {
        { 10.0, 0, true }, { 10.05, 0.578125f, true }, { 10.1, 0.875f, true }, { 10.15, 0.984375f, true },
        { 10.2, 1, false }, { 11.0, 1, false },
        { 9.0, 0, true }, // a clock read from before the start holds the start value
    };
    Transition t = Transition::closed();
    t.set_open(true, 10.0, motion);
    EXPECT_TRUE(t.is_open());
    for (Sample const& s : samples) {
        SCOPED_TRACE(s.at);
        EXPECT_NEAR(t.value(s.at), s.value, 1e-4);
        EXPECT_EQ(t.is_animating(s.at), s.animating);
    }
}

TEST(Transition, ClosesWithTheSameEasing)
{
    Transition t = Transition::open();
    t.set_open(false, 0, motion);
    EXPECT_FALSE(t.is_open());
    EXPECT_NEAR(t.value(0.05), 1 - 0.578125f, 1e-4);
    EXPECT_FLOAT_EQ(t.value(0.2), 0);
    EXPECT_FALSE(t.is_animating(0.2));
}

TEST(Transition, ReducedMotionAndUnusableClocksAreInstant)
{
    struct Case {
        char const* name;
        Motion motion;
        double now;
    };
    Case const cases[] = {
        { "reduced motion", { 0.2f, true }, 5 },
        { "zero duration", { 0, false }, 5 },
        { "negative duration", { -1, false }, 5 },
        { "non-finite duration", { std::numeric_limits<float>::infinity(), false }, 5 },
        { "clock not a number", motion, nan },
    };
    for (Case const& c : cases) {
        SCOPED_TRACE(c.name);
        Transition t = Transition::closed();
        t.set_open(true, c.now, c.motion);
        EXPECT_FLOAT_EQ(t.value(5), 1);
        EXPECT_FALSE(t.is_animating(5));
        t.set_open(false, c.now, c.motion);
        EXPECT_FLOAT_EQ(t.value(5), 0);
    }
}

TEST(Transition, MovesMonotonicallyBothWays)
{
    Transition t = Transition::closed();
    t.set_open(true, 0, motion);
    float last = t.value(0);
    for (int i = 1; i <= 50; ++i) {
        float const v = t.value(i * 0.005);
        ASSERT_GE(v, last);
        last = v;
    }
    t.set_open(false, 1, motion);
    for (int i = 1; i <= 50; ++i) {
        float const v = t.value(1 + i * 0.005);
        ASSERT_LE(v, last);
        ASSERT_GE(v, 0);
        last = v;
    }
    EXPECT_FLOAT_EQ(last, 0);
}

TEST(Transition, ReversalContinuesFromTheCurrentValue)
{
    Transition t = Transition::closed();
    t.set_open(true, 0, motion);
    float const midway = t.value(0.05);
    t.set_open(false, 0.05, motion);
    EXPECT_FLOAT_EQ(t.value(0.05), midway);
    EXPECT_LT(t.value(0.06), midway);
    // The way back is only `midway` long, so it takes that share of the duration.
    EXPECT_TRUE(t.is_animating(0.05 + 0.2 * midway - 0.001));
    EXPECT_FALSE(t.is_animating(0.05 + 0.2 * midway + 0.001));
    EXPECT_FLOAT_EQ(t.value(0.05 + 0.2 * midway + 0.001), 0);
}

TEST(Transition, SettingTheSameTargetDoesNotRestart)
{
    Transition t = Transition::closed();
    t.set_open(true, 0, motion);
    t.set_open(true, 0.1, motion);
    EXPECT_NEAR(t.value(0.1), 0.875f, 1e-4);
    EXPECT_FALSE(t.is_animating(0.2));
}

TEST(Transition, ValueStaysInRangeForAnyClock)
{
    Transition t = Transition::closed();
    t.set_open(true, 1, motion);
    for (double const now : { nan, -std::numeric_limits<double>::infinity(),
             std::numeric_limits<double>::infinity(), -1e300, 1e300 }) {
        SCOPED_TRACE(now);
        float const v = t.value(now);
        EXPECT_GE(v, 0);
        EXPECT_LE(v, 1);
    }
}

} // namespace
