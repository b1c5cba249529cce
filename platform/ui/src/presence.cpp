// Presence state and the per-person colour derived from an id.
#include <vrel_ui/presence.h>

#include <cmath>
#include <cstdint>

namespace vrel_ui {

namespace {

// FNV-1a over the id's bytes: tiny, and fixed by definition, so colours never change between
// builds the way std::hash may.
constexpr std::uint32_t fnv1a(std::string_view text) noexcept
{
    std::uint32_t hash = 2166136261u;
    for (char const c : text) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 16777619u;
    }
    return hash;
}

// HSL to straight sRGB, hue in degrees [0, 360), saturation and lightness in 0..1.
Color from_hsl(float hue, float saturation, float lightness) noexcept
{
    float const chroma = (1 - std::fabs(2 * lightness - 1)) * saturation;
    float const sector = hue / 60.f;
    float const second = chroma * (1 - std::fabs(std::fmod(sector, 2.f) - 1));
    float const base = lightness - chroma / 2;
    switch (static_cast<int>(sector)) {
    case 0:
        return { chroma + base, second + base, base, 1 };
    case 1:
        return { second + base, chroma + base, base, 1 };
    case 2:
        return { base, chroma + base, second + base, 1 };
    case 3:
        return { base, second + base, chroma + base, 1 };
    case 4:
        return { second + base, base, chroma + base, 1 };
    default:
        return { chroma + base, base, second + base, 1 };
    }
}

} // namespace

Color user_color(std::string_view person_id) noexcept
{
    // Saturation and lightness are fixed so only the hue varies: every colour has the same
    // weight in a list, and at this lightness white text keeps at least 3:1 contrast even on
    // yellow, the brightest hue.
    constexpr float kSaturation = 0.6f;
    constexpr float kLightness = 0.36f;
    float const hue = static_cast<float>(fnv1a(person_id) % 360u);
    return from_hsl(hue, kSaturation, kLightness);
}

void PresenceCtx::set_peer(std::string person_id, PeerPresence peer)
{
    m_peers.insert_or_assign(std::move(person_id), std::move(peer));
}

void PresenceCtx::remove_peer(std::string_view person_id)
{
    if (auto it = m_peers.find(person_id); it != m_peers.end())
        m_peers.erase(it);
}

Color PresenceCtx::color_for(std::string_view person_id) const noexcept
{
    if (auto it = m_peers.find(person_id); it != m_peers.end() && it->second.color)
        return *it->second.color;
    return user_color(person_id);
}

} // namespace vrel_ui
