#include "crawl/downloader_thread.h"

#include "crawl/downloader_config.h"
#include "crawl/output_file.h"

namespace corvane {

const CSjisText& CDownloaderThread::kUnsafeNameError = kOutsideFolderError;

CDownloaderThread::CDownloaderThread() {
    // Progress of a fetch comes back through this worker, which sends it on.
    m_protocol.AddListener(this);
}

CDownloaderThread::~CDownloaderThread() {
    JoinThreadObject();
    m_protocol.RemoveListener(this);
}

void CDownloaderThread::SetFilter(CHTMLFilter* filter) {
    m_pFilter.reset(filter);
    if (m_pFilter) m_pFilter->SetAbortEvent(m_pAbortEvent);
}

bool CDownloaderThread::IsRunning() { return m_pAbortEvent == nullptr || !m_pAbortEvent->IsSet(); }

bool CDownloaderThread::IsStopRequested() {
    return m_pAbortEvent != nullptr && m_pAbortEvent->IsSet();
}

void CDownloaderThread::SetAbortEvent(CManualResetEvent* event) {
    m_pAbortEvent = event;
    m_protocol.SetAbortEvent(event);
    if (m_pFilter) m_pFilter->SetAbortEvent(event);
}

CCheckerThread<CWebPage>* CDownloaderThread::Clone() {
    auto* clone = new CDownloaderThread;
    clone->m_hReceiverWnd = m_hReceiverWnd;
    clone->m_pPageList = m_pPageList;
    clone->m_pConfig = m_pConfig;
    clone->m_settings = m_settings;
    clone->m_site = m_site;
    if (m_pFilter) clone->SetFilter(m_pFilter->Clone());
    return clone;
}

bool CDownloaderThread::Fetch(const CPageFetch& fetch, CCheckResult& result) {
    result = m_protocol.Fetch(fetch);
    return result.m_nStatus == CHECK_OK;
}

CCheckResult CDownloaderThread::CheckPage(CWebPage* page) {
    CCheckResult result;
    m_pCurrent = page;
    CPageFetch fetch;
    fetch.url = CUrlParts(StripFragment(page->GetURL()));
    const CUrlParts& url = fetch.url;
    result.m_strURL = url.GetText();

    const bool about =
        url.IsValid() ? url.GetScheme() == "about" : url.GetText().rfind("about:", 0) == 0;
    if (url.GetSchemeKind() == UrlScheme::File || about) {
        // Nothing to fetch: the page stands for itself.
        page->SetLocalName(url.GetText());
        result.m_nStatus = CHECK_OK;
        return result;
    }
    if (!url.IsWeb()) {
        result.m_nStatus = DOWNLOAD_BADSCHEME;
        return result;
    }
    if (!m_pFilter || !m_pFilter->BeginPage(url, page->GetLocalName(), 0, page->GetLevel())) {
        result.m_nStatus = DOWNLOAD_REFUSED;
        return result;
    }

    auto* config = static_cast<CDownloaderConfig*>(m_pConfig);
    // The start page's file is written by the start page alone.
    if (page->GetLevel() == 0) config->ClaimLocalName(m_pFilter->GetLocalName());
    // The start page's credentials hold for its site, and only there.
    if (m_site.Cover(page->GetURL())) {
        fetch.strUser = m_site.strUser;
        fetch.strPassword = m_site.strPassword;
    }
    fetch.settings = m_settings;

    // A body the filter would save as downloaded goes to its file as it comes; a name
    // outside the output folder is refused after the fetch, as for any page.
    std::unique_ptr<COutputStream> stream;
    const std::string localName = m_pFilter->GetLocalName();
    fetch.body = m_pFilter->GetBodyTarget();
    if (fetch.body != BodyTarget::Memory && IsSafeLocalName(localName)) {
        stream = std::make_unique<COutputStream>(config->GetFolder(), localName);
        fetch.pSink = stream.get();
    }
    Fetch(fetch, result);
    // Only a 2xx answer is the page: a 304 to a request that asked for no cache carries
    // nothing to save either.
    if (result.m_nStatus == CHECK_OK &&
        (result.m_nHttpStatus < 200 || result.m_nHttpStatus > 299)) {
        result.m_nStatus = CHECK_ERROR;
    }

    if (stream && (fetch.SendsBodyToSink(result.m_nHttpStatus, result.m_strHeaders) ||
                   stream->Size() > 0 || !stream->Error().empty())) {
        // The body went to its file as it came: keep the file if the fetch succeeded.
        if (result.m_nStatus == CHECK_OK && stream->Size() > 0 && stream->Commit()) {
            page->SetLocalName(localName);
            page->SetSaved(true, false);
        }
        if (!stream->Error().empty()) {
            // As for a page written whole: a file that is not on disk did not come back.
            result.m_nStatus = CHECK_ERROR;
            result.m_strError = stream->Error();
        }
        return result;
    }

    bool converted = false;
    if (result.m_nStatus == CHECK_OK) {
        std::string text;
        std::vector<CLinkRecord> links;
        // The filter reads the body where it lies.
        const std::string_view body(result.m_body.data(), result.m_body.size());
        const int convertedOk =
            m_pFilter->ConvertPage(page->GetKind(), result.m_strHeaders, body, text, links);
        if (IsStopRequested()) {
            // The conversion may have given up half way: the run is over, and the file of a
            // previous run stays as it was.
            result.m_nStatus = CHECK_ERROR;
            result.m_body.clear();
            return result;
        }
        if (convertedOk) {
            result.m_body.assign(text.begin(), text.end());
            converted = true;
            // Links of a page at the deepest level make no pages; its own images and style
            // sheets are still fetched, so that every saved page is complete.
            const bool deepest = page->GetLevel() >= config->GetLevel();
            for (const CLinkRecord& link : links) {
                if (!link.m_bFollow) continue;
                if (deepest && link.m_kind == LinkKind::Anchor) continue;
                page->AddFoundLink(StripFragment(link.m_strUrl), link.m_strLocalName);
                // One file, one page: a URL whose file an earlier page of the run writes
                // (the start page's "./", "?cmd=read&page=Foo" beside "?Foo") is not fetched
                // again; the link already names that file. The start page reserves its name
                // before any link is found, so it keeps its file with any number of workers.
                if (!link.m_strLocalName.empty() && !config->ClaimLocalName(link.m_strLocalName))
                    continue;
                CWebPage* next = CWebPage::FromLink(link.m_strUrl);
                next->SetLocalName(link.m_strLocalName);
                next->SetLevel(page->GetLevel() + 1);
                next->SetKind(link.m_kind);
                if (!m_pPageList->Add(next)) delete next;
            }
        } else if (!m_pFilter->GetConversionError().empty()) {
            // The rules gave up on the page (too much work): it fails with the reason
            // rather than be saved as downloaded.
            result.m_nStatus = CHECK_ERROR;
            result.m_strError = m_pFilter->GetConversionError();
            result.m_body.clear();
        }
    }

    // The body of a failed answer (the wiki's error page, a redirect's or a 401's text, the
    // part of a cut-off transfer) is never a file of the help.
    if (result.m_nStatus == CHECK_OK && !result.m_body.empty()) {
        std::string error;
        if (WriteOutputFile(config->GetFolder(), localName, result.m_body, &error)) {
            page->SetLocalName(localName);
            page->SetSaved(true, converted);
        } else {
            // A page that is not on disk did not come back, whatever the server said.
            result.m_nStatus = CHECK_ERROR;
            result.m_strError = error;
        }
    }
    return result;
}

}  // namespace corvane
