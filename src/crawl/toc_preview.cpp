#include "crawl/toc_preview.h"

#include <stdlib.h>
#include <boost/format.hpp>
#include <filesystem>
#include <memory>

#include "convert/cvn_filter.h"
#include "crawl/build_texts.h"
#include "crawl/downloader_config.h"
#include "crawl/project_checks.h"
#include "help/toc_extractor.h"
#include "platform/message_box.h"
#include "platform/text_codec.h"
#include "project/corvane_doc.h"
#include "project/options.h"

namespace corvane {
namespace {

constinit CSjisText kTocHeading{"目次 [%s]"};

// Takes the start page alone: the preview needs nothing else. The preview runs one
// worker, so the filter is never cloned.
class CStartPageOnlyFilter : public CCVNFilter {
public:
    using CCVNFilter::CCVNFilter;
    int BeginPage(const CUrlParts& url, const std::string& preset, int flag, int depth) override {
        return depth == 0 ? CCVNFilter::BeginPage(url, preset, flag, depth) : 0;
    }
};

void LogTree(CHelpNode* node, int depth, CBuildDriver& driver) {
    for (CHelpNode* child : *node->GetChildren()) {
        driver.AddLog(std::string(2 * depth, ' ') + child->GetName() + " [" + child->GetLocal() +
                      "]");
        LogTree(child, depth + 1, driver);
    }
}

}  // namespace

CTocPreview::~CTocPreview() {
    // The scratch folder goes with a run still going, which only this class knows of.
    StopCrawl();
}

bool CTocPreview::PrepareRun() {
    // Neither the output folder nor the compiler matters to a preview.
    std::string problem = m_doc.GetURL().empty() ? kNoUrl.str() : CheckStartUrl(m_doc.GetURL());
    if (problem.empty()) problem = CheckUrlCredentials(m_doc.GetURL());
    if (problem.empty()) problem = CheckTocPattern(m_doc.GetTocPat());
    if (problem.empty()) problem = CheckRuleFiles(GetConfFolder(), GetConfFolderCandidates());
    if (problem.empty()) problem = CheckProxy();
    if (!problem.empty()) {
        ShowMessageBox(problem, kBuildCaption, MB_OK | MB_ICONEXCLAMATION);
        return false;
    }
    std::string pattern =
        FromNativePath(std::filesystem::temp_directory_path()) + "/corvane-toc-XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) {
        ShowMessageBox(kFolderFailed, kBuildCaption, MB_OK | MB_ICONEXCLAMATION);
        return false;
    }
    m_strScratchFolder = pattern + "/";
    return true;
}

void CTocPreview::PlanCrawl(CDownloaderConfig& config) {
    config.m_nThreadCount = 1;
    config.SetFolder(m_strScratchFolder);
    config.SetLevel(0);
}

CCVNFilter* CTocPreview::MakeFilter(const std::string& search, const std::string& replace) const {
    return new CStartPageOnlyFilter(search, replace, m_doc.GetTitle(), m_doc.GetFooter(),
                                    GetBodyRulesPath(), GetReplaceRulesPath());
}

void CTocPreview::OnPageFinished(CWebPage* page, const CCheckResult& result) {
    // The refusals of the start page's images and style sheet are no news.
    if (page->GetLevel() > 0) {
        AdvanceProgress(result);
    } else {
        CBuildDriver::OnPageFinished(page, result);
    }
}

void CTocPreview::OnCrawlEnded(std::vector<CWebPage*>& pages) {
    m_nOutcome = kNoStartPage;
    if (CWebPage* start = FindStartPage(pages)) {
        const std::string text = ReadPageLines(m_strScratchFolder + start->GetLocalName());
        CTocWalk walk;
        std::unique_ptr<CHelpNode> root = ExtractToc(text, m_doc.GetTocPat(), &walk);
        AddLog((boost::format(kTocHeading) % m_doc.GetTocPat()).str());
        AddLog(m_doc.GetTitle() + " [" + start->GetLocalName() + "]");
        LogTree(root.get(), 1, *this);
        WarnContents(text, root.get(), walk);
        m_nOutcome = kTocShown;
    }
    SetRunning(false);
}

void CTocPreview::OnRunClosed() {
    if (m_strScratchFolder.empty()) return;
    std::error_code ec;
    std::filesystem::remove_all(ToNativePath(m_strScratchFolder), ec);
    m_strScratchFolder.clear();
}

}  // namespace corvane
