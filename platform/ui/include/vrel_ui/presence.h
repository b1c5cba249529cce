// Who is here: the local person and the peers currently present, with the colours they show as.
#pragma once

#include <vrel_ui/color.h>

#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace vrel_ui {

// A stable, pleasant colour for a person: the same id gives the same colour in every run and
// on every machine, dark enough that white initials on it stay readable.
[[nodiscard]] Color user_color(std::string_view person_id) noexcept;

struct PeerPresence {
    std::string name;
    // Overrides user_color() for this peer, e.g. a colour the person picked.
    std::optional<Color> color;
    friend bool operator==(PeerPresence const&, PeerPresence const&) = default;
};

// The presence state widgets read when they draw cursors, avatars and "who is here" lists.
class PresenceCtx {
public:
    using Peers = std::map<std::string, PeerPresence, std::less<>>;

    [[nodiscard]] std::optional<std::string> const& self_id() const noexcept { return m_self_id; }
    [[nodiscard]] std::optional<std::string> const& self_name() const noexcept { return m_self_name; }
    [[nodiscard]] Peers const& peers() const noexcept { return m_peers; }

    void set_self_id(std::optional<std::string> id) { m_self_id = std::move(id); }
    void set_self_name(std::optional<std::string> name) { m_self_name = std::move(name); }
    void set_peers(Peers peers) { m_peers = std::move(peers); }
    // Adds the peer or replaces what was known about it.
    void set_peer(std::string person_id, PeerPresence peer);
    void remove_peer(std::string_view person_id);

    // The peer's explicit colour when it has one, else user_color(person_id).
    [[nodiscard]] Color color_for(std::string_view person_id) const noexcept;

private:
    std::optional<std::string> m_self_id;
    std::optional<std::string> m_self_name;
    Peers m_peers;
};

} // namespace vrel_ui
