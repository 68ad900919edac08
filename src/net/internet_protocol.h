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
    void SetUseProxy(bool useProxy) override { m_bUseProxy = useProxy; }
    void SetProxyHost(const std::string& host) override { m_strProxyHost = host; }
    void SetProxyPort(int port) override { m_nProxyPort = port; }
    void SetUser(const std::string& user) override { m_strUser = user; }
    void SetPassword(const std::string& password) override { m_strPassword = password; }
    void SetTimeout(int milliseconds) override { m_nTimeout = milliseconds; }
    void SetAbortEvent(CManualResetEvent* event) override { m_pAbortEvent = event; }
    // Empty: the program's own, "Corvane/" and its version.
    void SetUserAgent(const std::string& agent) override { m_strUserAgent = agent; }
    // HTTPS without the host name and date checks (the chain is still verified).
    void SetInsecureTls(bool insecure) { m_rules.bInsecureTls = insecure; }
    bool GetInsecureTls() const { return m_rules.bInsecureTls; }
    // The longest CheckFollowingRedirects may take in all, redirects included (0: no limit).
    void SetPageTimeLimit(int milliseconds) { m_nPageTimeLimit = milliseconds; }
    int GetPageTimeLimit() const { return m_nPageTimeLimit; }
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
    // The environment's proxy unless told otherwise (see net/proxy_setting.h).
    bool m_bUseProxy = true;
    std::string m_strProxyHost;
    int m_nProxyPort = 0;
    std::string m_strUserAgent;
    std::string m_strUser;
    std::string m_strPassword;
    int m_nTimeout = 20000;
    CWinInetProxy* m_pInet;

    // Credentials may go with the current request.
    bool m_bCredentialsAllowed = true;
    // What the requests of the current fetch hold to (the address classes a redirect may
    // not reach are set hop by hop).
    CFetchRules m_rules;
    // The last error stored was a refused address.
    bool m_bAddressRefused = false;
    int m_nPageTimeLimit = 0;

private:
    struct Origin {
        int scheme;
        std::string host;
        std::uint32_t port;
    };
    static Origin OriginOf(const CUrlParts& url);
    std::optional<Origin> m_credentialOrigin;

    // Waits RETRY_PAUSE_MS, less when the fetch is stopped meanwhile.
    void PauseBeforeRetry();
};

}  // namespace corvane
