#include <vrel_ui/permissions.h>

#include <gtest/gtest.h>

#include <string_view>

namespace {

using vrel_ui::Access;
using vrel_ui::PermissionContext;

struct Case {
    std::string_view name;
    PermissionContext context;
    Access access;
    bool want;
};

TEST(Permissions, ChecksTable)
{
    Case const cases[] = {
        { "permissive reads", PermissionContext::permissive(), Access::Read, true },
        { "permissive writes", PermissionContext::permissive(), Access::Write, true },
        { "read-only reads", PermissionContext::read_only(), Access::Read, true },
        { "read-only refuses writes", PermissionContext::read_only(), Access::Write, false },
    };
    for (Case const& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.context.check(c.access), c.want);
    }
}

TEST(Permissions, RolesAreDistinctValues)
{
    EXPECT_NE(PermissionContext::permissive(), PermissionContext::read_only());
    EXPECT_EQ(PermissionContext::read_only(), PermissionContext::read_only());
}

} // namespace
