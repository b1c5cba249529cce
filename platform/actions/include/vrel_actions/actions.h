// The action framework's value types: encoded actions, resources with their action specs,
// arguments, contexts, addresses and errors.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vrel_actions {

// How an action touches the world: View only changes what is shown, Effect changes data.
enum class OperationType : unsigned char { View, Effect };

[[nodiscard]] std::string_view to_string(OperationType) noexcept;

// An action in transit: its kind ("chat.action") and its JSON payload, stamped with the
// operation type its ActionSpec declared once it passes enforce_operation_type.
struct EncodedAction {
    std::string kind;
    std::string payload;
    std::optional<OperationType> operation_type;
    friend bool operator==(EncodedAction const&, EncodedAction const&) = default;
};

// Returns the action stamped with the declared type, replacing whatever it carried.
[[nodiscard]] EncodedAction enforce_operation_type(EncodedAction action, OperationType declared);

enum class RiskLevel : unsigned char { Low, Medium, High };

enum class ErrorCode : unsigned char { UnknownKind, Decode, Rejected, NotFound, Transport };

struct ActionError {
    ErrorCode code { ErrorCode::Rejected };
    std::string message;
    // "decode: unknown field `x`" and the like, for logs.
    [[nodiscard]] std::string to_string() const;
    friend bool operator==(ActionError const&, ActionError const&) = default;
};

// Named text arguments given to an action's builder.
class ActionArgs {
public:
    ActionArgs() = default;
    ActionArgs& set(std::string name, std::string value);
    [[nodiscard]] std::optional<std::string> text(std::string_view name) const;

private:
    std::map<std::string, std::string, std::less<>> m_values;
};

// The one text parameter an action may take.
struct TextParameter {
    std::string name;
    std::string label;
    std::string placeholder;
    friend bool operator==(TextParameter const&, TextParameter const&) = default;
};

class ActionSpec {
public:
    using Builder = std::function<std::optional<EncodedAction>(ActionArgs const&)>;

    ActionSpec(std::string id, std::string label, OperationType type, EncodedAction fixed);
    ActionSpec(std::string id, std::string label, OperationType type, Builder builder);

    [[nodiscard]] ActionSpec with_parameter(TextParameter parameter) &&;
    [[nodiscard]] ActionSpec destructive() &&;

    [[nodiscard]] std::string const& id() const noexcept { return m_id; }
    [[nodiscard]] std::string const& label() const noexcept { return m_label; }
    [[nodiscard]] OperationType operation_type() const noexcept { return m_type; }
    [[nodiscard]] bool is_destructive() const noexcept { return m_destructive; }
    [[nodiscard]] RiskLevel risk() const noexcept { return m_destructive ? RiskLevel::High : RiskLevel::Low; }
    [[nodiscard]] std::optional<TextParameter> const& parameter() const noexcept { return m_parameter; }
    // The encoded action for these arguments, stamped with the declared operation type; none
    // when the builder refuses them.
    [[nodiscard]] std::optional<EncodedAction> build(ActionArgs const& args) const;

private:
    std::string m_id;
    std::string m_label;
    OperationType m_type;
    std::optional<EncodedAction> m_fixed;
    Builder m_builder;
    std::optional<TextParameter> m_parameter;
    bool m_destructive { false };
};

class Resource {
public:
    Resource(std::string address, std::string kind, std::string label);

    [[nodiscard]] Resource with_action(ActionSpec spec) &&;
    [[nodiscard]] Resource with_child(Resource child) &&;

    [[nodiscard]] std::string const& address() const noexcept { return m_address; }
    [[nodiscard]] std::string const& kind() const noexcept { return m_kind; }
    [[nodiscard]] std::string const& label() const noexcept { return m_label; }
    [[nodiscard]] std::vector<ActionSpec> const& actions() const noexcept { return m_actions; }
    [[nodiscard]] std::vector<Resource> const& children() const noexcept { return m_children; }
    [[nodiscard]] ActionSpec const* find_action(std::string_view id) const noexcept;

private:
    std::string m_address;
    std::string m_kind;
    std::string m_label;
    std::vector<ActionSpec> m_actions;
    std::vector<Resource> m_children;
};

// The address of one action of one resource: "<resource address>#<action id>".
struct ActionAddress {
    std::string resource;
    std::string action;
    [[nodiscard]] std::string encode() const;
    // The inverse of encode; none when the text has no '#'.
    [[nodiscard]] static std::optional<ActionAddress> decode(std::string_view text);
    friend bool operator==(ActionAddress const&, ActionAddress const&) = default;
};

// Key-value facts about who dispatches and from where.
struct ActionContext {
    std::map<std::string, std::string, std::less<>> values;
    // This context with `other`'s values added; this context's own values win.
    [[nodiscard]] ActionContext enriched_by(ActionContext const& other) const;
    friend bool operator==(ActionContext const&, ActionContext const&) = default;
};

} // namespace vrel_actions
