#include "platform/os_thread.h"

#include <chrono>

namespace corvane {

COsThread::COsThread(std::function<unsigned()> body) : m_body(std::move(body)) {
    m_thread = std::thread([this] { Main(); });
}

COsThread::~COsThread() {
    {
        std::lock_guard<std::mutex> lock(m_gateMutex);
        if (!m_bResumed) m_bCancelled = true;
        m_gateCv.notify_all();
    }
    if (m_thread.joinable()) m_thread.join();
}

void COsThread::Main() {
    {
        std::unique_lock<std::mutex> lock(m_gateMutex);
        m_gateCv.wait(lock, [this] { return m_bResumed || m_bCancelled; });
        if (m_bCancelled) {
            m_nExitCode = 0;
            m_ended.Set();
            return;
        }
    }
    unsigned code = m_body();
    m_nExitCode = code;
    m_ended.Set();
}

bool COsThread::Resume() {
    std::lock_guard<std::mutex> lock(m_gateMutex);
    if (m_bCancelled || m_bResumed) return false;
    m_bResumed = true;
    m_gateCv.notify_all();
    return true;
}

bool COsThread::WaitEnded(int timeoutMs) const { return m_ended.Wait(timeoutMs); }

bool WaitForAllThreads(const std::vector<ThreadHandle>& handles, int timeoutMs) {
    using Clock = std::chrono::steady_clock;
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    for (ThreadHandle handle : handles) {
        if (timeoutMs < 0) {
            handle->WaitEnded(-1);
            continue;
        }
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (!handle->WaitEnded(left.count() > 0 ? static_cast<int>(left.count()) : 0)) return false;
    }
    return true;
}

bool AllThreadsEnded(const std::vector<ThreadHandle>& handles) {
    for (ThreadHandle handle : handles) {
        if (!handle->HasEnded()) return false;
    }
    return true;
}

}  // namespace corvane
