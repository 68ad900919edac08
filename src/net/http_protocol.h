// The HTTP protocol object that fetches one URL at a time for a crawl worker: the HTTP
// steps over the wrapper, one repeat with credentials after a 401, and the read policy that
// reports download progress to the listeners.
#pragma once

#include <cstdint>
#include <string>

#include "net/internet_protocol.h"
#include "net/trace_policy.h"

namespace corvane {

class CHTTPProtocol : public CInternetProtocol, public CTracePolicy {
public:
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
    std::size_t PieceSize() const override { return LARGE_PIECE_SIZE; }
    // A whole wiki page of common size in one read.
    static constexpr std::size_t LARGE_PIECE_SIZE = 16 * 1024;
    // The fetch's sink when its body target takes this answer.
    CBodySink* OpenBodySink(const CUrlParts& tag, const CHTTPHeader& header) override;
    int OnStreamed(const CUrlParts& tag, std::uint64_t received) override;

    bool SendsCredentials() const { return m_bSendCredentials; }

    // The most bytes a body may have in memory and in a sink; 0 means no limit. A longer
    // body is cut off: the fetch fails with TooLargeError.
    void SetBodyLimits(std::uint64_t inMemory, std::uint64_t inSink) {
        m_fetch.settings.nMemoryLimit = inMemory;
        m_fetch.settings.nSinkLimit = inSink;
    }

    // The error text of a response cut off at a limit.
    static const std::string& TooLargeError();

protected:
    // A user name or a password is set for the current fetch.
    bool HasCredentials() const;

    bool m_bSendCredentials = false;

private:
    bool m_bTooLarge = false;  // the response being read went over its limit
};

}  // namespace corvane
