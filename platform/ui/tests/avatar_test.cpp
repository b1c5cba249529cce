#include <vrel_ui/avatar.h>
#include <vrel_ui/text.h>
#include <vrel_ui/theme.h>
#include <vrel_ui/widget.h>

#include <glib.h>
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <string>
#include <string_view>

using namespace vrel_ui;

namespace {

struct InitialsCase {
    std::string_view name;
    std::string_view input;
    std::string_view want;
};

constexpr InitialsCase initials_cases[] = {
    { "two words", "Ada Lovelace", "AL" },
    { "one word gives one letter", "Cher", "C" },
    { "three words take first and last", "Ada King Lovelace", "AL" },
    { "lower case is upper-cased", "grace hopper", "GH" },
    { "accented letters", "\u00e9lodie durand", "\u00c9D" },
    { "decomposed accent stays with its letter", "e\u0301lodie durand", "\u00c9D" },
    { "two-byte letters", "\u00f6laf \u0142ukasz", "\u00d6\u0141" },
    { "CJK words", "\u5c71\u7530 \u592a\u90ce", "\u5c71\u592a" },
    { "CJK single word", "\u5c71\u7530\u592a\u90ce", "\u5c71" },
    { "emoji only", "\U0001F389", "\U0001F389" },
    { "emoji sequence kept whole", "\U0001F469\u200D\U0001F4BB", "\U0001F469\u200D\U0001F4BB" },
    { "emoji word is skipped", "\U0001F389 party time", "PT" },
    { "leading punctuation is skipped", "(bob) 'smith'", "BS" },
    { "handle", "@alice", "A" },
    { "digits count as initials", "team 42", "T4" },
    { "punctuation only", "!!! ...", "?" },
    { "empty", "", "?" },
    { "blank", "   ", "?" },
    { "tabs and newlines", "\t\n ", "?" },
    { "surrounding spaces", "   ada   lovelace  ", "AL" },
    { "unicode spaces separate words", "ada\u3000lovelace", "AL" },
    { "invalid bytes are skipped", "ana \xff bell", "AB" },
    { "only invalid bytes", "\xff\xfe", "?" },
    { "truncated multi-byte letter", "zo\xc3", "Z" },
    { "embedded NUL", std::string_view { "ana\0 bell", 9 }, "AB" },
    { "sharp s upper-cases to two letters", "\u00dfa", "SS" },
};

TEST(AvatarInitials, Table)
{
    for (InitialsCase const& c : initials_cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Avatar::initials_for_name(c.input), c.want);
    }
}

// Whatever bytes a peer sends as a name, the initials are short, valid UTF-8 and never empty.
TEST(AvatarInitials, ArbitraryBytesGiveValidShortInitials)
{
    std::mt19937 random { 1234 };
    std::uniform_int_distribution<int> byte { 0, 255 };
    std::uniform_int_distribution<int> length { 0, 24 };
    for (int round = 0; round < 2000; ++round) {
        std::string name(std::size_t(length(random)), '\0');
        for (char& c : name)
            c = char(byte(random));
        std::string const initials = Avatar::initials_for_name(name);
        SCOPED_TRACE(testing::PrintToString(name));
        ASSERT_FALSE(initials.empty());
        ASSERT_TRUE(g_utf8_validate(initials.data(), gssize(initials.size()), nullptr));
        // Two initials at most, though one letter may upper-case to two ("\u00df" gives "SS").
        ASSERT_LE(grapheme_boundaries(initials).size() - 1, 4u);
    }
}

class AvatarDraw : public testing::Test {
protected:
    TextRenderer m_text;
    Theme m_theme { Theme::light() };
    Scene m_scene;
    DrawContext m_ctx { m_scene, m_text, m_theme, 0 };
};

TEST_F(AvatarDraw, DiscWithCentredInitials)
{
    Color const color = m_theme.palette_color(3);
    Point const center { 50, 40 };
    Avatar::draw_at(m_ctx, center, 32, "Ada Lovelace", color);
    auto const& commands = m_scene.commands();
    ASSERT_EQ(commands.size(), 2u);
    auto const* disc = std::get_if<cmd::FillDisc>(&commands[0]);
    ASSERT_NE(disc, nullptr);
    EXPECT_EQ(disc->center, center);
    EXPECT_FLOAT_EQ(disc->radius, 16);
    EXPECT_EQ(disc->color, color);
    auto const* text = std::get_if<cmd::Text>(&commands[1]);
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(text->color, m_theme.on_surface(color));
    Size const size = text->text->size();
    EXPECT_NEAR(text->origin.x + size.w / 2, center.x, 0.5);
    EXPECT_NEAR(text->origin.y + size.h / 2, center.y, 0.5);
    EXPECT_LT(size.w, 32);
}

TEST_F(AvatarDraw, PresenceDotSitsOnTheLowerRightRim)
{
    Point const center { 20, 20 };
    Avatar::draw_at(m_ctx, center, 40, "Ada", m_theme.accent, m_theme.online);
    auto const& commands = m_scene.commands();
    ASSERT_EQ(commands.size(), 4u);
    auto const* cutout = std::get_if<cmd::FillDisc>(&commands[2]);
    auto const* dot = std::get_if<cmd::FillDisc>(&commands[3]);
    ASSERT_NE(cutout, nullptr);
    ASSERT_NE(dot, nullptr);
    EXPECT_EQ(cutout->color, m_theme.surface);
    EXPECT_GT(cutout->radius, dot->radius);
    EXPECT_EQ(dot->color, m_theme.online);
    EXPECT_GT(dot->center.x, center.x);
    EXPECT_GT(dot->center.y, center.y);
    EXPECT_NEAR(std::hypot(dot->center.x - center.x, dot->center.y - center.y), 20, 0.01);
}

TEST_F(AvatarDraw, UnusableDiameterDrawsNothing)
{
    for (float const diameter :
        { 0.f, -4.f, std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity() }) {
        SCOPED_TRACE(diameter);
        Avatar::draw_at(m_ctx, { 10, 10 }, diameter, "Ada", m_theme.accent, m_theme.online);
        EXPECT_EQ(m_scene.size(), 0u);
    }
}

} // namespace
