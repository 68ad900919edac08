// The link-crawl engine: a shared page list, worker threads that take pages from it one at
// a time, and delivery of their events to listeners on the user-interface thread. What a
// worker does with a page, and which pages it adds, is the worker's business.
#pragma once

#include <memory>
#include <mutex>
#include <utility>
#include <vector>

#include "crawl/checker_config.h"
#include "crawl/checker_event_receiver.h"
#include "crawl/checker_listener.h"
#include "crawl/checker_message_receiver.h"
#include "crawl/checker_messages.h"
#include "crawl/checker_thread.h"
#include "crawl/page_list.h"
#include "crawl/thread_waiter.h"
#include "platform/manual_reset_event.h"

namespace corvane {

template <class T>
class CChecker : public CCheckerEventReceiver {
public:
    using Lock = std::lock_guard<std::recursive_timed_mutex>;

    CChecker() = default;
    CChecker(const CChecker&) = delete;
    CChecker& operator=(const CChecker&) = delete;

    // Stops a run still going (reason 1); waits as long as a worker keeps running, since
    // no worker may outlive the engine it works for.
    ~CChecker() override {
        while (!Stop(1)) {
        }
    }

    void OnCheckStarted(CWebPage* page, std::intptr_t) override {
        for (auto* listener : std::vector(m_listeners)) listener->OnPageStarted(page);
    }
    void OnCheckProgressed(CWebPage* page, std::intptr_t value) override {
        for (auto* listener : std::vector(m_listeners)) listener->OnPageProgressed(page, value);
    }
    void OnCheckFinished(CWebPage* page, CCheckResult* result) override {
        // The listeners' own copy; the body moves over, the worker has no more use for it.
        CCheckResult copy(std::move(*result));
        copy.m_nPageCount = m_pageList.Size();
        for (auto* listener : std::vector(m_listeners)) listener->OnPageFinished(page, copy);
    }
    void OnCheckerFinished() override { Stop(0); }

    virtual void FireStarted(const std::vector<T*>& pages) {
        for (auto* listener : std::vector(m_listeners)) listener->OnStarted(pages);
    }
    virtual void FireFinished(const std::vector<T*>& pages, int reason) {
        for (auto* listener : std::vector(m_listeners)) listener->OnFinished(pages, reason);
    }

    // Starts a run on the calling thread, which must pump its message queue for the events
    // to arrive. Takes `prototype` (worker 0) and `config` until the run stops. 0 when a
    // previous run could not be stopped (nothing is taken then).
    virtual int Start(const std::vector<T*>& pages, CCheckerThread<T>* prototype,
                      CCheckerConfig* config);
    // 1 when stopped or idle; 0 when a worker or the waiter did not end in time (the run
    // stays registered, a later Stop tries again).
    virtual int Stop(int reason);

    void AddListener(CCheckerListener<T>* listener) { m_listeners.push_back(listener); }
    void RemoveAllListeners() { m_listeners.clear(); }
    bool IsRunning() const { return m_pWaiter != nullptr; }

private:
    std::vector<CCheckerListener<T>*> m_listeners;
    CCheckerThread<T>* m_pPrototype = nullptr;
    CPageList<T> m_pageList;
    CCheckerConfig* m_pConfig = nullptr;
    CCheckerMessageReceiver* m_pReceiver = nullptr;
    CMultiThreadWaiter* m_pWaiter = nullptr;
    std::recursive_timed_mutex m_mutex;
    std::unique_ptr<CManualResetEvent> m_pStopEvent = std::make_unique<CManualResetEvent>();
    std::vector<CCheckerThread<T>*> m_threads;
};

template <class T>
int CChecker<T>::Start(const std::vector<T*>& pages, CCheckerThread<T>* prototype,
                       CCheckerConfig* config) {
    Lock lock(m_mutex);
    if (!Stop(0)) return 0;
    m_pPrototype = prototype;
    m_pageList.Assign(pages);
    m_pConfig = config;
    m_pReceiver = new CCheckerMessageReceiver(this);
    prototype->m_hReceiverWnd = m_pReceiver->GetHandle();
    prototype->m_pPageList = &m_pageList;
    prototype->m_pConfig = config;

    int count = config->m_nThreadCount;
    if (!config->GetWaitForNewPages()) {
        count = std::min(count, static_cast<int>(pages.size()));
    }
    count = std::max(count, 1);

    m_pStopEvent->Reset();
    std::vector<ThreadHandle> handles;
    for (int i = 0; i < count; ++i) {
        CCheckerThread<T>* worker = i == 0 ? prototype : prototype->Clone();
        worker->m_nId = i;
        worker->SetAbortEvent(m_pStopEvent.get());
        m_threads.push_back(worker);
        handles.push_back(worker->Create());
    }
    m_pWaiter = new CMultiThreadWaiter(handles, m_pReceiver->GetHandle(),
                                       CheckerMessages().m_nCheckerFinished);
    m_pWaiter->Start();
    // Taken and released on purpose, as a barrier: whoever filled the list before (the
    // workers are still suspended) is done with it before the listeners read it.
    { Lock listLock(m_pageList.m_mutex); }
    FireStarted(m_pageList.Pages());
    for (CCheckerThread<T>* worker : m_threads) worker->Resume();
    return 1;
}

template <class T>
int CChecker<T>::Stop(int reason) {
    Lock lock(m_mutex);
    if (m_pWaiter == nullptr) return 1;
    const int sendTimeout = m_pConfig->m_nSendTimeout.exchange(0);
    m_pStopEvent->Set();
    m_pageList.Wake();
    // A worker may wait on a handler of this thread that is the caller of this Stop.
    m_pReceiver->ReleaseSenders();
    for (CCheckerThread<T>* worker : m_threads) {
        worker->m_nWaitTimeout = m_pConfig->m_nStopTimeout;
        if (!static_cast<CCheckerThreadSide*>(worker)->Stop()) {
            m_pConfig->m_nSendTimeout = sendTimeout;
            return 0;
        }
    }
    m_pConfig->m_nSendTimeout = sendTimeout;
    if (!m_pWaiter->Stop()) return 0;

    for (CCheckerThread<T>* worker : m_threads) delete worker;
    m_threads.clear();
    delete m_pWaiter;
    m_pWaiter = nullptr;
    m_pPrototype = nullptr;
    // Also when called from this window's own handler: the handler uses nothing of the
    // window once the engine's call returns.
    delete m_pReceiver;
    m_pReceiver = nullptr;
    delete m_pConfig;
    m_pConfig = nullptr;

    // Taken and released on purpose: no worker is left inside an Add when the listeners
    // are handed the list.
    { Lock listLock(m_pageList.m_mutex); }
    FireFinished(m_pageList.Pages(), reason);
    RemoveAllListeners();
    return 1;
}

}  // namespace corvane
