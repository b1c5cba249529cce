#include <base/verify.h>

#include <cstdio>
#include <cstdlib>

namespace base {

void verification_failed(char const* expression, char const* file, int line) noexcept
{
    std::fprintf(stderr, "VERIFY(%s) failed at %s:%d\n", expression, file, line);
    std::fflush(stderr);
    std::abort();
}

void fatal(char const* message) noexcept
{
    std::fprintf(stderr, "%s\n", message);
    std::fflush(stderr);
    std::abort();
}

} // namespace base
