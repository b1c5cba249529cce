// What the current viewer may do with the data a widget shows.
#pragma once

namespace vrel_ui {

enum class Access : unsigned char { Read, Write };

// Answers whether an access is allowed; widgets ask before offering edits.
class PermissionContext {
public:
    // Everything allowed, as for the workspace's own members.
    [[nodiscard]] static PermissionContext permissive() noexcept;
    // Reading only: editing controls stay hidden or disabled.
    [[nodiscard]] static PermissionContext read_only() noexcept;

    // True when `access` is allowed.
    [[nodiscard]] bool check(Access access) const noexcept;

    friend bool operator==(PermissionContext, PermissionContext) = default;

private:
    explicit PermissionContext(bool can_write) noexcept
        : m_can_write(can_write)
    {
    }

    bool m_can_write { true };
};

} // namespace vrel_ui
