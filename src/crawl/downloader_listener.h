// A crawl listener that ignores every event, so that a class deriving from it overrides
// only what it needs.
#pragma once

#include "crawl/checker_listener.h"
#include "crawl/web_page.h"

namespace corvane {

class CDownloaderListener : public CCheckerListener<CWebPage> {
public:
    void OnStarted(std::vector<CWebPage*>) override {}
    void OnPageStarted(CWebPage*) override {}
    void OnPageProgressed(CWebPage*, std::intptr_t) override {}
    void OnPageFinished(CWebPage*, const CCheckResult&) override {}
    void OnFinished(std::vector<CWebPage*>, int) override {}
};

}  // namespace corvane
