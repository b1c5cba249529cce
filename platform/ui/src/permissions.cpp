// The two viewer roles the toolkit knows: full access and read-only.
#include <vrel_ui/permissions.h>

namespace vrel_ui {

PermissionContext PermissionContext::permissive() noexcept { return PermissionContext(true); }

PermissionContext PermissionContext::read_only() noexcept { return PermissionContext(false); }

bool PermissionContext::check(Access access) const noexcept
{
    switch (access) {
    case Access::Read:
        return true;
    case Access::Write:
        return m_can_write;
    }
    return false;
}

} // namespace vrel_ui
