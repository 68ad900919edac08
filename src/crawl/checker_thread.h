// The crawl worker: a thread that is at the same time a protocol object, so the engine
// drives it both ways. Its run is the worker loop: take pages from the shared list, report
// each page's start and end to the hidden window, process it with CheckPage.
#pragma once

#include <chrono>
#include <new>
#include <thread>

#include "crawl/checker_config.h"
#include "crawl/checker_messages.h"
#include "crawl/page_failure.h"
#include "crawl/page_list.h"
#include "crawl/progress_throttle.h"
#include "crawl/thread.h"
#include "net/check_protocol.h"
#include "platform/message_window.h"

namespace corvane {

// The thread side and the protocol side each have a Stop, with different results; these two
// give them distinct names in the worker.
class CCheckerThreadSide : public CThread {
public:
    int Stop() final { return StopThread(); }
    virtual int StopThread() { return CThread::Stop(); }
};

class CCheckerProtocolSide : public CCheckProtocol {
public:
    void Stop() final { StopProtocol(); }
    virtual void StopProtocol() = 0;
};

template <class T>
class CCheckerThread : public CCheckerThreadSide, public CCheckerProtocolSide {
public:
    ~CCheckerThread() override { JoinThreadObject(); }

    // The worker's stop test, for both sides; the downloader's workers go by the stop event.
    bool IsRunning() override { return CThread::IsRunning(); }

    int Run() override;
    // Aborts a fetch in progress, then asks the thread to end and waits for it.
    int StopThread() override {
        std::lock_guard<std::recursive_timed_mutex> lock(m_opMutex);
        StopProtocol();
        return CThread::Stop();
    }
    // A new worker of the same class for the same run.
    virtual CCheckerThread* Clone() = 0;
    // The per-page work. A page is the crawl's own: the protocol interface below knows
    // only URLs.
    virtual CCheckResult CheckPage(T* page) = 0;

    // Progress of the current page also goes to the hidden window, thinned out and without
    // waiting: the worker never stops for the user-interface thread because of it. It keeps
    // the send time-out (an event not handled in time is dropped), and posts and sends share
    // one queue, so the listeners still see it between the page's start and its end.
    void NotifyProgress(const CUrlParts& url, std::size_t bytes) override {
        CCheckProtocol::NotifyProgress(url, bytes);
        if (m_progress.Offer(bytes)) PostProgress(bytes);
    }

    WindowHandle m_hReceiverWnd = 0;
    CPageList<T>* m_pPageList = nullptr;
    T* m_pCurrent = nullptr;
    CCheckerConfig* m_pConfig = nullptr;

protected:
    // Event messages are synchronous, with the configuration's time-out read at each send;
    // one that fails or times out is dropped.
    void Send(MessageId message, WParam wParam, LParam lParam) {
        SendMessageTimeout(m_hReceiverWnd, message, wParam, lParam,
                           m_pConfig->m_nSendTimeout.load());
    }
    static void Sleep(int milliseconds) {
        std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
    }
    // An event that the worker does not wait for: it still keeps its place in the queue
    // and is dropped unhandled when a send with the same time-out would have timed out.
    void Post(MessageId message, WParam wParam, LParam lParam) {
        PostMessageTimeout(m_hReceiverWnd, message, wParam, lParam,
                           m_pConfig->m_nSendTimeout.load());
    }
    void PostProgress(std::size_t bytes) {
        if (IsRunning()) {
            Post(CheckerMessages().m_nCheckProgressed, reinterpret_cast<WParam>(m_pCurrent),
                 static_cast<LParam>(bytes));
        }
    }

private:
    // CheckPage on the heap; a page that needs more memory than there is fails alone, and
    // the run goes on with the next one.
    CCheckResult* CheckPageInMemory(T* page) {
        try {
            return new CCheckResult(CheckPage(page));
        } catch (const std::bad_alloc&) {
            auto* result = new CCheckResult;
            result->m_nStatus = CHECK_ERROR;
            result->m_strError = OutOfMemoryReason();
            return result;
        }
    }

    CProgressThrottle m_progress;
};

template <class T>
int CCheckerThread<T>::Run() {
    const CCheckerMessages& ids = CheckerMessages();
    m_pCurrent = nullptr;
    for (;;) {
        m_pPageList->EnterActive();
        for (;;) {
            m_pCurrent = m_pPageList->Next();
            if (m_pCurrent == nullptr || !IsRunning()) break;
            Sleep(m_pConfig->m_nInterval);
            // The start of a page is told without waiting for the listeners (they get the page's
            // URL, which never changes); its end is waited for below.
            if (IsRunning()) Post(ids.m_nCheckStarted, reinterpret_cast<WParam>(m_pCurrent), 0);
            if (!IsRunning()) break;
            m_progress.Begin();
            CCheckResult* result = CheckPageInMemory(m_pCurrent);
            // The page's last size, if it was held back, reaches the listeners before its end.
            if (auto held = m_progress.Flush()) PostProgress(*held);
            if (IsRunning()) {
                Send(ids.m_nCheckFinished, reinterpret_cast<WParam>(m_pCurrent),
                     reinterpret_cast<LParam>(result));
            }
            delete result;
            if (!IsRunning()) break;
        }
        m_pPageList->LeaveActive();
        if (!IsRunning()) break;
        if (m_pPageList->ActiveCount() < 1) break;
        if (!m_pConfig->GetWaitForNewPages()) break;
        // Woken as soon as another worker adds a page or the last one goes idle; the
        // time-out only bounds how long a missed stop could keep it.
        m_pPageList->WaitForWork(std::chrono::milliseconds(100));
    }
    PostMessage(m_hReceiverWnd, ids.m_nCheckerThreadFinished, 0, 0);
    return 0;
}

}  // namespace corvane
