// vrel-doc's argument parsing: a command word, its file names, and a few options.

#include "cli.h"

#include "commands.h"

#include <optional>
#include <ostream>
#include <vector>

namespace vrel_doc {

namespace {

struct Arguments {
    std::vector<std::string> files;
    std::optional<std::string> output; // -o
    bool typed {};
    bool conflicts {};
    bool help {};
};

int usage_error(std::ostream& err, std::string_view problem)
{
    err << "vrel-doc: " << problem << "\n" << usage_text();
    return exit_usage;
}

// Options may come anywhere after the command; "--" ends them, for file names starting with '-'.
std::optional<Arguments> parse(std::span<std::string const> args, std::ostream& err)
{
    Arguments parsed;
    bool options_done = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string const& arg = args[i];
        if (options_done || arg == "-" || !arg.starts_with("-")) {
            parsed.files.push_back(arg);
        } else if (arg == "--") {
            options_done = true;
        } else if (arg == "--help" || arg == "-h") {
            parsed.help = true;
        } else if (arg == "--typed") {
            parsed.typed = true;
        } else if (arg == "--conflicts") {
            parsed.conflicts = true;
        } else if (arg == "-o" || arg == "--output") {
            if (i + 1 == args.size() || parsed.output) {
                (void)usage_error(err, parsed.output ? "-o given twice" : "-o needs a file name");
                return std::nullopt;
            }
            parsed.output = args[++i];
        } else {
            (void)usage_error(err, "unknown option " + arg);
            return std::nullopt;
        }
    }
    return parsed;
}

// What each command accepts beyond its file names.
struct CommandShape {
    std::string_view name;
    std::size_t files;
    bool dump_options;
    bool output;
};

constexpr CommandShape commands[] = {
    { "dump", 1, true, false },
    { "heads", 1, false, false },
    { "check", 1, false, false },
    { "merge", 2, false, true },
    { "compact", 1, false, false },
};

} // namespace

std::string_view usage_text()
{
    return "usage: vrel-doc dump FILE [--typed] [--conflicts]\n"
           "       vrel-doc heads FILE\n"
           "       vrel-doc check FILE\n"
           "       vrel-doc merge A B -o OUT\n"
           "       vrel-doc compact FILE\n"
           "       vrel-doc --help\n";
}

int run(std::span<std::string const> args, std::ostream& out, std::ostream& err)
{
    if (args.empty())
        return usage_error(err, "no command");
    if (args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
        out << usage_text()
            << "\n"
               "dump     the document as JSON; --typed prints the canonical typed form of\n"
               "         tools/automerge-ref/dump.mjs, --conflicts shows every concurrent value\n"
               "heads    the heads, lowercase hex, one per line\n"
               "check    checks every chunk and says what a load would recover; exit 1 if damaged\n"
               "merge    merges B into A and writes OUT atomically\n"
               "compact  rewrites FILE as one document chunk, atomically; refuses a damaged file\n";
        return exit_ok;
    }
    CommandShape const* shape = nullptr;
    for (CommandShape const& c : commands) {
        if (args[0] == c.name)
            shape = &c;
    }
    if (shape == nullptr)
        return usage_error(err, "unknown command " + args[0]);
    auto const parsed = parse(args.subspan(1), err);
    if (!parsed)
        return exit_usage;
    if (parsed->help) {
        out << usage_text();
        return exit_ok;
    }
    if (parsed->files.size() != shape->files)
        return usage_error(err,
            std::string(shape->name) + " takes " + std::to_string(shape->files) + " file"
                + (shape->files == 1 ? "" : "s"));
    if (!shape->dump_options && (parsed->typed || parsed->conflicts))
        return usage_error(err, "--typed and --conflicts belong to dump");
    if (shape->output != parsed->output.has_value())
        return usage_error(err, shape->output ? "merge needs -o OUT" : "-o belongs to merge");

    auto const& files = parsed->files;
    if (shape->name == "dump") {
        DumpOptions const options {
            .form = parsed->typed ? DumpForm::Typed : DumpForm::Readable,
            .conflicts = parsed->conflicts ? automerge::Conflicts::All : automerge::Conflicts::Winner,
        };
        return dump(files[0], options, out, err);
    }
    if (shape->name == "heads")
        return heads(files[0], out, err);
    if (shape->name == "check")
        return check(files[0], out, err);
    if (shape->name == "merge")
        return merge(files[0], files[1], *parsed->output, out, err);
    return compact(files[0], out, err);
}

} // namespace vrel_doc
