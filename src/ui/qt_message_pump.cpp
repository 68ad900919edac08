#include "ui/qt_message_pump.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <atomic>

#include "platform/message_window.h"

namespace corvane::ui {

struct CQtMessagePump::State {
    std::shared_ptr<CMessageQueue> pQueue;
    // One scheduled pump is enough however many messages arrive before it runs.
    std::atomic<bool> bScheduled{false};
};

namespace {

// Called on the sending thread: only queues a call to the application's thread. The
// application object outlives every window, so the call always has a receiver; a pump
// that is gone by then is skipped.
void Schedule(const std::weak_ptr<CQtMessagePump::State>& weak) {
    auto state = weak.lock();
    if (!state || state->bScheduled.exchange(true)) return;
    QMetaObject::invokeMethod(
        QCoreApplication::instance(),
        [weak] {
            if (auto alive = weak.lock()) {
                // Cleared first: a message queued while pumping schedules the next pump.
                alive->bScheduled.store(false);
                alive->pQueue->Pump();
            }
        },
        Qt::QueuedConnection);
}

}  // namespace

CQtMessagePump::CQtMessagePump() : m_pState(std::make_shared<State>()) {
    m_pState->pQueue = CMessageQueue::ForCurrentThread();
    std::weak_ptr<State> weak = m_pState;
    m_pState->pQueue->SetWakeup([weak] { Schedule(weak); });
    // Messages queued before the hook was set.
    if (m_pState->pQueue->Pending() > 0) Schedule(weak);
}

CQtMessagePump::~CQtMessagePump() { m_pState->pQueue->SetWakeup(nullptr); }

}  // namespace corvane::ui
