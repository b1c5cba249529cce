// Translated UI strings: catalogs compiled into the program, and the process's current language.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <span>
#include <string>
#include <string_view>

namespace vrel_ui {

// One locale's messages in the Fluent subset the toolkit reads (see src/fluent.h).
struct CatalogResource {
    std::string_view locale;
    std::string_view text;
};

// A program's translations, meant to be a constant: `constexpr CatalogDescriptor kStrings {...}`.
// NOTE: Give it static storage duration; parsed messages are cached by its address.
struct CatalogDescriptor {
    std::string_view default_locale;
    std::span<CatalogResource const> resources;
};

class EmbeddedCatalog {
public:
    // The message `key` in the current language, else in its primary language ("de" for
    // "de-AT"), else in the catalog's default locale, else `key` itself. Parses each catalog
    // lazily on its first lookup and keeps the result for the life of the process.
    [[nodiscard]] static std::string t(CatalogDescriptor const& catalog, std::string_view key);
};

// The UI language. It is a process-wide `the()` object because the language is process state,
// like the C locale: every window and catalog follows one choice, made in settings.
class I18nManager {
public:
    [[nodiscard]] static I18nManager& the();

    // Increments whenever the language changes, so widgets can drop text they translated earlier.
    [[nodiscard]] std::uint64_t revision() const noexcept
    {
        return m_revision.load(std::memory_order_acquire);
    }

    // Switches language, e.g. "de" or "pt-BR"; "" means each catalog's default locale. Setting
    // the current language again is no change and leaves the revision alone.
    void set_language(std::string language);
    [[nodiscard]] std::string language() const;

    I18nManager(I18nManager const&) = delete;
    I18nManager& operator=(I18nManager const&) = delete;

private:
    I18nManager() = default;

    mutable std::mutex m_mutex;
    std::string m_language;
    std::atomic<std::uint64_t> m_revision { 0 };
};

} // namespace vrel_ui
