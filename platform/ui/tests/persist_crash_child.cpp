// The writer the crash test kills: opens a workspace file and commits puts of "k<i>" = i, printing
// each i on stdout once the write has returned, so every printed i must survive a SIGKILL.
//
// Usage: persist_crash_child FILE FIRST COUNT COMPACT_AFTER_BYTES
#include <vrel_ui/persist.h>

#include <unistd.h>

#include <charconv>
#include <cstdio>
#include <cstring>
#include <string>

namespace {

std::optional<std::uint64_t> number(char const* text)
{
    std::uint64_t value = 0;
    char const* end = text + std::strlen(text);
    auto const [stop, error] = std::from_chars(text, end, value);
    if (error != std::errc() || stop != end || stop == text)
        return std::nullopt;
    return value;
}

bool write_line(std::string const& line)
{
    std::string_view rest = line;
    while (!rest.empty()) {
        ssize_t const wrote = ::write(STDOUT_FILENO, rest.data(), rest.size());
        if (wrote < 0 && errno == EINTR)
            continue;
        if (wrote <= 0)
            return false;
        rest.remove_prefix(std::size_t(wrote));
    }
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    auto const first = argc == 5 ? number(argv[2]) : std::nullopt;
    auto const count = argc == 5 ? number(argv[3]) : std::nullopt;
    auto const compact_after = argc == 5 ? number(argv[4]) : std::nullopt;
    if (!first || !count || !compact_after) {
        std::fprintf(stderr, "usage: persist_crash_child FILE FIRST COUNT COMPACT_AFTER_BYTES\n");
        return 2;
    }
    vrel_ui::PersistOptions options;
    options.compact_after_bytes = *compact_after;
    // No older location: the test must never move a real user's file.
    options.env = [](char const*) { return std::optional<std::string> {}; };
    options.account_home = {};
    auto opened = vrel_ui::persist::open_migrating(options, argv[1]);
    if (!opened) {
        std::fprintf(stderr, "%s\n", opened.error().message.c_str());
        return 1;
    }
    auto& doc = (*opened)->document();
    for (std::uint64_t i = *first; i < *first + *count; ++i) {
        if (!doc.put(automerge::root_obj, "k" + std::to_string(i), std::int64_t(i)))
            return 1;
        if (auto const& error = (*opened)->last_error()) {
            std::fprintf(stderr, "%s\n", error->message.c_str());
            return 1;
        }
        if (!write_line(std::to_string(i) + "\n"))
            return 1;
    }
    return 0;
}
