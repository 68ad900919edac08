// Messages between threads, delivered on the thread that owns the receiving window: the
// stand-in for registered window messages, hidden windows, timed sends and posts.
//
// Each thread that creates a window gets a message queue, which that thread pumps: the GUI
// from its event loop (through the wake-up hook), the command-line program and the tests
// from a loop of their own (Pump / RunUntil). A send blocks its thread until the handler
// has run on the owner thread, or until its time-out passes and the message is withdrawn
// unhandled. A post only queues. A destroyed window drops everything still queued for it.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace corvane {

using MessageId = unsigned int;
using WParam = std::uintptr_t;
using LParam = std::intptr_t;
using LResult = std::intptr_t;
// Names one window; 0 is no window. Handles are never reused within a process.
using WindowHandle = std::uint64_t;

// The same id for the same name, process-wide, from any thread.
MessageId RegisterMessage(const std::string& name);

struct CWindowState;
struct CSendState;

class CMessageQueue {
public:
    // The queue of the calling thread, made on first use.
    static std::shared_ptr<CMessageQueue> ForCurrentThread();

    // Handles every message queued now; returns how many were handled. Owner thread only.
    int Pump();
    // Pumps, waiting for messages, until `done()` holds (checked after every message) or
    // `timeoutMs` has passed; returns done(). Owner thread only.
    bool RunUntil(const std::function<bool()>& done, int timeoutMs);
    // Called on the sending thread whenever a message is queued, so that an event loop can
    // schedule a Pump on the owner thread. May be empty.
    void SetWakeup(std::function<void()> wakeup);
    // Number of messages waiting.
    std::size_t Pending() const;

    CMessageQueue() = default;
    CMessageQueue(const CMessageQueue&) = delete;
    CMessageQueue& operator=(const CMessageQueue&) = delete;

private:
    struct Entry {
        std::shared_ptr<CWindowState> window;
        MessageId message;
        WParam wParam;
        LParam lParam;
        std::shared_ptr<CSendState> send;
        std::chrono::steady_clock::time_point queuedAt;
        // A timed post not begun by then is dropped unhandled.
        std::chrono::steady_clock::time_point expires =
            std::chrono::steady_clock::time_point::max();
    };

    // `wakeWaiter` false leaves a RunUntil that waits asleep until its next look.
    bool Enqueue(Entry entry, bool wakeWaiter = true);
    bool DispatchOne(std::unique_lock<std::mutex>& lock);
    void DropWindow(const CWindowState* window);
    bool IsHung(std::chrono::steady_clock::time_point now) const;

    mutable std::mutex m_mutex;
    std::condition_variable m_cv;
    std::deque<Entry> m_entries;
    std::function<void()> m_wakeup;
    std::thread::id m_owner;
    int m_nPumping = 0;

    friend class CMessageWindow;
    friend bool SendMessageTimeout(WindowHandle, MessageId, WParam, LParam, int, LResult*);
    friend bool PostMessage(WindowHandle, MessageId, WParam, LParam);
    friend bool PostMessageTimeout(WindowHandle, MessageId, WParam, LParam, int);
};

// A window on the thread that constructs it. Its handler runs on that thread only.
class CMessageWindow {
public:
    using Handler = std::function<LResult(MessageId, WParam, LParam)>;

    explicit CMessageWindow(Handler handler);
    // Destroys the window: queued messages are dropped and waiting senders released. May
    // run inside the window's own handler; the handler stays callable until it returns.
    virtual ~CMessageWindow();
    CMessageWindow(const CMessageWindow&) = delete;
    CMessageWindow& operator=(const CMessageWindow&) = delete;

    WindowHandle GetHandle() const { return m_hWnd; }
    // Lets every sender that waits on a handler of this window return at once (false), and
    // every later sender give up. For a handler that must wait for the senders' threads to
    // end: those threads would otherwise wait for it in turn.
    void ReleaseSenders();

private:
    std::shared_ptr<CWindowState> m_state;
    WindowHandle m_hWnd;
};

// Sends and waits for the handler, at most `timeoutMs` ms for it to begin (a handler that
// has begun is always waited for, since the parameters must stay valid while it runs).
// Gives up at once when the window is gone, when the time-out is 0 or less, or when the
// owner thread looks hung (a message has waited more than 5 s while nobody pumps). Returns
// true when the handler ran; its result goes to *result.
bool SendMessageTimeout(WindowHandle window, MessageId message, WParam wParam, LParam lParam,
                        int timeoutMs, LResult* result = nullptr);
// Queues the message; false when the window is gone.
bool PostMessage(WindowHandle window, MessageId message, WParam wParam, LParam lParam);
// A send that does not wait: queued like a post, but dropped unhandled when the owner has
// not begun handling it within `timeoutMs`. Gives up at once, as a send does, when the time-out
// is 0 or less, the window is gone or the owner looks hung. It does not wake a RunUntil that
// waits (the wake-up hook is still called): the message is handled at RunUntil's next look,
// within a few milliseconds, or before the next message that does wake it.
bool PostMessageTimeout(WindowHandle window, MessageId message, WParam wParam, LParam lParam,
                        int timeoutMs);

}  // namespace corvane
