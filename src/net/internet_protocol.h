// The fetch loop shared by the protocol objects: settings, the three handles, the locks,
// the retries of an unresolved host and the stop from another thread, over the HTTP
// wrapper. The protocol steps themselves (connect, send and receive) are the subclass's.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>

#include "net/check_protocol.h"
#include "net/internet_error.h"
#include "net/internet_handle.h"
#include "net/page_fetch.h"

namespace corvane {

class CWinInetProxy;

class CInternetProtocol : public CCheckProtocol {
public:
    // Pause between two attempts to reach a host whose name did not resolve.
    static constexpr int RETRY_PAUSE_MS = 1000;
    // Attempts after the first one for an unresolved host name.
    static constexpr int MAX_RETRIES = 5;
    // Requests made for one page at most while following redirects.
    static constexpr int MAX_REDIRECT_REQUESTS = 10;

    CInternetProtocol();
    // Takes ownership of `inet` (a substitute wrapper, for instance one that counts calls).
    explicit CInternetProtocol(CWinInetProxy* inet);
    ~CInternetProtocol() override;

    void DoCheck(const CUrlParts& url, int method, CCheckResult& result) override;
    bool IsRunning() override;
    void Stop() override;
    // The settings of the checks to come; a page fetch brings its own (Fetch).
    void SetUseProxy(bool useProxy) override { m_fetch.settings.bUseProxy = useProxy; }
    void SetProxyHost(const std::string& host) override { m_fetch.settings.strProxyHost = host; }
    void SetProxyPort(int port) override { m_fetch.settings.nProxyPort = port; }
    void SetUser(const std::string& user) override { m_fetch.strUser = user; }
    void SetPassword(const std::string& password) override { m_fetch.strPassword = password; }
    void SetTimeout(int milliseconds) override { m_fetch.settings.nTimeout = milliseconds; }
    void SetAbortEvent(CManualResetEvent* event) override { m_pAbortEvent = event; }
    // Empty: the program's own, "Corvane/" and its version.
    void SetUserAgent(const std::string& agent) override { m_fetch.settings.strUserAgent = agent; }
    void SetInsecureTls(bool insecure) { m_fetch.settings.bInsecureTls = insecure; }
    void SetPageTimeLimit(int milliseconds) { m_fetch.settings.nPageTimeLimit = milliseconds; }
    static std::string DefaultUserAgent();

    virtual HINTERNET Connect(HINTERNET internet, const CUrlParts& url) = 0;
    // Whether the attempt just made is to be repeated (false here).
    virtual bool NeedsRetry(CCheckResult& result);
    virtual bool ShouldRetryAfterError(const CInternetException& error, int attempt);
    virtual void StoreError(const CInternetException& error, CCheckResult& result);
    virtual void SendAndReceive(const CUrlParts& url, int method, CCheckResult& result) = 0;
    virtual void CloseAll();

    // Checks the URL and follows 301, 302 and 307 answers whose Location is an absolute
    // http or https URL, at most MAX_REDIRECT_REQUESTS requests in all. Returns the last
    // result; its m_strMovedTo names where a leading run of 301 answers ended.
    CCheckResult CheckFollowingRedirects(const CUrlParts& url, int method);
    // One page: a GET of the fetch's URL, redirects followed, with its credentials,
    // settings and body target alone.
    CCheckResult Fetch(CPageFetch fetch);

protected:
    // Whether the user name and password may go with a request for `url`: always, except
    // while redirects are followed to a scheme, host or port other than the first URL's.
    bool CredentialsAllowedFor(const CUrlParts& url) const;

    std::atomic<HINTERNET> m_hInternet{nullptr};
    std::atomic<HINTERNET> m_hConnection{nullptr};
    std::atomic<HINTERNET> m_hRequest{nullptr};
    std::recursive_timed_mutex m_stateLock;
    std::recursive_timed_mutex m_fetchLock;
    std::atomic<CManualResetEvent*> m_pAbortEvent{nullptr};
    std::atomic<bool> m_bRunning{false};
    // The fetch being made, or the settings of the next check.
    CPageFetch m_fetch;
    CWinInetProxy* m_pInet;

    // Credentials may go with the current request.
    bool m_bCredentialsAllowed = true;
    // What the requests of the current fetch hold to (the address classes a redirect may
    // not reach are set hop by hop).
    CFetchRules m_rules;
    // The last error stored was a refused address.
    bool m_bAddressRefused = false;

private:
    struct Origin {
        UrlScheme scheme;
        std::string host;
        std::uint32_t port;
    };
    static Origin OriginOf(const CUrlParts& url);
    std::optional<Origin> m_credentialOrigin;

    // Waits RETRY_PAUSE_MS, less when the fetch is stopped meanwhile.
    void PauseBeforeRetry();
};

}  // namespace corvane
