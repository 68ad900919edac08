// The engine side of crawl event delivery: what the hidden window calls, on the
// user-interface thread, for each message it receives.
#pragma once

#include <cstdint>

#include "net/check_result.h"

namespace corvane {

class CWebPage;

class CCheckerEventReceiver {
public:
    virtual ~CCheckerEventReceiver() = default;
    virtual void OnCheckStarted(CWebPage* page, std::intptr_t lParam) = 0;
    virtual void OnCheckProgressed(CWebPage* page, std::intptr_t value) = 0;
    // `result` belongs to the worker and is valid during the call only; the worker drops it
    // afterwards, so the receiver may take its contents (the body) instead of copying them.
    virtual void OnCheckFinished(CWebPage* page, CCheckResult* result) = 0;
    virtual void OnCheckerFinished() = 0;
};

}  // namespace corvane
