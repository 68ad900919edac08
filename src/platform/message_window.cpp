#include "platform/message_window.h"

#include <algorithm>
#include <atomic>
#include <map>
#include <unordered_map>
#include <vector>

namespace corvane {

using Clock = std::chrono::steady_clock;

struct CWindowState {
    CMessageWindow::Handler handler;
    std::shared_ptr<CMessageQueue> queue;
    WindowHandle handle = 0;
    std::atomic<bool> alive{true};
    bool releasing = false;                           // under the queue's mutex
    std::vector<std::shared_ptr<CSendState>> active;  // sends being handled, same mutex
};

struct CSendState {
    std::condition_variable cv;  // waited on under the queue's mutex
    bool started = false;
    bool done = false;
    bool dropped = false;
    LResult result = 0;
};

namespace {

// Registered message ids start where Windows starts them; any value would do.
constexpr MessageId kFirstRegisteredMessage = 0xC000;
// How long a queued message may wait, with nobody pumping, before the owner counts as hung.
constexpr auto kHungAfter = std::chrono::seconds(5);

std::mutex g_registryMutex;
std::map<std::string, MessageId>& MessageNames() {
    static std::map<std::string, MessageId> names;
    return names;
}
std::unordered_map<WindowHandle, std::shared_ptr<CWindowState>>& Windows() {
    static std::unordered_map<WindowHandle, std::shared_ptr<CWindowState>> windows;
    return windows;
}
WindowHandle g_nextHandle = 1;

std::shared_ptr<CWindowState> FindWindow(WindowHandle handle) {
    std::lock_guard<std::mutex> lock(g_registryMutex);
    auto it = Windows().find(handle);
    return it == Windows().end() ? nullptr : it->second;
}

}  // namespace

MessageId RegisterMessage(const std::string& name) {
    std::lock_guard<std::mutex> lock(g_registryMutex);
    auto& names = MessageNames();
    auto it = names.find(name);
    if (it != names.end()) return it->second;
    MessageId id = kFirstRegisteredMessage + static_cast<MessageId>(names.size());
    names.emplace(name, id);
    return id;
}

std::shared_ptr<CMessageQueue> CMessageQueue::ForCurrentThread() {
    thread_local std::shared_ptr<CMessageQueue> queue;
    if (!queue) {
        queue = std::make_shared<CMessageQueue>();
        queue->m_owner = std::this_thread::get_id();
    }
    return queue;
}

void CMessageQueue::SetWakeup(std::function<void()> wakeup) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_wakeup = std::move(wakeup);
}

std::size_t CMessageQueue::Pending() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_entries.size();
}

bool CMessageQueue::IsHung(Clock::time_point now) const {
    return m_nPumping == 0 && !m_entries.empty() && now - m_entries.front().queuedAt > kHungAfter;
}

bool CMessageQueue::Enqueue(Entry entry, bool wakeWaiter) {
    std::function<void()> wakeup;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (!entry.window->alive) return false;
        m_entries.push_back(std::move(entry));
        if (wakeWaiter) m_cv.notify_all();
        wakeup = m_wakeup;
    }
    if (wakeup) wakeup();
    return true;
}

// Takes the first message and handles it with the lock released. False when none waits.
bool CMessageQueue::DispatchOne(std::unique_lock<std::mutex>& lock) {
    const Clock::time_point now = Clock::now();
    while (!m_entries.empty() && m_entries.front().expires < now) m_entries.pop_front();
    if (m_entries.empty()) return false;
    Entry entry = std::move(m_entries.front());
    m_entries.pop_front();
    if (entry.send) {
        entry.send->started = true;
        entry.window->active.push_back(entry.send);
    }
    ++m_nPumping;
    lock.unlock();
    LResult result = 0;
    // The entry keeps the window's state alive, so a handler that destroys its own window
    // still returns through a valid function object.
    if (entry.window->alive)
        result = entry.window->handler(entry.message, entry.wParam, entry.lParam);
    lock.lock();
    --m_nPumping;
    if (entry.send) {
        auto& active = entry.window->active;
        std::erase(active, entry.send);
        entry.send->result = result;
        entry.send->done = true;
        entry.send->cv.notify_all();
    }
    return true;
}

int CMessageQueue::Pump() {
    std::unique_lock<std::mutex> lock(m_mutex);
    // Only what is queued now: a handler that queues more does not keep this call going.
    std::size_t count = m_entries.size();
    int handled = 0;
    while (count-- > 0 && DispatchOne(lock)) ++handled;
    return handled;
}

