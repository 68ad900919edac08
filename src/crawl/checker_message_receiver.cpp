#include "crawl/checker_message_receiver.h"

#include "crawl/checker_messages.h"

namespace corvane {

CCheckerMessageReceiver::CCheckerMessageReceiver(CCheckerEventReceiver* receiver)
    : CMessageWindow([this](MessageId m, WParam w, LParam l) { return OnMessage(m, w, l); }),
      m_pEventReceiver(receiver) {}

LResult CCheckerMessageReceiver::OnMessage(MessageId message, WParam wParam, LParam lParam) {
    const CCheckerMessages& ids = CheckerMessages();
    CCheckerEventReceiver* receiver = m_pEventReceiver;
    CWebPage* page = reinterpret_cast<CWebPage*>(wParam);
    if (message == ids.m_nCheckStarted) {
        receiver->OnCheckStarted(page, lParam);
    } else if (message == ids.m_nCheckProgressed) {
        receiver->OnCheckProgressed(page, lParam);
    } else if (message == ids.m_nCheckFinished) {
        receiver->OnCheckFinished(page, reinterpret_cast<CCheckResult*>(lParam));
    } else if (message == ids.m_nCheckerFinished) {
        receiver->OnCheckerFinished();
    }
    return 0;
}

}  // namespace corvane
