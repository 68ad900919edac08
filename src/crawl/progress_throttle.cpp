#include "crawl/progress_throttle.h"

namespace corvane {

void CProgressThrottle::Begin() {
    m_bSent = false;
    m_nLastValue = 0;
    m_pending.reset();
}

bool CProgressThrottle::Offer(std::size_t value, Clock::time_point now) {
    // The same value again (the read after the last piece) tells nothing new.
    if (m_bSent && value == m_nLastValue) {
        m_pending.reset();
        return false;
    }
    if (m_bSent && now - m_lastSent < m_interval) {
        m_pending = value;
        return false;
    }
    m_bSent = true;
    m_lastSent = now;
    m_nLastValue = value;
    m_pending.reset();
    return true;
}

std::optional<std::size_t> CProgressThrottle::Flush() {
    std::optional<std::size_t> value = m_pending;
    if (value) m_nLastValue = *value;
    m_pending.reset();
    return value;
}

}  // namespace corvane
