#include "crawl/thread_waiter.h"

#include <thread>

namespace corvane {

int CThreadWaiter::Run() {
    int ok = m_bPoll ? WaitPolling() : WaitBlocking();
    if (ok == 0) return 2;
    PostMessage(m_hTargetWnd, m_nMessage, 0, 0);
    return 0;
}

CMultiThreadWaiter::CMultiThreadWaiter(std::vector<ThreadHandle> handles, WindowHandle targetWnd,
                                       MessageId message)
    : m_handles(std::move(handles)) {
    m_hTargetWnd = targetWnd;
    m_nMessage = message;
    m_bPoll = false;
    m_nWaitTimeout = 10000;
}

CMultiThreadWaiter::~CMultiThreadWaiter() {
    // Run belongs to this class: its thread must be gone before this part is released.
    JoinThreadObject();
}

int CMultiThreadWaiter::WaitBlocking() { return WaitForAllThreads(m_handles, -1) ? 1 : 0; }

int CMultiThreadWaiter::WaitPolling() {
    while (!AllThreadsEnded(m_handles)) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return 1;
}

}  // namespace corvane
