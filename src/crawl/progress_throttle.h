// Download progress as the listeners get it: the first value of a page at once, then at
// most one value per interval, and at the page's end the last value if it was held back.
// A page of a few kilobytes thus costs one or two events instead of one per piece read.
#pragma once

#include <chrono>
#include <cstddef>
#include <optional>

namespace corvane {

class CProgressThrottle {
public:
    using Clock = std::chrono::steady_clock;

    static constexpr std::chrono::milliseconds DEFAULT_INTERVAL{50};

    explicit CProgressThrottle(std::chrono::milliseconds interval = DEFAULT_INTERVAL)
        : m_interval(interval) {}

    // A new page: nothing sent for it yet.
    void Begin();
    // Whether `value` is to be sent now; otherwise it is kept for Flush.
    bool Offer(std::size_t value, Clock::time_point now = Clock::now());
    // The value held back since the last one sent, if any; forgets it.
    std::optional<std::size_t> Flush();

private:
    std::chrono::milliseconds m_interval;
    bool m_bSent = false;
    Clock::time_point m_lastSent;
    std::size_t m_nLastValue = 0;
    std::optional<std::size_t> m_pending;
};

}  // namespace corvane
