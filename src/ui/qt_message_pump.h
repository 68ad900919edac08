// Delivers the core's thread messages (crawl events) from Qt's event loop: the queue's
// wake-up hook schedules a pump on the user-interface thread, so worker threads reach the
// window while it stays live, without polling.
#pragma once

#include <memory>

namespace corvane::ui {

class CQtMessagePump {
public:
    // Attaches to the calling thread's queue; that thread must be the one running the
    // application's event loop.
    CQtMessagePump();
    ~CQtMessagePump();
    CQtMessagePump(const CQtMessagePump&) = delete;
    CQtMessagePump& operator=(const CQtMessagePump&) = delete;

    struct State;

private:
    std::shared_ptr<State> m_pState;
};

}  // namespace corvane::ui
