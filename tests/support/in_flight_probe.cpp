#include "support/in_flight_probe.h"

#include <algorithm>
#include <chrono>

namespace corvane::test {

void InFlightProbe::Enter() {
    std::unique_lock<std::mutex> lock(m_mutex);
    ++m_nSeen;
    m_nMax = std::max(m_nMax, ++m_nNow);
    m_arrived.notify_all();
    // The first request is alone by nature (the start page); the second waits for company.
    if (m_nSeen == 2 && m_nHoldMs > 0) {
        m_arrived.wait_for(lock, std::chrono::milliseconds(m_nHoldMs), [&] { return m_nNow >= 2; });
    }
}

void InFlightProbe::Leave() {
    std::lock_guard<std::mutex> lock(m_mutex);
    --m_nNow;
}

int InFlightProbe::MaxInFlight() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_nMax;
}

}  // namespace corvane::test
