#include <vrel_actions/actions.h>

#include <utility>

namespace vrel_actions {

std::string_view to_string(OperationType type) noexcept
{
    switch (type) {
    case OperationType::View:
        return "view";
    case OperationType::Effect:
        return "effect";
    }
    return "effect";
}

EncodedAction enforce_operation_type(EncodedAction action, OperationType declared)
{
    action.operation_type = declared;
    return action;
}

std::string ActionError::to_string() const
{
    char const* prefix = "rejected";
    switch (code) {
    case ErrorCode::UnknownKind:
        prefix = "unknown kind";
        break;
    case ErrorCode::Decode:
        prefix = "decode";
        break;
    case ErrorCode::Rejected:
        prefix = "rejected";
        break;
    case ErrorCode::NotFound:
        prefix = "not found";
        break;
    case ErrorCode::Transport:
        prefix = "transport";
        break;
    }
    return std::string(prefix) + ": " + message;
}

ActionArgs& ActionArgs::set(std::string name, std::string value)
{
    m_values.insert_or_assign(std::move(name), std::move(value));
    return *this;
}

std::optional<std::string> ActionArgs::text(std::string_view name) const
{
    auto const it = m_values.find(name);
    if (it == m_values.end())
        return std::nullopt;
    return it->second;
}

ActionSpec::ActionSpec(std::string id, std::string label, OperationType type, EncodedAction fixed)
    : m_id(std::move(id))
    , m_label(std::move(label))
    , m_type(type)
    , m_fixed(std::move(fixed))
{
}

ActionSpec::ActionSpec(std::string id, std::string label, OperationType type, Builder builder)
    : m_id(std::move(id))
    , m_label(std::move(label))
    , m_type(type)
    , m_builder(std::move(builder))
{
}

ActionSpec ActionSpec::with_parameter(TextParameter parameter) &&
{
    m_parameter = std::move(parameter);
    return std::move(*this);
}

ActionSpec ActionSpec::destructive() &&
{
    m_destructive = true;
    return std::move(*this);
}

std::optional<EncodedAction> ActionSpec::build(ActionArgs const& args) const
{
    std::optional<EncodedAction> built = m_fixed ? m_fixed : (m_builder ? m_builder(args) : std::nullopt);
    if (!built)
        return std::nullopt;
    return enforce_operation_type(std::move(*built), m_type);
}

Resource::Resource(std::string address, std::string kind, std::string label)
    : m_address(std::move(address))
    , m_kind(std::move(kind))
    , m_label(std::move(label))
{
}

Resource Resource::with_action(ActionSpec spec) &&
{
    m_actions.push_back(std::move(spec));
    return std::move(*this);
}

Resource Resource::with_child(Resource child) &&
{
    m_children.push_back(std::move(child));
    return std::move(*this);
}

ActionSpec const* Resource::find_action(std::string_view id) const noexcept
{
    for (auto const& spec : m_actions)
        if (spec.id() == id)
            return &spec;
    return nullptr;
}

std::string ActionAddress::encode() const { return resource + "#" + action; }

std::optional<ActionAddress> ActionAddress::decode(std::string_view text)
{
    auto const hash = text.rfind('#');
    if (hash == std::string_view::npos)
        return std::nullopt;
    return ActionAddress { std::string(text.substr(0, hash)), std::string(text.substr(hash + 1)) };
}

ActionContext ActionContext::enriched_by(ActionContext const& other) const
{
    ActionContext merged = *this;
    for (auto const& [key, value] : other.values)
        merged.values.try_emplace(key, value);
    return merged;
}

} // namespace vrel_actions
