// The downloader's worker: for each page it decides whether the URL can be fetched, lets
// the page filter accept it and name its file, fetches it over HTTP with the site's
// credentials, lets the filter convert it and report its links, adds each new link as a
// page, and writes the result into the output folder.
#pragma once

#include <memory>
#include <string>

#include "convert/html_filter.h"
#include "crawl/checker_thread.h"
#include "crawl/downloader_config.h"
#include "crawl/web_page.h"
#include "net/http_protocol.h"
#include "net/page_fetch.h"
#include "platform/sjis_text.h"

namespace corvane {

// The statuses the downloader gives itself (besides those of the fetch).
enum : int {
    DOWNLOAD_REFUSED = 3,    // the filter does not take the page
    DOWNLOAD_BADSCHEME = 4,  // not http, https, file or about, or not a URL at all
};

class CDownloaderThread : public CCheckerThread<CWebPage> {
public:
    CDownloaderThread();
    ~CDownloaderThread() override;

    // Takes ownership.
    void SetFilter(CHTMLFilter* filter);

    // Goes by the engine's stop event only.
    bool IsRunning() override;
    CCheckerThread<CWebPage>* Clone() override;
    // One page's fetch, made by the protocol from the value alone.
    virtual bool Fetch(const CPageFetch& fetch, CCheckResult& result);
    virtual bool IsStopRequested();
    CCheckResult CheckPage(CWebPage* page) override;

    // The settings every fetch of this worker is made with; its clones get the same.
    void SetFetchSettings(const CFetchSettings& settings) { m_settings = settings; }
    // The run's credentials, worked out once from the start page; clones get the same.
    void SetSiteCredentials(const CSiteCredentials& site) { m_site = site; }

    void StopProtocol() override { m_protocol.Stop(); }
    // The protocol side's setters change this worker's fetch settings and credentials.
    void SetUseProxy(bool useProxy) override { m_settings.bUseProxy = useProxy; }
    void SetProxyHost(const std::string& host) override { m_settings.strProxyHost = host; }
    void SetProxyPort(int port) override { m_settings.nProxyPort = port; }
    void SetUser(const std::string& user) override { m_site.strUser = user; }
    void SetPassword(const std::string& password) override { m_site.strPassword = password; }
    void SetTimeout(int milliseconds) override { m_settings.nTimeout = milliseconds; }
    void SetAbortEvent(CManualResetEvent* event) override;
    void SetUserAgent(const std::string& agent) override { m_settings.strUserAgent = agent; }

    // The message a page's result carries when its local name would leave the output folder.
    static const CSjisText& kUnsafeNameError;

private:
    CHTTPProtocol m_protocol;
    CManualResetEvent* m_pAbortEvent = nullptr;
    std::unique_ptr<CHTMLFilter> m_pFilter;
    CFetchSettings m_settings;
    CSiteCredentials m_site;
};

}  // namespace corvane
