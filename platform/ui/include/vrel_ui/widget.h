// The Widget interface: what the launcher and the screenshot frame drive, frame by frame.
//
// Each frame runs sync, build_layout/apply_layout, then draw; events are handled between frames.
// Every slot has a default so a widget overrides only what it takes part in.
#pragma once

#include <base/result.h>
#include <vrel_actions/actions.h>
#include <vrel_ui/accessibility.h>
#include <vrel_ui/event.h>
#include <vrel_ui/geometry.h>
#include <vrel_ui/platform.h>
#include <vrel_ui/scene.h>
#include <vrel_ui/text.h>
#include <vrel_ui/theme.h>

#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vrel_ui {

class ImageStore;
class FloatingSurfaceHost;
class SearchProvider;

// Handed to sync once per frame.
struct SyncContext {
    double now {}; // seconds on a monotonic clock
};

// Handed to draw and draw_for_instance.
struct DrawContext {
    Scene& scene;
    TextRenderer& text;
    Theme const& theme;
    double now {};
};

// Handed to handle_event.
struct EventContext {
    TextRenderer& text;
    Theme const& theme;
    Clipboard& clipboard;
    TextInputHost& text_input;
    double now {};
};

// A layout node in percent or pixels, placed in flow or absolutely inside its parent.
struct Length {
    enum class Unit : unsigned char { Pixels, Percent } unit { Unit::Percent };
    float value { 100 };
    [[nodiscard]] static constexpr Length px(float v) noexcept { return { Unit::Pixels, v }; }
    [[nodiscard]] static constexpr Length percent(float v) noexcept { return { Unit::Percent, v }; }
    [[nodiscard]] constexpr float resolve(float extent) const noexcept
    {
        return unit == Unit::Pixels ? value : extent * value / 100.f;
    }
};

struct LayoutNode {
    Length left { Length::px(0) }, top { Length::px(0) };
    Length width { Length::percent(100) }, height { Length::percent(100) };
    std::vector<LayoutNode> children;
};

// A laid-out node: its rect in window coordinates and its children's, in the same order.
struct LaidOut {
    Rect rect;
    std::vector<LaidOut> children;
};

enum class LayoutError : unsigned char { EmptyBounds, NonFinite };
[[nodiscard]] char const* to_string(LayoutError) noexcept;
// Resolves a node tree inside `bounds`.
[[nodiscard]] base::Result<LaidOut, LayoutError> resolve_layout(LayoutNode const& root, Rect bounds);

// What the widget shows of a call, for the desktop's call indicator.
struct CallPresence {
    std::string title;
    bool muted {};
};

class Widget {
public:
    virtual ~Widget() = default;

    // Call presence: the running call, if any.
    [[nodiscard]] virtual std::optional<CallPresence> call_presence() const { return std::nullopt; }
    // The floating-surface host: given by the launcher, taken back when the window goes.
    virtual void set_floating_host(FloatingSurfaceHost*) { }
    [[nodiscard]] virtual FloatingSurfaceHost* floating_host() const { return nullptr; }

    virtual void sync(SyncContext&) { }
    // Continuity: a record of state to hand to the next instance, and its restoration.
    [[nodiscard]] virtual std::optional<std::string> capture_continuity() const { return std::nullopt; }
    virtual void restore_continuity(std::string_view) { }

    [[nodiscard]] virtual LayoutNode build_layout() const { return {}; }
    virtual void apply_layout(LaidOut const& laid_out) { m_bounds = laid_out.rect; }
    virtual void draw(DrawContext&) { }
    virtual EventResponse handle_event(Event const&, EventContext&) { return EventResponse::Ignored; }

    [[nodiscard]] virtual std::vector<std::string> handled_operation_kinds() const { return {}; }
    [[nodiscard]] virtual std::string_view type_name() const { return "Widget"; }
    [[nodiscard]] virtual Rect bounds() const { return m_bounds; }

    [[nodiscard]] virtual bool has_open_popup() const { return false; }
    [[nodiscard]] virtual std::vector<AccessNode> accessibility() const { return {}; }
    // Synthetic accessibility nodes are addressed by a path of indices.
    [[nodiscard]] virtual std::optional<Rect> synthetic_accessibility_rect(std::span<std::size_t const>) const
    {
        return std::nullopt;
    }
    virtual bool focus_synthetic_accessibility(std::span<std::size_t const>) { return false; }
    virtual bool perform_semantic_action(std::string_view /*node_id*/, SemanticRequest const&)
    {
        return false;
    }

    // Capabilities: keyboard focus, text input, serving synthetic accessibility nodes.
    [[nodiscard]] virtual bool accepts_keyboard_focus() const { return false; }
    [[nodiscard]] virtual bool accepts_text_input() const { return false; }
    [[nodiscard]] virtual bool serves_synthetic_accessibility() const { return false; }

    // The action resources the widget offers: the roots, and one by address.
    [[nodiscard]] virtual std::vector<vrel_actions::Resource> action_resources() const;
    [[nodiscard]] virtual std::optional<vrel_actions::Resource> action_resource(
        std::string_view address) const;
    [[nodiscard]] virtual SearchProvider* search_provider() { return nullptr; }
    // Moves out the pending record for the action host, leaving none.
    [[nodiscard]] virtual std::optional<std::string> take_action_host_state() { return std::nullopt; }
    // Runs an operation routed to this widget; the error is a refusal text.
    virtual base::Result<void> handle_operation(
        vrel_actions::EncodedAction const&, vrel_actions::OperationType);

    [[nodiscard]] virtual bool has_floating_surface() const { return false; }
    [[nodiscard]] virtual bool needs_animation_frame() const { return false; }
    [[nodiscard]] virtual std::optional<Rect> popup_rect() const { return std::nullopt; }
    // True once after something asked for a redraw outside an event.
    [[nodiscard]] virtual bool take_redraw_request() { return false; }
    // Draws the widget's content for one floating surface instance.
    virtual void draw_for_instance(std::string_view /*instance*/, DrawContext&) { }

protected:
    Rect m_bounds;
};

} // namespace vrel_ui
