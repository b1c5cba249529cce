// Catalog lookups with locale fallback over lazily parsed embedded resources.
#include <vrel_ui/i18n.h>

#include "fluent.h"

#include <map>
#include <optional>
#include <unordered_map>

namespace vrel_ui {

namespace {

using Messages = std::map<std::string, std::string, std::less<>>;

struct ParsedCatalog {
    // What was parsed, to notice a different descriptor that now lives at the same address.
    std::span<CatalogResource const> source;
    std::map<std::string, Messages, std::less<>> by_locale;
};

ParsedCatalog parse_catalog(CatalogDescriptor const& catalog)
{
    ParsedCatalog parsed { catalog.resources, {} };
    for (CatalogResource const& resource : catalog.resources) {
        Messages& messages = parsed.by_locale[std::string(resource.locale)];
        // Several resources may serve one locale; as within one resource, the first id wins.
        for (fluent::Message& message : fluent::parse(resource.text).messages)
            messages.try_emplace(std::move(message.id), std::move(message.value));
    }
    return parsed;
}

std::optional<std::string> find_message(
    ParsedCatalog const& parsed, std::string_view locale, std::string_view key)
{
    auto const messages = parsed.by_locale.find(locale);
    if (messages == parsed.by_locale.end())
        return std::nullopt;
    auto const message = messages->second.find(key);
    if (message == messages->second.end())
        return std::nullopt;
    return message->second;
}

// "pt" for "pt-BR" or "pt_BR"; none when there is no region or script part.
std::optional<std::string_view> primary_language(std::string_view locale)
{
    std::size_t const separator = locale.find_first_of("-_");
    if (separator == std::string_view::npos || separator == 0)
        return std::nullopt;
    return locale.substr(0, separator);
}

} // namespace

std::string EmbeddedCatalog::t(CatalogDescriptor const& catalog, std::string_view key)
{
    // Parsed once per catalog and kept: catalogs are program constants, and lookups happen
    // every frame from any thread, so the cache is guarded but never evicted.
    static std::mutex mutex;
    static std::unordered_map<CatalogDescriptor const*, ParsedCatalog> cache;

    std::string const language = I18nManager::the().language();
    std::lock_guard const lock(mutex);
    ParsedCatalog& parsed = cache[&catalog];
    if (parsed.source.data() != catalog.resources.data() || parsed.source.size() != catalog.resources.size())
        parsed = parse_catalog(catalog);

    if (!language.empty()) {
        if (auto text = find_message(parsed, language, key))
            return std::move(*text);
        if (auto primary = primary_language(language)) {
            if (auto text = find_message(parsed, *primary, key))
                return std::move(*text);
        }
    }
    if (auto text = find_message(parsed, catalog.default_locale, key))
        return std::move(*text);
    return std::string(key);
}

I18nManager& I18nManager::the()
{
    static I18nManager manager;
    return manager;
}

void I18nManager::set_language(std::string language)
{
    std::lock_guard const lock(m_mutex);
    if (language == m_language)
        return;
    m_language = std::move(language);
    m_revision.fetch_add(1, std::memory_order_acq_rel);
}

std::string I18nManager::language() const
{
    std::lock_guard const lock(m_mutex);
    return m_language;
}

} // namespace vrel_ui
