// What a crawl's listeners hear, always on the user-interface thread: the start, each
// page's start, progress and end, and the end of the run.
#pragma once

#include <cstdint>
#include <vector>

#include "net/check_result.h"

namespace corvane {

template <class T>
class CCheckerListener {
public:
    virtual ~CCheckerListener() = default;
    // `pages` is a copy of the engine's page list at the time of the call.
    virtual void OnStarted(std::vector<T*> pages) = 0;
    virtual void OnPageStarted(T* page) = 0;
    virtual void OnPageProgressed(T* page, std::intptr_t value) = 0;
    // `result` is the engine's copy, with the page count set; valid during the call.
    virtual void OnPageFinished(T* page, const CCheckResult& result) = 0;
    // reason 0: the crawl ended or was aborted; 1: the engine was destroyed during a run.
    virtual void OnFinished(std::vector<T*> pages, int reason) = 0;
};

}  // namespace corvane
