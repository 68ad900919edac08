// The HTTP wrapper: each operation is one step of an HTTP exchange (open the session,
// connect, open a request, send it, read the header, read the body in 1,024-byte pieces,
// close handles). The protocol object that uses it owns the handles and decides the order,
// the retries and the abort. Runs on libcurl, keeping the classic WinInet results: every
// request bypasses caches, never follows a redirect by itself, and accepts an HTTPS
// certificate that names another host or is out of date as long as its chain verifies.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "net/body_sink.h"
#include "net/check_result.h"
#include "net/http_header.h"
#include "net/internet_handle.h"
#include "net/trace_policy.h"

namespace corvane {

class CUrlParts;
class CManualResetEvent;

class CWinInetProxy {
public:
    // Size of one ReadChunk (ReadBody reads pieces of the policy's size).
    static constexpr std::size_t CHUNK_SIZE = 1024;
    // Size of one read of a body that goes to a sink.
    static constexpr std::size_t SINK_CHUNK_SIZE = 64 * 1024;

    virtual ~CWinInetProxy() = default;

    // A session whose connect, send and receive time-outs are all `timeout` ms. With
    // `useProxy` every request goes through proxyHost:proxyPort, except local addresses.
    virtual HINTERNET OpenInternet(int timeout, const std::string& userAgent, bool useProxy,
                                   const std::string& proxyHost, int proxyPort);
    // Closes each handle in list order; a call blocked on one of them fails at once.
    virtual void CloseHandles(const std::vector<HINTERNET>& handles);
    virtual HINTERNET ConnectHttp(HINTERNET internet, const CUrlParts& url);
    // Method 3 = HEAD, 4 = GET, 5 = POST.
    virtual HINTERNET OpenRequest(HINTERNET connection, const CUrlParts& url, int method);
    // Sends the request (with the user name and password only when `sendCredentials`) and
    // waits for the response header. Raises CInternetException on failure.
    virtual bool SendRequest(HINTERNET request, bool sendCredentials, const std::string& user,
                             const std::string& password, const std::string& extraHeaders,
                             const std::string& optional);
    // Fills the header's fields from the response; a missing field keeps its value.
    virtual bool QueryHeader(HINTERNET request, CHTTPHeader& header);
    // At most CHUNK_SIZE body bytes; an empty chunk is the end of the body.
    virtual bool ReadChunk(HINTERNET request, std::vector<char>& chunk);
    // The whole body, the policy asked after every piece (of its PieceSize) and once after
    // the end.
    virtual bool ReadBody(HINTERNET request, const CUrlParts& tag, std::vector<char>& body,
                          CTracePolicy& policy);
    // The body into the sink, in larger pieces, the policy asked after each (OnStreamed);
    // `received` counts the bytes written.
    virtual bool ReadBodyToSink(HINTERNET request, const CUrlParts& tag, CBodySink& sink,
                                CTracePolicy& policy, std::uint64_t& received);
    // Header, body (GET only: to the sink the policy opens, else into memory) and status
    // class into `result`.
    virtual bool ReceiveResponse(HINTERNET request, const CUrlParts& url, int method,
                                 CCheckResult& result, CTracePolicy& policy);
    virtual bool QueryInfoString(HINTERNET request, int infoLevel, std::string& text, int* index);
    // FTP is not served: both fail with INET_ERROR_UNRECOGNIZED_SCHEME.
    virtual HINTERNET ConnectFtp(HINTERNET internet, const CUrlParts& url, const std::string& user,
                                 const std::string& password);
    virtual bool QueryFtpFile(HINTERNET connection, const CUrlParts& url, CCheckResult& result);

    // An event that, once set, makes every blocked call of the session fail at once.
    virtual void SetCancelEvent(HINTERNET internet, const CManualResetEvent* event);
    // The rules every request of the session holds to (before its first request).
    virtual void SetFetchRules(HINTERNET internet, const CFetchRules& rules);

    // Tests only: HTTPS chains are verified against this CA file instead of the system's
    // store ("" restores the system's store).
    static void SetTestCaFile(const std::string& path);

private:
    // The sessions of this wrapper share their connections, so a protocol object reuses its
    // connection to a host from one fetch to the next.
    std::shared_ptr<CConnectionCache> m_pConnections = std::make_shared<CConnectionCache>();
};

// The verb of a method code; empty for an unknown code.
std::string VerbOfMethod(int method);

}  // namespace corvane
