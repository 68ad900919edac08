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
#include "net/url_parts.h"
#include "platform/sjis_text.h"

namespace corvane {

// The statuses the downloader gives itself (besides those of the fetch).
enum : int {
    DOWNLOAD_REFUSED = 3,    // the filter does not take the page
    DOWNLOAD_BADSCHEME = 4,  // not http, https, file or about, or not a URL at all
};

class COutputStream;

// Also chooses where each response body goes: a file that the filter will not convert is
// written to the output folder as it arrives instead of being kept in memory.
class CDownloaderThread : public CCheckerThread<CWebPage>, public CBodySinkProvider {
public:
    CDownloaderThread();
    ~CDownloaderThread() override;

    // Takes ownership.
    void SetFilter(CHTMLFilter* filter);

    // Goes by the engine's stop event only.
    bool IsRunning() override;
    CCheckerThread<CWebPage>* Clone() override;
    virtual int Fetch(CCheckResult& result);
    virtual int IsStopRequested();
    CCheckResult CheckPage(CWebPage* page) override;
    CBodySink* OpenBodySink(const CUrlParts& url, const CHTTPHeader& header) override;

    void StopProtocol() override { m_protocol.Stop(); }
    void SetUseProxy(bool useProxy) override;
    void SetProxyHost(const std::string& host) override;
    void SetProxyPort(int port) override;
    void SetUser(const std::string& user) override { m_protocol.SetUser(user); }
    void SetPassword(const std::string& password) override { m_protocol.SetPassword(password); }
    void SetTimeout(int milliseconds) override;
    void SetAbortEvent(CManualResetEvent* event) override;
    void SetUserAgent(const std::string& agent) override;
    // HTTPS without the certificate's host name and date checks (the project's opt-out).
    void SetInsecureTls(bool insecure);
    // The longest one page may take in all (0: no limit).
    void SetPageTimeLimit(int milliseconds);

    // The message a page's result carries when its local name would leave the output folder.
    static const CSjisText& kUnsafeNameError;

private:
    CHTTPProtocol m_protocol;
    CUrlParts m_url;
    CManualResetEvent* m_pAbortEvent = nullptr;
    std::unique_ptr<CHTMLFilter> m_pFilter;
    // The current page's file while its body is written straight to it.
    std::unique_ptr<COutputStream> m_pStream;
    // The protocol settings, kept so that a clone gets the same.
    int m_nTimeout = 20000;
    // The environment's proxy unless told otherwise (see net/proxy_setting.h).
    bool m_bUseProxy = true;
    std::string m_strProxyHost;
    int m_nProxyPort = 0;
    std::string m_strUserAgent;
    bool m_bInsecureTls = false;
    int m_nPageTimeLimit = 0;
};

}  // namespace corvane
