#include <vrel_ui/presence.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <set>
#include <string>
#include <string_view>

namespace {

using vrel_ui::Color;
using vrel_ui::PeerPresence;
using vrel_ui::PresenceCtx;
using vrel_ui::user_color;

void expect_near(Color got, Color want)
{
    EXPECT_NEAR(got.r, want.r, 1e-4);
    EXPECT_NEAR(got.g, want.g, 1e-4);
    EXPECT_NEAR(got.b, want.b, 1e-4);
    EXPECT_EQ(got.a, 1.f);
}

// WCAG relative luminance of a straight sRGB colour.
double luminance(Color c)
{
    auto const linear
        = [](double v) { return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
    return 0.2126 * linear(c.r) + 0.7152 * linear(c.g) + 0.0722 * linear(c.b);
}

// Pinned values: a change here would recolour every person in every workspace.
TEST(UserColor, IsPinnedForKnownIds)
{
    struct Case {
        std::string_view id;
        Color want;
    };
    Case const cases[] = {
        { "alice", { 0.144f, 0.1512f, 0.576f, 1 } }, // hue 239
        { "bob", { 0.4608f, 0.144f, 0.576f, 1 } }, // hue 284
        { "", { 0.5688f, 0.576f, 0.144f, 1 } }, // hue 61: the offset basis alone
        { "\xc3\xa9", { 0.5544f, 0.144f, 0.576f, 1 } }, // hue 297: bytes above 0x7f hash unsigned
    };
    for (Case const& c : cases) {
        SCOPED_TRACE(c.id);
        expect_near(user_color(c.id), c.want);
    }
}

TEST(UserColor, EveryColourKeepsWhiteInitialsReadable)
{
    for (int i = 0; i < 3000; ++i) {
        Color const c = user_color("person-" + std::to_string(i));
        double const contrast = 1.05 / (luminance(c) + 0.05);
        ASSERT_GE(contrast, 3.0) << "person-" << i;
        for (float const v : { c.r, c.g, c.b }) {
            ASSERT_GE(v, 0.f);
            ASSERT_LE(v, 1.f);
        }
    }
}

TEST(UserColor, SpreadsIdsOverManyHues)
{
    std::set<std::tuple<float, float, float>> distinct;
    for (int i = 0; i < 100; ++i) {
        Color const c = user_color("id" + std::to_string(i));
        distinct.insert({ c.r, c.g, c.b });
    }
    EXPECT_GE(distinct.size(), 80u);
}

TEST(PresenceCtx, ColorForPrefersAPeersExplicitColour)
{
    PresenceCtx ctx;
    ctx.set_peer("p1", PeerPresence { "Pat", vrel_ui::colors::black });
    ctx.set_peer("p2", PeerPresence { "Sam", std::nullopt });
    EXPECT_EQ(ctx.color_for("p1"), vrel_ui::colors::black);
    EXPECT_EQ(ctx.color_for("p2"), user_color("p2"));
    EXPECT_EQ(ctx.color_for("stranger"), user_color("stranger"));
    ctx.remove_peer("p1");
    EXPECT_EQ(ctx.color_for("p1"), user_color("p1"));
}

TEST(PresenceCtx, HoldsSelfAndPeers)
{
    PresenceCtx ctx;
    EXPECT_EQ(ctx.self_id(), std::nullopt);
    EXPECT_EQ(ctx.self_name(), std::nullopt);
    EXPECT_TRUE(ctx.peers().empty());
    ctx.set_self_id("me");
    ctx.set_self_name("Me Myself");
    ctx.set_peers({ { "a", { "Ann", std::nullopt } } });
    ctx.set_peer("a", { "Anne", std::nullopt });
    ctx.remove_peer("absent");
    EXPECT_EQ(ctx.self_id(), "me");
    EXPECT_EQ(ctx.self_name(), "Me Myself");
    ASSERT_EQ(ctx.peers().size(), 1u);
    EXPECT_EQ(ctx.peers().at("a").name, "Anne");
    ctx.set_self_name(std::nullopt);
    EXPECT_EQ(ctx.self_name(), std::nullopt);
}

} // namespace
