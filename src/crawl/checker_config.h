// The crawl engine's tuning values, shared by the engine and every worker of a run.
#pragma once

#include <atomic>
#include <mutex>

namespace corvane {

class CCheckerConfig {
public:
    virtual ~CCheckerConfig() = default;

    bool GetWaitForNewPages();
    void SetWaitForNewPages(bool wait);

    // Time-out of every event a worker sends, in ms, read at each send; 0 while the
    // engine stops, so that no worker blocks on the busy user-interface thread.
    std::atomic<int> m_nSendTimeout{1000};
    int m_nThreadCount = 5;
    int m_nStopTimeout = 300000;
    // Whether an idle worker waits for others to add pages; under m_mutex.
    bool m_bWaitForNewPages = false;
    int m_nInterval = 10;  // pause of a worker before each page, ms
    // Guards what changes while workers run.
    std::recursive_timed_mutex m_mutex;
};

}  // namespace corvane
