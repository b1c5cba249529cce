#include "object_reads.h"

#include <algorithm>

namespace automerge {

namespace {

std::string element_text(Element const& element)
{
    StoredOp const* op = winner(element.ops);
    if (auto const* s = std::get_if<std::string>(&op->value); s && op->action == Action::Set)
        return *s;
    return "\xEF\xBF\xBC";
}

} // namespace

std::vector<StoredOp const*> visible_ops(std::vector<StoredOp> const& ops)
{
    std::vector<StoredOp const*> visible;
    for (StoredOp const& op : ops) {
        if (is_visible(op))
            visible.push_back(&op);
    }
    return visible;
}

StoredOp const* winner(std::vector<StoredOp> const& ops)
{
    auto const it = std::find_if(ops.rbegin(), ops.rend(), [](StoredOp const& op) { return is_visible(op); });
    return it == ops.rend() ? nullptr : &*it;
}

Value value_of(StoredOp const& op, OpSet const& ops)
{
    if (auto const type = made_type(op.action))
        return Value { ObjectRef { ops.export_id(op.id), *type } };
    return Value { shown_value(op) };
}

Element const* visible_element(Sequence const& sequence, std::size_t index)
{
    for (Element const& element : sequence) {
        if (!is_visible(element))
            continue;
        if (index == 0)
            return &element;
        --index;
    }
    return nullptr;
}

std::vector<Element const*> visible_elements(Sequence const& sequence)
{
    std::vector<Element const*> elements;
    for (Element const& element : sequence) {
        if (is_visible(element))
            elements.push_back(&element);
    }
    return elements;
}

std::size_t visible_length(Object const& obj)
{
    if (is_sequence(obj.type)) {
        return static_cast<std::size_t>(std::count_if(obj.elements.begin(), obj.elements.end(),
            [](Element const& element) { return is_visible(element); }));
    }
    return static_cast<std::size_t>(std::count_if(
        obj.props.begin(), obj.props.end(), [](auto const& prop) { return winner(prop.second) != nullptr; }));
}

std::vector<std::string> text_elements(Object const& obj)
{
    std::vector<std::string> elements;
    for (Element const* element : visible_elements(obj.elements))
        elements.push_back(element_text(*element));
    return elements;
}

std::string text_of(Object const& obj)
{
    std::string text;
    for (std::string const& element : text_elements(obj))
        text += element;
    return text;
}

} // namespace automerge
