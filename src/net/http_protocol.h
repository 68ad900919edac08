// The HTTP protocol object that fetches one URL at a time for a crawl worker: the HTTP
// steps over the wrapper, one repeat with credentials after a 401, and the read policy that
// reports download progress to the listeners.
#pragma once

#include <string>

#include "net/internet_protocol.h"
#include "net/trace_policy.h"

namespace corvane {

class CHTTPProtocol : public CInternetProtocol, public CTracePolicy {
public:
    // A body that matches `m_strPattern` (with `m_strOptions`) ends the download early and
    // keeps what was read; empty means never.
    struct CStopPattern {
        std::string m_strPattern;
        std::string m_strOptions;
        std::string m_strFormat;
    };

    CHTTPProtocol() = default;
    // Takes ownership of `inet`.
    explicit CHTTPProtocol(CWinInetProxy* inet) : CInternetProtocol(inet) {}

    HINTERNET Connect(HINTERNET internet, const CUrlParts& url) override;
    // After the first 401 the request is repeated once with the user name and password,
    // and every later request of this object sends them from the start.
    bool NeedsRetry(CCheckResult& result) override;
    void SendAndReceive(const CUrlParts& url, int method, CCheckResult& result) override;

    int OnData(const CUrlParts& tag, const std::vector<char>& body) override;
    bool IsRunning() override { return CInternetProtocol::IsRunning(); }

    bool SendsCredentials() const { return m_bSendCredentials; }

protected:
    // A user name or a password is set for the current fetch.
    bool HasCredentials() const;

    CStopPattern m_stopPattern;
    bool m_bSendCredentials = false;
    std::string m_strExtraHeaders;
    std::string m_strOptional;
    std::string m_strUnused;
};

}  // namespace corvane
