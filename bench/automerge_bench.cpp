// Our Automerge engine against the reference (@automerge/automerge on Node) on the same machine in
// the same run: load, save and a batch of 10,000 puts on a chat workspace of 10,000 messages, the
// heap a load of it takes, and loads of the real documents in /work/shared/data/automerge-perf.
//
// Each figure is the median of several single runs, on both sides. The reference's figures come
// from tools/automerge-ref/bench.mjs; without node or its node_modules only ours are printed.
#include "reference.h"

#include <automerge/document.h>

#include <benchmark/benchmark.h>
#include <nlohmann/json.hpp>

#include <cstdio>
#include <map>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include <malloc.h>
#include <unistd.h>

namespace {

using namespace automerge;
using automerge::testing::read_bytes;

constexpr std::size_t message_count = 10'000;
constexpr std::size_t channel_count = 20;
constexpr char const* perf_dir = "/work/shared/data/automerge-perf";

std::string random_hex(std::mt19937_64& rng, std::size_t digits)
{
    std::string out;
    while (out.size() < digits)
        out += "0123456789abcdef"[rng() % 16];
    return out;
}

std::string random_text(std::mt19937_64& rng)
{
    static constexpr char const* words[] = { "deploy", "café", "review", "lunch", "the", "build", "is",
        "green", "🎉", "standup", "in", "five", "minutes", "Größe", "ok", "thanks" };
    std::size_t const length = 20 + rng() % 181;
    std::string text;
    while (text.size() < length)
        text += std::string(text.empty() ? "" : " ") + words[rng() % std::size(words)];
    while (text.size() > length && (static_cast<unsigned char>(text.back()) & 0xc0) == 0x80)
        text.pop_back();
    if (text.size() > length)
        text.pop_back();
    return text;
}

// The workspace layout: messages -> channel id -> list of message maps, plus channels and users.
// One change per message, as they are sent.
Document build_chat_document()
{
    std::mt19937_64 rng(20240611);
    Document doc(ActorId(16, 0x5a), CommitMode::Manual);
    std::vector<std::string> users;
    auto const users_map = doc.put_object(root_obj, "users", ObjType::Map).value();
    for (int i = 0; i < 12; ++i) {
        users.push_back("u_" + random_hex(rng, 8));
        auto const user = doc.put_object(users_map, users.back(), ObjType::Map).value();
        (void)doc.put(user, "name", std::string("User ") + std::to_string(i));
        (void)doc.put(user, "status", std::string(i % 3 ? "online" : "away"));
    }
    auto const channels_map = doc.put_object(root_obj, "channels", ObjType::Map).value();
    auto const messages_map = doc.put_object(root_obj, "messages", ObjType::Map).value();
    std::vector<ObjId> lists;
    for (std::size_t i = 0; i < channel_count; ++i) {
        std::string const id = "c_" + random_hex(rng, 8);
        auto const channel = doc.put_object(channels_map, id, ObjType::Map).value();
        (void)doc.put(channel, "name", "channel-" + std::to_string(i));
        auto const topic = doc.put_object(channel, "topic", ObjType::Text).value();
        (void)doc.splice_text(topic, 0, 0, random_text(rng));
        lists.push_back(doc.put_object(messages_map, id, ObjType::List).value());
    }
    std::int64_t ts = 1'700'000'000'000;
    doc.commit(std::nullopt, ts);
    for (std::size_t m = 0; m < message_count; ++m) {
        ObjId const& list = lists[rng() % lists.size()];
        ts += static_cast<std::int64_t>(rng() % 60'000);
        auto const message = doc.insert_object(list, doc.length(list), ObjType::Map).value();
        (void)doc.put(message, "id", "m_" + random_hex(rng, 32));
        (void)doc.put(message, "author", users[rng() % users.size()]);
        (void)doc.put(message, "ts", ts);
        (void)doc.put(message, "parent", std::string());
        (void)doc.put(message, "edited", false);
        auto const text = doc.put_object(message, "text", ObjType::Text).value();
        (void)doc.splice_text(text, 0, 0, random_text(rng));
        auto const reactions = doc.put_object(message, "reactions", ObjType::List).value();
        if (rng() % 3 == 0) {
            auto const reaction = doc.insert_object(reactions, 0, ObjType::Map).value();
            (void)doc.put(reaction, "emoji", std::string(rng() % 2 ? "👍" : "🎉"));
            (void)doc.put(reaction, "user", users[rng() % users.size()]);
        }
        auto const mentions = doc.put_object(message, "mentions", ObjType::List).value();
        if (rng() % 4 == 0)
            (void)doc.insert(mentions, 0, users[rng() % users.size()]);
        doc.commit(std::nullopt, ts);
    }
    return doc;
}

// The batch the reference's bench.mjs makes too: "edited" = true on every message, found by path,
// in one change.
void set_edited(Document& doc)
{
    auto const messages = doc.get(root_obj, "messages");
    ObjectRef const* messages_map = messages ? as_object(*messages) : nullptr;
    if (messages_map == nullptr)
        return;
    for (std::string const& channel : doc.keys(messages_map->id)) {
        auto const list = as_object(*doc.get(messages_map->id, channel))->id;
        for (std::size_t i = 0; i < doc.length(list); ++i)
            (void)doc.put(as_object(*doc.get(list, i))->id, "edited", true);
    }
    doc.commit(std::nullopt, 0);
}

// Heap in use, from malloc's own count: what a load adds is what the document holds.
std::size_t heap_in_use() { return mallinfo2().uordblks; }

struct Subject {
    std::string name;
    std::filesystem::path file;
    std::vector<std::uint8_t> bytes;
    bool chat {};
    std::size_t memory {}; // heap growth of one load
};

// One column of the table: figure name -> value.
using Figures = std::map<std::string, double>;

// Keeps the median of each benchmark's repetitions, in milliseconds.
class MedianReporter : public benchmark::ConsoleReporter {
public:
    explicit MedianReporter(Figures& figures)
        : m_figures(figures)
    {
    }
    void ReportRuns(std::vector<Run> const& runs) override
    {
        for (Run const& run : runs) {
            if (run.aggregate_name == "median")
                m_figures[run.run_name.function_name] = run.GetAdjustedRealTime();
        }
        ConsoleReporter::ReportRuns(runs);
    }

private:
    Figures& m_figures;
};

void register_benchmarks(Subject const& subject, int repetitions)
{
    auto configure = [&](benchmark::internal::Benchmark* b) {
        b->Iterations(1)->Repetitions(repetitions)->ReportAggregatesOnly(true)->Unit(benchmark::kMillisecond);
    };
    std::vector<std::uint8_t> const* bytes = &subject.bytes;
    configure(
        benchmark::RegisterBenchmark((subject.name + " load").c_str(), [bytes](benchmark::State& state) {
            for (auto _ : state)
                benchmark::DoNotOptimize(Document::load(*bytes));
        }));
    configure(
        benchmark::RegisterBenchmark((subject.name + " save").c_str(), [bytes](benchmark::State& state) {
            auto doc = Document::load(*bytes).value();
            for (auto _ : state)
                benchmark::DoNotOptimize(doc.save());
        }));
    if (!subject.chat)
        return;
    configure(
        benchmark::RegisterBenchmark((subject.name + " 10k puts").c_str(), [bytes](benchmark::State& state) {
            for (auto _ : state) {
                state.PauseTiming();
                auto doc = Document::load(*bytes, CommitMode::Manual).value();
                state.ResumeTiming();
                set_edited(doc);
            }
        }));
}

// The reference's figures for the file, or nothing when it cannot run or refuses the file.
std::optional<Figures> reference_figures(Subject const& subject, int repetitions)
{
    if (!automerge::testing::reference_available())
        return std::nullopt;
    std::vector<std::string> argv { automerge::testing::detail::node_binary(), "--expose-gc",
        (automerge::testing::reference_tools_dir() / "bench.mjs").string(), subject.file.string(), "--repeat",
        std::to_string(repetitions) };
    if (subject.chat)
        argv.push_back("--puts");
    auto const run = automerge::testing::detail::spawn(argv, std::chrono::seconds(900));
    if (!run.ok()) {
        std::fprintf(stderr, "reference on %s: %s", subject.name.c_str(), run.err.c_str());
        return std::nullopt;
    }
    auto const json = nlohmann::json::parse(run.out, nullptr, false);
    if (json.is_discarded())
        return std::nullopt;
    Figures figures;
    figures[subject.name + " load"] = json.value("load_ms", 0.0);
    figures[subject.name + " save"] = json.value("save_ms", 0.0);
    if (json.contains("puts_ms"))
        figures[subject.name + " 10k puts"] = json["puts_ms"].get<double>();
    figures[subject.name + " memory"] = json.value("memory_bytes", 0.0) / 1e6;
    return figures;
}

void print_table(std::vector<Subject> const& subjects, Figures const& ours, Figures const& theirs)
{
    std::printf("\n%-34s %12s %12s %10s\n", "figure", "ours", "reference", "ours/ref");
    for (Subject const& subject : subjects) {
        for (char const* figure : { " load", " save", " 10k puts", " memory" }) {
            std::string const name = subject.name + figure;
            auto const mine = ours.find(name);
            if (mine == ours.end())
                continue;
            std::string const label = name + (std::string(figure) == " memory" ? " (MB)" : " (ms)");
            auto const other = theirs.find(name);
            if (other == theirs.end() || other->second <= 0) {
                std::printf("%-34s %12.2f %12s %10s\n", label.c_str(), mine->second, "-", "-");
                continue;
            }
            std::printf("%-34s %12.2f %12.2f %10.2f\n", label.c_str(), mine->second, other->second,
                mine->second / other->second);
        }
    }
}

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    auto const temp = std::filesystem::temp_directory_path()
        / ("vrel-automerge-bench-" + std::to_string(::getpid()) + ".automerge");
    std::vector<Subject> subjects;
    {
        Document chat = build_chat_document();
        Subject subject { .name = "chat", .file = temp, .bytes = chat.save(), .chat = true };
        if (!automerge::testing::write_bytes(temp, subject.bytes)) {
            std::fprintf(stderr, "cannot write %s\n", temp.c_str());
            return 1;
        }
        subjects.push_back(std::move(subject));
    }
    for (char const* name : { "text-doc-50k.amrg", "text-doc.amrg", "paper.doc.crdt" }) {
        auto const file = std::filesystem::path(perf_dir) / name;
        auto bytes = read_bytes(file);
        if (!bytes) {
            std::fprintf(stderr, "skipping %s: cannot read it\n", file.c_str());
            continue;
        }
        if (!Document::load(*bytes)) {
            std::fprintf(stderr, "skipping %s: our engine refuses it\n", name);
            continue;
        }
        subjects.push_back({ .name = name, .file = file, .bytes = std::move(*bytes) });
    }

    // Memory first, before the benchmarks' allocations fragment the heap.
    Figures ours;
    for (Subject& subject : subjects) {
        std::size_t const before = heap_in_use();
        auto const doc = Document::load(subject.bytes);
        ours[subject.name + " memory"] = static_cast<double>(heap_in_use() - before) / 1e6;
    }
    for (Subject const& subject : subjects)
        register_benchmarks(subject, subject.name == "text-doc.amrg" ? 3 : 5);
    MedianReporter reporter(ours);
    benchmark::RunSpecifiedBenchmarks(&reporter);

    Figures theirs;
    for (Subject const& subject : subjects) {
        if (auto figures = reference_figures(subject, subject.name == "text-doc.amrg" ? 3 : 5))
            theirs.merge(*figures);
    }
    print_table(subjects, ours, theirs);
    std::filesystem::remove(temp);
    benchmark::Shutdown();
    return 0;
}
