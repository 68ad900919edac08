// Threads whose whole job is to wait for something and then post a message to a window:
// the crawl engine learns this way that every worker has ended.
#pragma once

#include <vector>

#include "crawl/thread.h"
#include "platform/message_window.h"

namespace corvane {

class CThreadWaiter : public CThread {
public:
    // Waits, then posts m_nMessage to m_hTargetWnd; exit code 2 (and no post) when the
    // wait fails.
    int Run() override;
    // 1 when what was awaited has happened.
    virtual int WaitBlocking() = 0;
    virtual int WaitPolling() = 0;

protected:
    WindowHandle m_hTargetWnd = 0;
    MessageId m_nMessage = 0;
    bool m_bPoll = false;
};

class CMultiThreadWaiter : public CThreadWaiter {
public:
    CMultiThreadWaiter(std::vector<ThreadHandle> handles, WindowHandle targetWnd,
                       MessageId message);
    ~CMultiThreadWaiter() override;

    int WaitBlocking() override;
    int WaitPolling() override;

private:
    std::vector<ThreadHandle> m_handles;
};

}  // namespace corvane
