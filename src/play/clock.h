#pragma once

// The time spent on the puzzle on the board: it runs from the puzzle's start, stands still
// while the game is paused, and stops for good once the puzzle is solved. Only seconds the
// player was playing count.

#include <chrono>
#include <functional>
#include <string>

namespace zov {

class Clock
{
public:
    using Now = std::function<std::chrono::steady_clock::time_point()>;
    explicit Clock(Now now = &std::chrono::steady_clock::now);

    // A new puzzle: from nought, running unless paused.
    void restart();
    // Stops for good, until the next restart (a solved puzzle, a puzzle being typed in).
    void stop();
    void setPaused(bool paused);
    bool paused() const { return m_paused; }
    bool running() const { return !m_stopped && !m_paused; }
    std::chrono::seconds elapsed() const;

private:
    Now m_now;
    std::chrono::steady_clock::duration m_before {}; // counted up to the last stop or pause
    std::chrono::steady_clock::time_point m_since; // when it last started running
    bool m_stopped = false;
    bool m_paused = false;
};

// "12:34", or "1:02:03" past an hour.
std::string clockText(std::chrono::seconds elapsed);

} // namespace zov
