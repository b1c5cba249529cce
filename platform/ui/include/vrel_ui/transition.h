// A value that eases between closed (0) and open (1), for panels and popovers that animate.
#pragma once

namespace vrel_ui {

struct Motion;

class Transition {
public:
    [[nodiscard]] static Transition open() noexcept;
    [[nodiscard]] static Transition closed() noexcept;

    // Starts moving towards open or closed from wherever the value is at `now`. Reduced motion,
    // a non-positive duration or a non-finite clock make the change instant.
    void set_open(bool open, double now, Motion const& motion) noexcept;
    // The eased value in 0..1 at `now`.
    [[nodiscard]] float value(double now) const noexcept;
    [[nodiscard]] bool is_animating(double now) const noexcept;
    // The target: true once set_open(true) was called, even while still easing in.
    [[nodiscard]] bool is_open() const noexcept { return m_open; }

private:
    [[nodiscard]] float progress(double now) const noexcept;

    float m_from {};
    double m_start {};
    double m_duration {};
    bool m_open {};
};

} // namespace vrel_ui
