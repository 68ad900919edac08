// The registered messages that carry crawl events from the worker threads to the hidden
// window on the user-interface thread.
#pragma once

#include "platform/message_window.h"

namespace corvane {

struct CCheckerMessages {
    MessageId m_nCheckStarted;           // wParam page, lParam 0
    MessageId m_nCheckProgressed;        // wParam page, lParam bytes received so far
    MessageId m_nCheckFinished;          // wParam page, lParam CCheckResult*
    MessageId m_nCheckerFinished;        // posted once every worker has ended
    MessageId m_nCheckerThreadFinished;  // posted by each worker at its end; not handled
};

// Registered on first use, the same ids for every thread.
const CCheckerMessages& CheckerMessages();

}  // namespace corvane
