// A manual-reset event: once set it stays signalled for every waiter until it is reset.
// Stands in for the kernel event that aborts a crawl run and the fetches inside it.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>

namespace corvane {

class CManualResetEvent {
public:
    explicit CManualResetEvent(bool initiallySet = false) : m_bSet(initiallySet) {}
    CManualResetEvent(const CManualResetEvent&) = delete;
    CManualResetEvent& operator=(const CManualResetEvent&) = delete;

    void Set();
    void Reset();

    // True when the event is signalled within `milliseconds` (0 only tests it; a negative
    // value waits without limit).
    bool Wait(long milliseconds) const;
    bool IsSet() const { return Wait(0); }

private:
    mutable std::mutex m_mutex;
    mutable std::condition_variable m_changed;
    // Written under m_mutex (so that no waiter misses a change); read without it by a
    // test that does not wait, which the crawl makes for every piece it reads.
    std::atomic<bool> m_bSet;
};

}  // namespace corvane
