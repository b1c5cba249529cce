// The toolkit gallery: one widget showing every toolkit widget and painter, in the window and
// as a screenshot, so the toolkit can be judged by eye.
#pragma once

#include <vrel_ui/button.h>
#include <vrel_ui/context_menu.h>
#include <vrel_ui/image_store.h>
#include <vrel_ui/text_input.h>
#include <vrel_ui/tooltip.h>
#include <vrel_ui/widget.h>

#include <optional>
#include <string>
#include <vector>

namespace gallery {

class Gallery final : public vrel_ui::Widget {
public:
    Gallery();

    // Puts the gallery into the state a screenshot shows: the field focused with a selection,
    // the context menu open, a tooltip up and a button hovered. Call it after a first draw.
    void stage_for_screenshot(vrel_ui::EventContext& ctx);
    [[nodiscard]] vrel_ui::ImageStore& images() { return m_images; }

    void draw(vrel_ui::DrawContext& ctx) override;
    vrel_ui::EventResponse handle_event(vrel_ui::Event const& event, vrel_ui::EventContext& ctx) override;
    [[nodiscard]] std::string_view type_name() const override { return "Gallery"; }
    [[nodiscard]] bool has_open_popup() const override { return m_menu.is_open(); }
    [[nodiscard]] bool needs_animation_frame() const override;
    [[nodiscard]] bool take_redraw_request() override;
    [[nodiscard]] std::vector<vrel_ui::AccessNode> accessibility() const override;
    [[nodiscard]] bool accepts_keyboard_focus() const override { return true; }
    [[nodiscard]] bool accepts_text_input() const override { return true; }

private:
    struct ButtonSlot {
        std::string label;
        vrel_ui::ButtonKind kind;
        vrel_ui::ButtonState state;
        vrel_ui::Rect rect;
    };

    float draw_heading(vrel_ui::DrawContext& ctx, vrel_ui::Point at, std::string_view title);
    float draw_typography(vrel_ui::DrawContext& ctx, vrel_ui::Rect column);
    float draw_buttons(vrel_ui::DrawContext& ctx, vrel_ui::Rect column);
    float draw_avatars(vrel_ui::DrawContext& ctx, vrel_ui::Rect column);
    float draw_input(vrel_ui::DrawContext& ctx, vrel_ui::Rect column);
    float draw_images(vrel_ui::DrawContext& ctx, vrel_ui::Rect column);
    float draw_painters(vrel_ui::DrawContext& ctx, vrel_ui::Rect column);
    float draw_palette(vrel_ui::DrawContext& ctx, vrel_ui::Rect column);
    void draw_image_or_placeholder(vrel_ui::DrawContext& ctx, std::string const& key, vrel_ui::Rect rect);
    void open_menu(vrel_ui::Point at);
    [[nodiscard]] std::optional<std::string> label_at(vrel_ui::Point pos) const;

    vrel_ui::ImageStore m_images;
    vrel_ui::TextInput m_input;
    vrel_ui::ContextMenu m_menu;
    vrel_ui::TooltipHost m_tooltip;
    std::vector<ButtonSlot> m_buttons;
    std::optional<std::size_t> m_hovered_button;
    std::optional<std::size_t> m_pressed_button;
    std::string m_status { "Right-click anywhere for the context menu." };
    bool m_dark_override {};
    bool m_redraw {};
    double m_now {};
};

} // namespace gallery
