// A value or an error, for failures that cross a component boundary.
//
// <expected> is C++23 and GCC 12 refuses it under -std=c++20, so this is the small subset of
// std::expected the project uses. Keep the names identical so the switch is a rename later.
#pragma once

#include <base/verify.h>

#include <string>
#include <type_traits>
#include <utility>
#include <variant>

namespace base {

struct Error {
    std::string message;
    friend bool operator==(Error const&, Error const&) = default;
};

template <class E> struct Unexpected {
    E error;
};

template <class E> Unexpected(E) -> Unexpected<E>;

template <class E> [[nodiscard]] Unexpected<std::decay_t<E>> unexpected(E&& e)
{
    return { std::forward<E>(e) };
}

[[nodiscard]] inline Unexpected<Error> error(std::string message) { return { Error { std::move(message) } }; }

template <class T, class E = Error> class [[nodiscard]] Result {
public:
    using value_type = T;
    using error_type = E;

    Result() requires std::is_default_constructible_v<T> : m_storage(std::in_place_index<0>) { }
    Result(T value)
        : m_storage(std::in_place_index<0>, std::move(value))
    {
    }
    template <class U>
    requires std::is_constructible_v<T, U&&> &&(!std::is_same_v<std::decay_t<U>, Result>)&&(
        !std::is_same_v<std::decay_t<U>, T>)Result(U&& value)
        : m_storage(std::in_place_index<0>, T(std::forward<U>(value)))
    {
    }
    template <class G>
    Result(Unexpected<G> e)
        : m_storage(std::in_place_index<1>, E(std::move(e.error)))
    {
    }

    [[nodiscard]] bool has_value() const noexcept { return m_storage.index() == 0; }
    explicit operator bool() const noexcept { return has_value(); }

    [[nodiscard]] T& value() &
    {
        VERIFY(has_value());
        return std::get<0>(m_storage);
    }
    [[nodiscard]] T const& value() const&
    {
        VERIFY(has_value());
        return std::get<0>(m_storage);
    }
    [[nodiscard]] T&& value() &&
    {
        VERIFY(has_value());
        return std::get<0>(std::move(m_storage));
    }
    [[nodiscard]] E const& error() const&
    {
        VERIFY(!has_value());
        return std::get<1>(m_storage);
    }
    [[nodiscard]] E&& error() &&
    {
        VERIFY(!has_value());
        return std::get<1>(std::move(m_storage));
    }
    template <class U> [[nodiscard]] T value_or(U&& fallback) const&
    {
        return has_value() ? std::get<0>(m_storage) : T(std::forward<U>(fallback));
    }

    T* operator->() { return &value(); }
    T const* operator->() const { return &value(); }
    T& operator*() & { return value(); }
    T const& operator*() const& { return value(); }

    friend bool operator==(Result const& a, Result const& b) { return a.m_storage == b.m_storage; }

private:
    std::variant<T, E> m_storage;
};

// The void form: success carries nothing.
template <class E> class [[nodiscard]] Result<void, E> {
public:
    Result() = default;
    template <class G>
    Result(Unexpected<G> e)
        : m_error(E(std::move(e.error)))
        , m_failed(true)
    {
    }

    [[nodiscard]] bool has_value() const noexcept { return !m_failed; }
    explicit operator bool() const noexcept { return has_value(); }
    void value() const { VERIFY(has_value()); }
    [[nodiscard]] E const& error() const&
    {
        VERIFY(m_failed);
        return m_error;
    }
    friend bool operator==(Result const& a, Result const& b) = default;

private:
    E m_error {};
    bool m_failed { false };
};

} // namespace base

// Propagates the error of a Result expression, or yields its value (GNU statement expression).
#define TRY(expression)                                                                                      \
    ({                                                                                                       \
        auto&& _try_result = (expression);                                                                   \
        if (!_try_result.has_value())                                                                        \
            return ::base::unexpected(std::move(_try_result).error());                                       \
        std::move(_try_result).value();                                                                      \
    })