bool CMessageQueue::RunUntil(const std::function<bool()>& done, int timeoutMs) {
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    std::unique_lock<std::mutex> lock(m_mutex);
    for (;;) {
        lock.unlock();
        bool finished = done();
        lock.lock();
        if (finished) return true;
        if (DispatchOne(lock)) continue;
        // Waiting for messages counts as pumping. `done` may turn true without a message,
        // so it is looked at again every few milliseconds.
        ++m_nPumping;
        const Clock::time_point now = Clock::now();
        const Clock::time_point until = std::min(deadline, now + std::chrono::milliseconds(5));
        m_cv.wait_until(lock, until, [this] { return !m_entries.empty(); });
        --m_nPumping;
        if (m_entries.empty() && Clock::now() >= deadline) {
            lock.unlock();
            return done();
        }
    }
}

void CMessageQueue::DropWindow(const CWindowState* window) {
    std::lock_guard<std::mutex> lock(m_mutex);
    for (auto it = m_entries.begin(); it != m_entries.end();) {
        if (it->window.get() != window) {
            ++it;
            continue;
        }
        if (it->send) {
            it->send->dropped = true;
            it->send->cv.notify_all();
        }
        it = m_entries.erase(it);
    }
}

CMessageWindow::CMessageWindow(Handler handler) : m_state(std::make_shared<CWindowState>()) {
    m_state->handler = std::move(handler);
    m_state->queue = CMessageQueue::ForCurrentThread();
    std::lock_guard<std::mutex> lock(g_registryMutex);
    m_hWnd = g_nextHandle++;
    m_state->handle = m_hWnd;
    Windows().emplace(m_hWnd, m_state);
}

CMessageWindow::~CMessageWindow() {
    {
        std::lock_guard<std::mutex> lock(g_registryMutex);
        Windows().erase(m_hWnd);
    }
    {
        std::lock_guard<std::mutex> lock(m_state->queue->m_mutex);
        m_state->alive = false;
    }
    m_state->queue->DropWindow(m_state.get());
}

void CMessageWindow::ReleaseSenders() {
    std::lock_guard<std::mutex> lock(m_state->queue->m_mutex);
    m_state->releasing = true;
    for (auto& send : m_state->active) send->cv.notify_all();
    for (auto& entry : m_state->queue->m_entries) {
        if (entry.send && entry.window == m_state) entry.send->cv.notify_all();
    }
}

bool SendMessageTimeout(WindowHandle window, MessageId message, WParam wParam, LParam lParam,
                        int timeoutMs, LResult* result) {
    std::shared_ptr<CWindowState> state = FindWindow(window);
    if (!state) return false;
    CMessageQueue& queue = *state->queue;
    if (std::this_thread::get_id() == queue.m_owner) {
        // A send to a window of one's own thread calls the handler directly.
        LResult r = state->handler(message, wParam, lParam);
        if (result) *result = r;
        return true;
    }
    if (timeoutMs <= 0) return false;

    auto send = std::make_shared<CSendState>();
    const Clock::time_point now = Clock::now();
    std::function<void()> wakeup;
    std::unique_lock<std::mutex> lock(queue.m_mutex);
    if (!state->alive || state->releasing || queue.IsHung(now)) return false;
    queue.m_entries.push_back({state, message, wParam, lParam, send, now});
    queue.m_cv.notify_all();
    wakeup = queue.m_wakeup;
    if (wakeup) {
        lock.unlock();
        wakeup();
        lock.lock();
    }

    const Clock::time_point deadline = now + std::chrono::milliseconds(timeoutMs);
    send->cv.wait_until(lock, deadline, [&] {
        return send->done || send->dropped || send->started || state->releasing;
    });
    if (!send->started && !send->done) {
        // Not begun: withdraw it, so the handler never sees parameters that may be gone.
        for (auto it = queue.m_entries.begin(); it != queue.m_entries.end(); ++it) {
            if (it->send == send) {
                queue.m_entries.erase(it);
                break;
            }
        }
        return false;
    }
    send->cv.wait(lock, [&] { return send->done || state->releasing; });
    if (!send->done) return false;
    if (result) *result = send->result;
    return true;
}

bool PostMessage(WindowHandle window, MessageId message, WParam wParam, LParam lParam) {
    std::shared_ptr<CWindowState> state = FindWindow(window);
    if (!state) return false;
    return state->queue->Enqueue({state, message, wParam, lParam, nullptr, Clock::now()});
}

bool PostMessageTimeout(WindowHandle window, MessageId message, WParam wParam, LParam lParam,
                        int timeoutMs) {
    if (timeoutMs <= 0) return false;
    std::shared_ptr<CWindowState> state = FindWindow(window);
    if (!state) return false;
    CMessageQueue& queue = *state->queue;
    const Clock::time_point now = Clock::now();
    {
        std::lock_guard<std::mutex> lock(queue.m_mutex);
        if (queue.IsHung(now)) return false;
    }
    // Nobody waits for it: a RunUntil that sleeps takes it at its next look, a few
    // milliseconds on, or together with the next send, instead of waking once per post.
    return queue.Enqueue(
        {state, message, wParam, lParam, nullptr, now, now + std::chrono::milliseconds(timeoutMs)},
        false);
}

}  // namespace corvane
