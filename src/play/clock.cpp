#include "play/clock.h"

#include <cstdio>

namespace zov {

Clock::Clock(Now now)
    : m_now(std::move(now))
    , m_since(m_now())
{
}

void Clock::restart()
{
    m_before = {};
    m_since = m_now();
    m_stopped = false;
}

void Clock::stop()
{
    if (running())
        m_before += m_now() - m_since;
    m_stopped = true;
}

void Clock::setPaused(bool paused)
{
    if (paused == m_paused)
        return;
    if (paused && running())
        m_before += m_now() - m_since;
    m_paused = paused;
    if (running())
        m_since = m_now();
}

std::chrono::seconds Clock::elapsed() const
{
    auto total = m_before;
    if (running())
        total += m_now() - m_since;
    return std::chrono::duration_cast<std::chrono::seconds>(total);
}

std::string clockText(std::chrono::seconds elapsed)
{
    const long long s = elapsed.count() < 0 ? 0 : elapsed.count();
    char text[32];
    if (s >= 3600)
        std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", s / 3600, s / 60 % 60, s % 60);
    else
        std::snprintf(text, sizeof text, "%lld:%02lld", s / 60, s % 60);
    return text;
}

} // namespace zov
