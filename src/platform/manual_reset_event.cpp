#include "platform/manual_reset_event.h"

namespace corvane {

void CManualResetEvent::Set() {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_bSet = true;
    }
    m_changed.notify_all();
}

void CManualResetEvent::Reset() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_bSet = false;
}

bool CManualResetEvent::Wait(long milliseconds) const {
    if (milliseconds == 0) return m_bSet.load();
    std::unique_lock<std::mutex> lock(m_mutex);
    if (milliseconds < 0) {
        m_changed.wait(lock, [this] { return m_bSet.load(); });
        return true;
    }
    return m_changed.wait_for(lock, std::chrono::milliseconds(milliseconds),
                              [this] { return m_bSet.load(); });
}

}  // namespace corvane
