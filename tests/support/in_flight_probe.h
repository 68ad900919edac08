// Counts the requests that a loopback server is answering at the same time, so that a test
// can see several crawl workers at work together. However fast one worker is, the probe
// can hold the second request until another one arrives (up to a limit).
#pragma once

#include <condition_variable>
#include <mutex>

namespace corvane::test {

class InFlightProbe {
public:
    // 0: never hold (the default). Set before the server starts.
    void SetHold(int milliseconds) { m_nHoldMs = milliseconds; }

    // Around the handling of each request.
    void Enter();
    void Leave();

    // The largest number of requests in flight at once so far.
    int MaxInFlight() const;

private:
    mutable std::mutex m_mutex;
    std::condition_variable m_arrived;
    int m_nHoldMs = 0;
    int m_nSeen = 0;
    int m_nNow = 0;
    int m_nMax = 0;
};

}  // namespace corvane::test
