// Programmer-error checks: a broken invariant stops the program with its place in the source.
#pragma once

namespace base {
[[noreturn]] void verification_failed(char const* expression, char const* file, int line) noexcept;
[[noreturn]] void fatal(char const* message) noexcept;
}

#define VERIFY(cond)                                                                                         \
    do {                                                                                                     \
        if (!(cond)) [[unlikely]]                                                                            \
            ::base::verification_failed(#cond, __FILE__, __LINE__);                                          \
    } while (0)

#define VERIFY_NOT_REACHED() ::base::verification_failed("not reached", __FILE__, __LINE__)
