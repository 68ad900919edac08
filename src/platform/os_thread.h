// A platform thread that is created waiting and runs its function only once resumed; its
// end can be waited for (alone or together with others) and its exit code read afterwards.
#pragma once

#include <atomic>
#include <functional>
#include <thread>
#include <vector>

#include "platform/manual_reset_event.h"

namespace corvane {

class COsThread {
public:
    // The exit code of a thread that has not ended yet.
    static constexpr unsigned kStillActive = 259;

    explicit COsThread(std::function<unsigned()> body);
    // Never leaves a running thread behind: a thread that was never resumed is released
    // without running its body; a running one is joined.
    ~COsThread();
    COsThread(const COsThread&) = delete;
    COsThread& operator=(const COsThread&) = delete;

    // Lets the thread run its body; false when it was resumed (or released) before.
    bool Resume();
    // Waits up to `timeoutMs` (negative: without limit) for the thread's end.
    bool WaitEnded(int timeoutMs) const;
    bool HasEnded() const { return m_ended.IsSet(); }
    unsigned ExitCode() const { return m_nExitCode.load(); }

private:
    void Main();

    std::function<unsigned()> m_body;
    std::mutex m_gateMutex;
    std::condition_variable m_gateCv;
    bool m_bResumed = false;
    bool m_bCancelled = false;
    std::atomic<unsigned> m_nExitCode{kStillActive};
    CManualResetEvent m_ended;
    std::thread m_thread;
};

using ThreadHandle = COsThread*;

// Waits until every thread has ended, up to `timeoutMs` in all (negative: without limit);
// false on time-out.
bool WaitForAllThreads(const std::vector<ThreadHandle>& handles, int timeoutMs);
// Tests without waiting whether every thread has ended.
bool AllThreadsEnded(const std::vector<ThreadHandle>& handles);

}  // namespace corvane
