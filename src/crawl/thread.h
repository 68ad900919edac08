// The worker-thread base: owns one platform thread, created waiting and resumed, asked to
// stop and joined with a time-out. The object is never released while its thread runs.
#pragma once

#include <memory>
#include <mutex>

#include "platform/manual_reset_event.h"
#include "platform/os_thread.h"

namespace corvane {

class CThread {
public:
    CThread() = default;
    CThread(const CThread&) = delete;
    CThread& operator=(const CThread&) = delete;

    // The new thread's body: OnInit, signal "started", Run, OnExit; Run's result is kept.
    virtual int ThreadMain();
    virtual void OnInit() {}
    virtual void OnExit() {}
    virtual int Run() = 0;
    // False once the thread has ended or has been asked to end.
    virtual bool IsRunning() { return GetState() != 2; }
    // Does not stop a running thread (owners stop it first), but waits for it rather than
    // leave it running on a released object.
    virtual ~CThread();
    // Makes the thread, waiting to be resumed; null when an old thread cannot be stopped.
    virtual ThreadHandle Create();
    // Lets a created thread run and returns once it has started; 0 when there is none or
    // it was resumed already.
    virtual int Resume();
    // Asks the thread to end and waits up to m_nWaitTimeout ms; 0 on time-out (the old
    // state is restored and the thread goes on).
    virtual int Stop();
    // The platform cannot kill a thread safely: reports failure while the thread is alive.
    // Nothing calls it; kept for the interface.
    virtual int Terminate();
    virtual int Start();
    virtual int Wait();
    virtual int WaitStarted();

    ThreadHandle GetHandle();
    int SetState(int state);
    int GetState();
    bool IsAlive();

    int m_nWaitTimeout = 20000;
    int m_nId = 0;

protected:
    void ReleaseThreadObject();
    // Joins the thread (or releases it unstarted) and drops the object. Classes that
    // implement Run call it from their destructor, before their part of the object goes.
    void JoinThreadObject();

    int m_nState = 0;
    std::recursive_timed_mutex m_stateMutex;
    std::recursive_timed_mutex m_opMutex;
    std::unique_ptr<CManualResetEvent> m_pStartedEvent = std::make_unique<CManualResetEvent>();
    std::unique_ptr<COsThread> m_pThread;
};

}  // namespace corvane
