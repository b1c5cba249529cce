// The accessibility tree a widget serves: nodes with roles, labels, rects and states.
#pragma once

#include <vrel_ui/geometry.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vrel_ui {

enum class Role : std::uint8_t {
    Window,
    Group,
    Button,
    ToggleButton,
    MenuItem,
    Menu,
    TextField,
    Label,
    List,
    ListItem,
    Heading,
    Image
};

struct AccessNode {
    std::string id;
    Role role { Role::Group };
    std::string label;
    std::string description;
    std::string kind; // the application's own sort of node ("message"), free text
    Rect rect;
    bool focusable {};
    bool focused {};
    std::optional<bool> pressed; // toggle buttons
    bool destructive {};
    std::vector<AccessNode> children;
};

// What assistive technology may ask a node to do.
enum class SemanticAction : std::uint8_t {
    Activate,
    Focus,
    SetText,
    ReplaceSelection,
    SelectAll,
    Copy,
    Cut,
    Paste
};

struct SemanticRequest {
    SemanticAction action { SemanticAction::Activate };
    std::string text; // SetText / ReplaceSelection
};

} // namespace vrel_ui
