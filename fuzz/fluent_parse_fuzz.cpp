// Feeds arbitrary text to the catalog parser: every message it yields must be well formed.
#include "fluent.h"

#include <base/verify.h>

#include <glib.h>

#include <cstddef>
#include <cstdint>
#include <set>
#include <string_view>

namespace {

bool is_identifier(std::string_view id)
{
    auto const letter = [](char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); };
    if (id.empty() || !letter(id.front()))
        return false;
    for (char const c : id) {
        if (!letter(c) && !(c >= '0' && c <= '9') && c != '_' && c != '-')
            return false;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(std::uint8_t const* data, std::size_t size)
{
    std::string_view const source(reinterpret_cast<char const*>(data), size);
    auto const resource = vrel_ui::fluent::parse(source);
    std::set<std::string_view> ids;
    for (auto const& message : resource.messages) {
        VERIFY(is_identifier(message.id));
        VERIFY(ids.insert(message.id).second);
        VERIFY(!message.value.empty());
        VERIFY(message.value.find_first_of("{}") == std::string::npos);
        VERIFY(g_utf8_validate(message.value.data(), gssize(message.value.size()), nullptr));
    }
    return 0;
}
