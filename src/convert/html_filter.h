// The page filter as the crawl worker sees it: accept a URL and choose its local file
// name, turn a downloaded page into a help page, and copy itself for another worker.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "convert/link_record.h"
#include "net/page_fetch.h"
#include "net/url_parts.h"
#include "platform/manual_reset_event.h"

namespace corvane {

// One filter serves one worker thread; it holds the current page between BeginPage and
// ConvertPage.
class CHTMLFilter {
public:
    virtual ~CHTMLFilter() = default;

    // 1 when the page can be processed: `url` is valid and has a base URL and a local
    // file name (`presetName` when not empty). `flag` is not used.
    virtual int BeginPage(const CUrlParts& url, const std::string& presetName, int flag,
                          int depth) = 0;
    // 1 with the complete help page in `out` and the links to fetch in `links`; 0 when the
    // content is to be saved as downloaded (`out` is then empty).
    virtual int ConvertPage(LinkKind kind, const std::string& headers, std::string_view content,
                            std::string& out, std::vector<CLinkRecord>& links) = 0;
    // Where the current page's body goes: kept in memory for ConvertPage, or written as it
    // comes when the filter would save it as downloaded whatever its bytes.
    virtual BodyTarget GetBodyTarget() const { return BodyTarget::Memory; }
    // A new filter of the same class and settings, owned by the caller.
    virtual CHTMLFilter* Clone() const = 0;

    // Why the last ConvertPage that answered 0 fails the page instead of leaving it as
    // downloaded (a rule's search gave up on it); empty otherwise.
    const std::string& GetConversionError() const { return m_strConversionError; }

    const std::string& GetBaseUrl() const { return m_strBaseUrl; }
    const std::string& GetLocalName() const { return m_strLocalName; }
    // The run's stop event (not owned): once it is set, a conversion under way gives up
    // between its steps (ConvertPage answers 0), so that an abort is not held up by a long
    // page.
    void SetAbortEvent(const CManualResetEvent* event) { m_pAbortEvent = event; }
    bool IsAborted() const { return m_pAbortEvent != nullptr && m_pAbortEvent->IsSet(); }

protected:
    CUrlParts m_pageUrl;
    std::string m_strBaseUrl;
    std::string m_strLocalName;
    int m_nDepth = 0;
    const CManualResetEvent* m_pAbortEvent = nullptr;
    std::string m_strConversionError;
};

}  // namespace corvane
