#include <vrel_ui/theme.h>
#include <vrel_ui/transition.h>

#include <algorithm>
#include <cmath>

namespace vrel_ui {

namespace {

float ease_out_cubic(float t) noexcept
{
    float const inverse = 1 - t;
    return 1 - inverse * inverse * inverse;
}

} // namespace

Transition Transition::open() noexcept
{
    Transition transition;
    transition.m_from = 1;
    transition.m_open = true;
    return transition;
}

Transition Transition::closed() noexcept { return Transition {}; }

void Transition::set_open(bool open, double now, Motion const& motion) noexcept
{
    if (open == m_open)
        return;
    float const current = value(now);
    float const target = open ? 1.f : 0.f;
    m_open = open;
    m_from = current;
    m_start = now;
    // A reversal part-way covers only the distance back, so it takes that share of the full
    // duration and moves at the same pace as a full run.
    double const full = motion.duration_seconds;
    bool const instant = motion.reduced || !std::isfinite(now) || !std::isfinite(full) || full <= 0;
    m_duration = instant ? 0 : full * std::abs(target - current);
    if (m_duration <= 0)
        m_from = target;
}

float Transition::progress(double now) const noexcept
{
    if (m_duration <= 0)
        return 1;
    double const t = (now - m_start) / m_duration;
    // A clock that is not a number cannot say how far along we are; show the end state
    // rather than a value outside 0..1.
    if (!std::isfinite(t))
        return 1;
    return float(std::clamp(t, 0.0, 1.0));
}

float Transition::value(double now) const noexcept
{
    float const target = m_open ? 1.f : 0.f;
    float const eased = ease_out_cubic(progress(now));
    return std::clamp(m_from + (target - m_from) * eased, 0.f, 1.f);
}

bool Transition::is_animating(double now) const noexcept { return progress(now) < 1; }

} // namespace vrel_ui
