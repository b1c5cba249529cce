#include <vrel_ui/widget.h>

#include <cmath>

namespace vrel_ui {

char const* to_string(LayoutError error) noexcept
{
    switch (error) {
    case LayoutError::EmptyBounds:
        return "layout: the window has no area to lay out into";
    case LayoutError::NonFinite:
        return "layout: a node resolved to a non-finite size";
    }
    return "layout: failed";
}

static base::Result<LaidOut, LayoutError> resolve_node(LayoutNode const& node, Rect parent)
{
    Rect const rect { parent.x + node.left.resolve(parent.w), parent.y + node.top.resolve(parent.h),
        node.width.resolve(parent.w), node.height.resolve(parent.h) };
    if (!std::isfinite(rect.x) || !std::isfinite(rect.y) || !std::isfinite(rect.w) || !std::isfinite(rect.h))
        return base::unexpected(LayoutError::NonFinite);
    LaidOut out { rect, {} };
    out.children.reserve(node.children.size());
    for (auto const& child : node.children)
        out.children.push_back(TRY(resolve_node(child, rect)));
    return out;
}

base::Result<LaidOut, LayoutError> resolve_layout(LayoutNode const& root, Rect bounds)
{
    if (bounds.empty())
        return base::unexpected(LayoutError::EmptyBounds);
    return resolve_node(root, bounds);
}

std::vector<vrel_actions::Resource> Widget::action_resources() const { return {}; }

std::optional<vrel_actions::Resource> Widget::action_resource(std::string_view) const { return std::nullopt; }

base::Result<void> Widget::handle_operation(
    vrel_actions::EncodedAction const& action, vrel_actions::OperationType)
{
    return base::error("no handler for operations of kind " + action.kind);
}

} // namespace vrel_ui
