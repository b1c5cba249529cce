// The bounded least-recently-used caches behind TextRenderer: shaped layouts and fitted labels.
//
// Widgets re-measure and re-fit the same labels every frame, so a hit must cost a hash and a
// splice: the key is looked up through a view of the caller's text, and only a miss copies it.
#pragma once

#include "pango_text.h"

#include <vrel_ui/text.h>

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <list>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>

namespace vrel_ui {

// What a shaped layout (or a fitted label) depends on. `text` views either the caller's string
// (lookup) or the cache's own copy (stored keys); floats are already normalised, so == compares
// them soundly.
struct TextKey {
    std::string_view text;
    float size {};
    Weight weight {};
    float width {}; // the wrap width of a layout (negative: none), or the box a label is fitted to
    float line_height_factor { 1 };
    std::size_t hash {};

    [[nodiscard]] static TextKey make(
        std::string_view text, float size, Weight weight, float width, float line_height_factor) noexcept
    {
        std::uint64_t style = std::bit_cast<std::uint32_t>(size);
        style = style * 0x9e3779b97f4a7c15ull ^ std::bit_cast<std::uint32_t>(width);
        style = style * 0x9e3779b97f4a7c15ull ^ std::bit_cast<std::uint32_t>(line_height_factor);
        style = style * 0x9e3779b97f4a7c15ull ^ static_cast<std::uint8_t>(weight);
        std::size_t const h = std::hash<std::string_view> {}(text);
        return { text, size, weight, width, line_height_factor,
            h ^ (style + 0x9e3779b9 + (h << 6) + (h >> 2)) };
    }
    friend bool operator==(TextKey const& a, TextKey const& b) noexcept
    {
        return a.hash == b.hash && a.size == b.size && a.weight == b.weight && a.width == b.width
            && a.line_height_factor == b.line_height_factor && a.text == b.text;
    }
};

template <class Value> class LruCache {
public:
    // Holds at most `capacity` values; 0 caches nothing.
    explicit LruCache(std::size_t capacity)
        : m_capacity(capacity)
    {
        m_index.reserve(std::min<std::size_t>(capacity, 1 << 16));
    }
    LruCache(LruCache const&) = delete;
    LruCache& operator=(LruCache const&) = delete;

    // The value cached for `key`, made most recently used, or null; counts a hit or a miss. The
    // pointer is valid until the next insert or clear.
    [[nodiscard]] Value const* find(TextKey const& key)
    {
        auto const found = m_index.find(key);
        if (found == m_index.end()) {
            ++m_stats.misses;
            return nullptr;
        }
        ++m_stats.hits;
        m_order.splice(m_order.begin(), m_order, found->second);
        return &found->second->value;
    }

    // Stores `value` under a copy of `key`, evicting the least recently used beyond capacity.
    void insert(TextKey const& key, Value value)
    {
        if (m_capacity == 0 || m_index.contains(key))
            return;
        m_order.push_front(Node { std::string(key.text), key, std::move(value) });
        Node& node = m_order.front();
        // The stored key views the node's own string; list nodes never move, so the view stays valid.
        node.key.text = node.text;
        m_index.emplace(node.key, m_order.begin());
        while (m_order.size() > m_capacity) {
            m_index.erase(m_order.back().key);
            m_order.pop_back();
        }
    }

    void clear() noexcept
    {
        m_index.clear();
        m_order.clear();
    }
    [[nodiscard]] TextCacheStats stats() const noexcept
    {
        return { m_stats.hits, m_stats.misses, m_order.size() };
    }

private:
    struct Node {
        std::string text;
        TextKey key;
        Value value;
    };
    struct KeyHash {
        std::size_t operator()(TextKey const& key) const noexcept { return key.hash; }
    };

    std::size_t m_capacity {};
    std::list<Node> m_order; // most recently used first
    std::unordered_map<TextKey, typename std::list<Node>::iterator, KeyHash> m_index;
    TextCacheStats m_stats;
};

using ShapeCache = LruCache<std::shared_ptr<PangoShapedText const>>;
using FitCache = LruCache<std::string>;

} // namespace vrel_ui
