#include <vrel_ui/i18n.h>

#include "fluent.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

namespace {

using vrel_ui::CatalogDescriptor;
using vrel_ui::CatalogResource;
using vrel_ui::EmbeddedCatalog;
using vrel_ui::I18nManager;
using vrel_ui::fluent::Message;

struct ParseCase {
    std::string_view name;
    std::string_view source;
    std::vector<Message> want;
    std::size_t want_junk;
};

ParseCase const kParseCases[] = {
    { "empty input", "", {}, 0 },
    { "simple message", "hello = Hello", { { "hello", "Hello" } }, 0 },
    { "no spaces around equals", "a=b\n", { { "a", "b" } }, 0 },
    { "spaces around equals trimmed", "a   =    b c  \n", { { "a", "b c" } }, 0 },
    { "identifier characters", "menu-file_2 = x", { { "menu-file_2", "x" } }, 0 },
    { "comments of all levels", "# c\n## group\n###\nk = v\n#\n", { { "k", "v" } }, 0 },
    { "hash without space is junk", "#x\nk = v", { { "k", "v" } }, 1 },
    { "four hashes are junk", "#### x\nk = v", { { "k", "v" } }, 1 },
    { "blank lines", "\n   \n\t\nk = v\n\n", { { "k", "v" } }, 0 },
    { "value on the next lines", "k =\n    line one\n    line two", { { "k", "line one\nline two" } }, 0 },
    { "inline then continuation", "k = first\n  second\nj = x", { { "k", "first\nsecond" }, { "j", "x" } },
        0 },
    { "common indent removed", "k =\n    a\n      b\n    c", { { "k", "a\n  b\nc" } }, 0 },
    { "inline text does not set the indent", "k = a\n      b\n        c", { { "k", "a\nb\n  c" } }, 0 },
    { "blank line inside value kept", "k = a\n\n    b", { { "k", "a\n\nb" } }, 0 },
    { "leading blank lines dropped", "k =\n\n    b", { { "k", "b" } }, 0 },
    { "trailing blank lines dropped", "k = a\n\n\nj = b", { { "k", "a" }, { "j", "b" } }, 0 },
    { "crlf line ends", "k = a\r\n    b\r\nj = c\r\n", { { "k", "a\nb" }, { "j", "c" } }, 0 },
    { "utf-8 kept", "k = Grüße 👋", { { "k", "Grüße 👋" } }, 0 },
    { "byte order mark skipped", "\xEF\xBB\xBFk = v", { { "k", "v" } }, 0 },
    { "placeable is junk", "k = Hi { $name }\nj = ok", { { "j", "ok" } }, 1 },
    { "escaped brace is junk", "k = {\"{\"}\nj = ok", { { "j", "ok" } }, 1 },
    { "select expression is junk", "k = { $n ->\n    [one] One\n   *[other] Many\n}\nj = ok",
        { { "j", "ok" } }, 1 },
    { "attribute makes the message junk", "k = v\n    .title = t\nj = ok", { { "j", "ok" } }, 1 },
    { "attribute-only message is junk", "k =\n    .title = t\nj = ok", { { "j", "ok" } }, 1 },
    { "term is junk", "-brand = Vrel\n    more\nj = ok", { { "j", "ok" } }, 1 },
    { "missing equals is junk", "k v\n  still junk\nj = ok", { { "j", "ok" } }, 1 },
    { "empty value is junk", "k =\nj = ok", { { "j", "ok" } }, 1 },
    { "digit cannot start an identifier", "1k = v\nj = ok", { { "j", "ok" } }, 1 },
    { "stray indented line is junk", "  stray\n  more\nk = v", { { "k", "v" } }, 1 },
    { "tab does not indent", "k = a\n\tb\nj = c", { { "k", "a" }, { "j", "c" } }, 1 },
    { "junk resumes at a comment", "k v\n# note\nj = ok", { { "j", "ok" } }, 1 },
    { "first definition wins", "k = a\nk = b", { { "k", "a" } }, 0 },
    { "invalid utf-8 replaced", "k = a\xff b", { { "k", "a\xEF\xBF\xBD b" } }, 0 },
    { "truncated utf-8 at the end", "k = a\xE2\x82", { { "k", "a\xEF\xBF\xBD\xEF\xBF\xBD" } }, 0 },
};

TEST(Fluent, ParsesTable)
{
    for (ParseCase const& c : kParseCases) {
        SCOPED_TRACE(c.name);
        auto const resource = vrel_ui::fluent::parse(c.source);
        EXPECT_EQ(resource.messages, c.want);
        EXPECT_EQ(resource.junk, c.want_junk);
    }
}

TEST(Fluent, EmbeddedNulNeverEscapesIntoAValue)
{
    using namespace std::string_view_literals;
    auto const resource = vrel_ui::fluent::parse("k = a\0b\nj = ok"sv);
    ASSERT_EQ(resource.messages.size(), 2u);
    EXPECT_EQ(resource.messages[0].value.find('\0'), std::string::npos);
    EXPECT_EQ(resource.messages[1], (Message { "j", "ok" }));
}

constexpr CatalogResource kResources[] = {
    { "en", "greeting = Hello\nfarewell = Goodbye\nonly-en = English only\n" },
    { "de", "greeting = Hallo\nfarewell = Tschüss\n" },
    { "de", "extra = Zusatz\ngreeting = Ignored, an earlier resource has it\n" },
    { "pt-BR", "greeting = Olá\n" },
    { "fr", "# nothing usable\ngreeting = { $name }\n" },
};
constexpr CatalogDescriptor kCatalog { "en", kResources };
static_assert(kCatalog.resources.size() == 5);

class Catalog : public ::testing::Test {
protected:
    void SetUp() override { I18nManager::the().set_language(""); }
    void TearDown() override { I18nManager::the().set_language(""); }
};

TEST_F(Catalog, LooksUpWithFallbackTable)
{
    struct Case {
        std::string_view language;
        std::string_view key;
        std::string_view want;
    };
    Case const cases[] = {
        { "", "greeting", "Hello" }, // no language set: the default locale
        { "de", "greeting", "Hallo" },
        { "de", "farewell", "Tschüss" },
        { "de", "extra", "Zusatz" }, // a second resource for the same locale
        { "de", "only-en", "English only" }, // missing message: the default locale
        { "de-AT", "greeting", "Hallo" }, // region without a resource: its language
        { "de_AT", "farewell", "Tschüss" },
        { "pt-BR", "greeting", "Olá" },
        { "pt", "greeting", "Hello" }, // a language does not borrow from its regions
        { "ja", "greeting", "Hello" }, // no resource at all
        { "fr", "greeting", "Hello" }, // the French entry is junk
        { "de", "no-such-key", "no-such-key" },
        { "", "", "" },
    };
    for (Case const& c : cases) {
        SCOPED_TRACE(std::string(c.language) + " / " + std::string(c.key));
        I18nManager::the().set_language(std::string(c.language));
        EXPECT_EQ(EmbeddedCatalog::t(kCatalog, c.key), c.want);
    }
}

TEST_F(Catalog, DefaultLocaleWithoutResourceAnswersTheKey)
{
    static constexpr CatalogResource resources[] = { { "de", "greeting = Hallo" } };
    static constexpr CatalogDescriptor catalog { "en", resources };
    EXPECT_EQ(EmbeddedCatalog::t(catalog, "greeting"), "greeting");
    I18nManager::the().set_language("de");
    EXPECT_EQ(EmbeddedCatalog::t(catalog, "greeting"), "Hallo");
}

// Two catalogs must not share a cache entry even when their texts use the same keys.
TEST_F(Catalog, CatalogsAreCachedSeparately)
{
    static constexpr CatalogResource first[] = { { "en", "k = first" } };
    static constexpr CatalogResource second[] = { { "en", "k = second" } };
    static constexpr CatalogDescriptor a { "en", first };
    static constexpr CatalogDescriptor b { "en", second };
    EXPECT_EQ(EmbeddedCatalog::t(a, "k"), "first");
    EXPECT_EQ(EmbeddedCatalog::t(b, "k"), "second");
    EXPECT_EQ(EmbeddedCatalog::t(a, "k"), "first");
}

TEST_F(Catalog, ConcurrentLookupsAgree)
{
    std::vector<std::thread> threads;
    std::vector<std::string> results(8);
    for (std::size_t i = 0; i < results.size(); ++i) {
        threads.emplace_back([&results, i] {
            for (int n = 0; n < 200; ++n)
                results[i] = EmbeddedCatalog::t(kCatalog, "farewell");
        });
    }
    for (std::thread& thread : threads)
        thread.join();
    for (std::string const& result : results)
        EXPECT_EQ(result, "Goodbye");
}

TEST_F(Catalog, RevisionCountsLanguageChanges)
{
    I18nManager& i18n = I18nManager::the();
    std::uint64_t const start = i18n.revision();
    i18n.set_language("de");
    EXPECT_EQ(i18n.language(), "de");
    EXPECT_EQ(i18n.revision(), start + 1);
    i18n.set_language("de");
    EXPECT_EQ(i18n.revision(), start + 1);
    i18n.set_language("pt-BR");
    i18n.set_language("");
    EXPECT_EQ(i18n.revision(), start + 3);
    EXPECT_EQ(i18n.language(), "");
}

} // namespace
