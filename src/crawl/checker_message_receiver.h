// The hidden window of one crawl run: made on the user-interface thread, it turns the
// workers' messages into calls on the engine's event receiver on that thread.
#pragma once

#include "crawl/checker_event_receiver.h"
#include "platform/message_window.h"

namespace corvane {

class CCheckerMessageReceiver : public CMessageWindow {
public:
    explicit CCheckerMessageReceiver(CCheckerEventReceiver* receiver);

private:
    // May destroy this window (the engine stops the run from OnCheckerFinished): nothing
    // of the object is used once the receiver's call has returned.
    LResult OnMessage(MessageId message, WParam wParam, LParam lParam);

    CCheckerEventReceiver* m_pEventReceiver;
};

}  // namespace corvane
