#include <vrel_ui/button.h>
#include <vrel_ui/text.h>
#include <vrel_ui/theme.h>
#include <vrel_ui/widget.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <vector>

using namespace vrel_ui;

namespace {

class ButtonTest : public testing::Test {
protected:
    // The fill of the painted button: the first rounded-rect fill, if any.
    std::optional<Color> fill_of(ButtonKind kind, ButtonState state)
    {
        m_scene.clear();
        Button::paint(m_ctx, m_rect, "Send", kind, state);
        for (auto const& command : m_scene.commands()) {
            if (auto const* fill = std::get_if<cmd::FillRoundRect>(&command))
                return fill->color;
        }
        return std::nullopt;
    }
    template <class T> std::vector<T> commands_of()
    {
        std::vector<T> found;
        for (auto const& command : m_scene.commands()) {
            if (auto const* c = std::get_if<T>(&command))
                found.push_back(*c);
        }
        return found;
    }

    TextRenderer m_text;
    Theme m_theme { Theme::light() };
    Scene m_scene;
    DrawContext m_ctx { m_scene, m_text, m_theme, 0 };
    Rect m_rect { 20, 30, 120, 36 };
};

TEST_F(ButtonTest, MeasureAddsPaddingAndKeepsTheMinimumHeight)
{
    for (float const size : { 11.f, 13.f, 30.f }) {
        SCOPED_TRACE(size);
        ButtonMetrics const m = Button::metrics(m_theme, size);
        Size const measured = Button::measure(m_text, m_theme, "Join call", size);
        float const label = m_text.measure_weighted("Join call", size, Weight::Medium).w;
        float const line = m_text.line_height(size, Weight::Medium);
        EXPECT_FLOAT_EQ(measured.w, label + 2 * m.padding_x);
        EXPECT_FLOAT_EQ(measured.h, std::max(2 * m_theme.spacing.spacing + line, 32.f));
    }
    // Large text outgrows the minimum; small text does not.
    EXPECT_GT(Button::measure(m_text, m_theme, "Join", 30).h, 32);
    EXPECT_FLOAT_EQ(Button::measure(m_text, m_theme, "Join", 11).h, 32);
    EXPECT_FLOAT_EQ(Button::measure(m_text, m_theme, "", 13).w, 2 * Button::metrics(m_theme).padding_x);
}

TEST_F(ButtonTest, MetricsComeFromTheTheme)
{
    ButtonMetrics const m = Button::metrics(m_theme, 15);
    EXPECT_EQ(m.padding_y, m_theme.spacing.spacing);
    EXPECT_EQ(m.radius, m_theme.spacing.corner_radius);
    EXPECT_EQ(m.min_height, 32);
    EXPECT_EQ(m.text_size, 15);
    EXPECT_EQ(Button::metrics(m_theme, std::numeric_limits<float>::quiet_NaN()).text_size, 13);
}

TEST_F(ButtonTest, FillPerKind)
{
    EXPECT_EQ(fill_of(ButtonKind::Normal, {}), m_theme.secondary);
    EXPECT_EQ(fill_of(ButtonKind::Primary, {}), m_theme.accent);
    EXPECT_EQ(fill_of(ButtonKind::Destructive, {}), m_theme.error);
    EXPECT_EQ(fill_of(ButtonKind::Quiet, {}), std::nullopt);
    EXPECT_EQ(fill_of(ButtonKind::Quiet, { .hovered = true }), m_theme.hover);
}

TEST_F(ButtonTest, HoverLiftsAndActiveDarkens)
{
    for (ButtonKind const kind : { ButtonKind::Normal, ButtonKind::Primary, ButtonKind::Destructive }) {
        SCOPED_TRACE(int(kind));
        double const rest = Colors::relative_luminance(*fill_of(kind, {}));
        EXPECT_GT(Colors::relative_luminance(*fill_of(kind, { .hovered = true })), rest);
        EXPECT_LT(Colors::relative_luminance(*fill_of(kind, { .hovered = true, .active = true })), rest);
        EXPECT_NE(fill_of(kind, { .pressed = true }), fill_of(kind, {}));
        // A disabled button ignores the pointer.
        EXPECT_EQ(fill_of(kind, { .hovered = true, .active = true, .disabled = true }), fill_of(kind, {}));
    }
}

TEST_F(ButtonTest, DisabledIsOneFadedLayer)
{
    Button::paint(m_ctx, m_rect, "Send", ButtonKind::Primary, { .disabled = true });
    auto const& commands = m_scene.commands();
    ASSERT_GE(commands.size(), 3u);
    auto const* layer = std::get_if<cmd::PushLayer>(&commands.front());
    ASSERT_NE(layer, nullptr);
    EXPECT_FLOAT_EQ(layer->opacity, 0.45f);
    EXPECT_TRUE(std::holds_alternative<cmd::PopLayer>(commands.back()));

    m_scene.clear();
    Button::paint(m_ctx, m_rect, "Send", ButtonKind::Primary, {});
    EXPECT_TRUE(commands_of<cmd::PushLayer>().empty());
}

TEST_F(ButtonTest, LabelIsCentredInTheKindsTextColour)
{
    Button::paint(m_ctx, m_rect, "Send", ButtonKind::Primary, {});
    auto const texts = commands_of<cmd::Text>();
    ASSERT_EQ(texts.size(), 1u);
    Size const size = texts[0].text->size();
    EXPECT_EQ(texts[0].color, m_theme.on_accent);
    EXPECT_NEAR(texts[0].origin.x + size.w / 2, m_rect.center().x, 0.5);
    EXPECT_NEAR(texts[0].origin.y + size.h / 2, m_rect.center().y, 0.5);
}

TEST_F(ButtonTest, LongLabelIsCutToTheButton)
{
    Rect const narrow { 0, 0, 90, 32 };
    Button::paint(m_ctx, narrow, "Leave the call and return to the channel", ButtonKind::Normal, {});
    auto const texts = commands_of<cmd::Text>();
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_LE(texts[0].text->size().w, narrow.w - 2 * Button::metrics(m_theme).padding_x + 0.5f);
    EXPECT_GE(texts[0].origin.x, narrow.x);
}

TEST_F(ButtonTest, FocusDrawsARingOutsideTheButton)
{
    Button::paint(m_ctx, m_rect, "Send", ButtonKind::Primary, { .focused = true });
    auto const rings = commands_of<cmd::StrokeRoundRect>();
    ASSERT_EQ(rings.size(), 1u);
    EXPECT_EQ(rings[0].color, m_theme.accent);
    EXPECT_LT(rings[0].rect.x, m_rect.x);
    EXPECT_GT(rings[0].rect.right(), m_rect.right());
}

TEST_F(ButtonTest, UnusableRectPaintsNothing)
{
    float const nan = std::numeric_limits<float>::quiet_NaN();
    for (Rect const r :
        { Rect {}, Rect { 0, 0, -10, 20 }, Rect { nan, 0, 50, 20 }, Rect { 0, 0, nan, 20 } }) {
        Button::paint(m_ctx, r, "Send", ButtonKind::Normal, { .hovered = true, .disabled = true });
        EXPECT_EQ(m_scene.size(), 0u);
    }
}

} // namespace
