#include "crawl/thread.h"

#include <chrono>
#include <thread>

namespace corvane {

using Lock = std::lock_guard<std::recursive_timed_mutex>;

int CThread::ThreadMain() {
    OnInit();
    m_pStartedEvent->Set();
    int result = Run();
    OnExit();
    return result;
}

CThread::~CThread() {
    ReleaseThreadObject();
    JoinThreadObject();
}

void CThread::JoinThreadObject() {
    std::unique_ptr<COsThread> old;
    {
        Lock lock(m_stateMutex);
        old = std::move(m_pThread);
    }
    // Destroying the object joins a thread still running, or releases one never resumed.
    old.reset();
}

ThreadHandle CThread::GetHandle() {
    Lock lock(m_stateMutex);
    return m_pThread.get();
}

int CThread::SetState(int state) {
    Lock lock(m_stateMutex);
    int old = m_nState;
    m_nState = state;
    return old;
}

int CThread::GetState() {
    Lock lock(m_stateMutex);
    return m_nState;
}

bool CThread::IsAlive() {
    Lock lock(m_opMutex);
    ThreadHandle handle = GetHandle();
    return GetState() != 0 && handle != nullptr && handle->ExitCode() == COsThread::kStillActive;
}

void CThread::ReleaseThreadObject() {
    Lock lock(m_opMutex);
    ThreadHandle handle = GetHandle();
    if (handle == nullptr) return;
    if (GetState() == 2) handle->WaitEnded(1000);
    JoinThreadObject();
}

ThreadHandle CThread::Create() {
    Lock lock(m_opMutex);
    if (!Stop()) return nullptr;
    ReleaseThreadObject();
    auto thread = std::make_unique<COsThread>([this]() -> unsigned {
        int result = ThreadMain();
        SetState(2);
        return static_cast<unsigned>(result);
    });
    Lock stateLock(m_stateMutex);
    m_pThread = std::move(thread);
    return m_pThread.get();
}

int CThread::Resume() {
    // The resume goes on even when the lock cannot be had in time, as a stuck control
    // operation elsewhere must not keep a new thread from starting.
    std::unique_lock<std::recursive_timed_mutex> lock(m_opMutex, std::defer_lock);
    // Polled rather than a timed lock, which the thread checker cannot follow.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(5000);
    while (!lock.try_lock() && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ThreadHandle handle = GetHandle();
    if (handle == nullptr || GetState() != 0) return 0;
    // A platform thread runs once: a thread that has run already is not started again.
    int old = SetState(1);
    if (!handle->Resume()) {
        SetState(old);
        return 0;
    }
    return WaitStarted();
}

int CThread::Stop() {
    Lock lock(m_opMutex);
    if (IsAlive()) {
        int old = SetState(2);
        if (!GetHandle()->WaitEnded(m_nWaitTimeout)) {
            SetState(old);
            return 0;
        }
    }
    SetState(0);
    return 1;
}

int CThread::Terminate() {
    Lock lock(m_opMutex);
    if (IsAlive()) return 0;
    SetState(0);
    return 1;
}

int CThread::Start() {
    Lock lock(m_opMutex);
    if (Create() == nullptr) return 0;
    return Resume();
}

int CThread::Wait() {
    Lock lock(m_opMutex);
    ThreadHandle handle = GetHandle();
    if (handle == nullptr) return 1;
    if (!handle->WaitEnded(m_nWaitTimeout)) return 0;
    return Stop();
}

int CThread::WaitStarted() {
    m_pStartedEvent->Wait(-1);
    return 1;
}

}  // namespace corvane
