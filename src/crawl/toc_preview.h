// The contents preview: a run that fetches the start page alone (into a scratch folder
// removed afterwards) and puts the contents tree it gives into the log, so that the TOC
// pattern can be tuned in seconds. Nothing is written to the output folder and no compiler
// is needed.
#pragma once

#include <string>
#include <vector>

#include "crawl/build_driver.h"

namespace corvane {

class CTocPreview : public CBuildDriver {
public:
    using CBuildDriver::CBuildDriver;
    ~CTocPreview() override;

    void OnPageFinished(CWebPage* page, const CCheckResult& result) override;

protected:
    bool PrepareRun() override;
    void PlanCrawl(CDownloaderConfig& config) override;
    CCVNFilter* MakeFilter(const std::string& search, const std::string& replace) const override;
    void OnCrawlEnded(std::vector<CWebPage*>& pages) override;
    void OnRunClosed() override;

private:
    std::string m_strScratchFolder;  // while a preview runs
};

}  // namespace corvane
