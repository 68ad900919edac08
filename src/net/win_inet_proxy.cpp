#include "net/win_inet_proxy.h"

#include <algorithm>
#include <cstdlib>

#include "net/date_time.h"
#include "net/internet_error.h"
#include "net/url_parts.h"
#include "net/url_primitives.h"

namespace corvane {

std::string VerbOfMethod(int method) {
    switch (method) {
        case METHOD_HEAD:
            return "HEAD";
        case METHOD_GET:
            return "GET";
        case METHOD_POST:
            return "POST";
        default:
            return "";
    }
}

HINTERNET CWinInetProxy::OpenInternet(int timeout, const std::string& userAgent, bool useProxy,
                                      const std::string& proxyHost, int proxyPort) {
    // A proxy flag without a host leaves the choice to the environment.
    const std::string proxy =
        useProxy && !proxyHost.empty() ? proxyHost + ":" + std::to_string(proxyPort) : "";
    HINTERNET internet = RegisterInternetHandle(
        std::make_shared<CSessionHandle>(userAgent, useProxy, proxy, m_pConnections));
    if (auto session = LookupInternetHandleAs<CSessionHandle>(internet)) {
        for (int option : {INTERNET_OPTION_CONNECT_TIMEOUT, INTERNET_OPTION_RECEIVE_TIMEOUT,
                           INTERNET_OPTION_SEND_TIMEOUT, INTERNET_OPTION_DATA_SEND_TIMEOUT,
                           INTERNET_OPTION_DATA_RECEIVE_TIMEOUT}) {
            session->SetTimeout(option, timeout);
        }
    }
    return internet;
}

void CWinInetProxy::CloseHandles(const std::vector<HINTERNET>& handles) {
    for (HINTERNET handle : handles) {
        if (handle != nullptr) CloseInternetHandle(handle);
    }
}

HINTERNET CWinInetProxy::ConnectHttp(HINTERNET internet, const CUrlParts& url) {
    auto session = LookupInternetHandleAs<CSessionHandle>(internet);
    if (session == nullptr || session->IsClosed()) {
        SetLastInternetError(INET_ERROR_INVALID_HANDLE);
        return nullptr;
    }
    const bool secure = url.GetSchemeKind() == UrlScheme::Https;
    return RegisterInternetHandle(std::make_shared<CConnectionHandle>(
        session, url.GetHost(), static_cast<std::uint16_t>(url.GetPort()), secure));
}

HINTERNET CWinInetProxy::OpenRequest(HINTERNET connection, const CUrlParts& url, int method) {
    auto conn = LookupInternetHandleAs<CConnectionHandle>(connection);
    if (conn == nullptr || conn->IsClosed()) {
        SetLastInternetError(INET_ERROR_INVALID_HANDLE);
        return nullptr;
    }
    return RegisterInternetHandle(
        std::make_shared<CRequestHandle>(conn, VerbOfMethod(method), url.GetObjectName()));
}

bool CWinInetProxy::SendRequest(HINTERNET request, bool sendCredentials, const std::string& user,
                                const std::string& password, const std::string& extraHeaders,
                                const std::string& optional) {
    auto req = LookupInternetHandleAs<CRequestHandle>(request);
    if (req == nullptr) throw CInternetException(INET_ERROR_INVALID_HANDLE);
    if (sendCredentials) req->SetCredentials(user, password);
    if (!req->Send(extraHeaders, optional)) throw CInternetException(GetLastInternetError());
    return true;
}

bool CWinInetProxy::QueryInfoString(HINTERNET request, int infoLevel, std::string& text,
                                    int* index) {
    text.clear();
    auto req = LookupInternetHandleAs<CRequestHandle>(request);
    if (req == nullptr) {
        SetLastInternetError(INET_ERROR_INVALID_HANDLE);
        return false;
    }
    return req->QueryInfo(infoLevel, text, index);
}

bool CWinInetProxy::QueryHeader(HINTERNET request, CHTTPHeader& header) {
    std::string text;
    if (QueryInfoString(request, HTTP_QUERY_RAW_HEADERS_CRLF, text, nullptr)) {
        header.SetRawHeaders(text);
    }
    if (QueryInfoString(request, HTTP_QUERY_STATUS_CODE, text, nullptr)) {
        header.SetStatusCode(std::atoi(text.c_str()));
    }
    if (QueryInfoString(request, HTTP_QUERY_CONTENT_LENGTH, text, nullptr)) {
        header.SetContentLength(std::atoi(text.c_str()));
    }
    if (QueryInfoString(request, HTTP_QUERY_LOCATION, text, nullptr)) {
        header.SetLocation(text);
    }
    if (QueryInfoString(request, HTTP_QUERY_LAST_MODIFIED, text, nullptr)) {
        std::int64_t when = 0;
        if (ParseDateTime(text, when)) {
            header.SetLastModified(static_cast<std::int32_t>(static_cast<std::uint32_t>(when)));
        }
    }
    return true;
}

bool CWinInetProxy::ReadChunk(HINTERNET request, std::vector<char>& chunk) {
    chunk.clear();
    auto req = LookupInternetHandleAs<CRequestHandle>(request);
    if (req == nullptr) {
        SetLastInternetError(INET_ERROR_INVALID_HANDLE);
        return false;
    }
    char buffer[CHUNK_SIZE];
    std::size_t read = 0;
    if (!req->Read(buffer, sizeof buffer, read)) return false;
    chunk.assign(buffer, buffer + read);
    return true;
}

bool CWinInetProxy::ReadBody(HINTERNET request, const CUrlParts& tag, std::vector<char>& body,
                             CTracePolicy& policy) {
    body.clear();
    auto req = LookupInternetHandleAs<CRequestHandle>(request);
    if (req == nullptr) {
        SetLastInternetError(INET_ERROR_INVALID_HANDLE);
        return false;
    }
    // Each piece is read straight onto the end of the body.
    const std::size_t piece = std::max<std::size_t>(policy.PieceSize(), 1);
    for (;;) {
        const std::size_t size = body.size();
        body.resize(size + piece);
        std::size_t read = 0;
        const bool ok = req->Read(body.data() + size, piece, read);
        body.resize(size + read);
        if (!ok) return false;
        const int answer = policy.OnData(tag, body);
        if (answer == CTracePolicy::READ_STOP) return true;
        if (answer == CTracePolicy::READ_ABORT) return false;
        if (read == 0) return true;
    }
}

bool CWinInetProxy::ReadBodyToSink(HINTERNET request, const CUrlParts& tag, CBodySink& sink,
                                   CTracePolicy& policy, std::uint64_t& received) {
    received = 0;
    auto req = LookupInternetHandleAs<CRequestHandle>(request);
    if (req == nullptr) {
        SetLastInternetError(INET_ERROR_INVALID_HANDLE);
        return false;
    }
    std::vector<char> buffer(SINK_CHUNK_SIZE);
    for (;;) {
        std::size_t read = 0;
        if (!req->Read(buffer.data(), buffer.size(), read)) return false;
        if (read > 0 && !sink.Write(buffer.data(), read)) return false;
        received += read;
        const int answer = policy.OnStreamed(tag, received);
        if (answer == CTracePolicy::READ_STOP) return true;
        if (answer == CTracePolicy::READ_ABORT) return false;
        if (read == 0) return true;
    }
}

bool CWinInetProxy::ReceiveResponse(HINTERNET request, const CUrlParts& url, int method,
                                    CCheckResult& result, CTracePolicy& policy) {
    if (!policy.IsRunning()) return false;
    CHTTPHeader header;
    header.SetContentLength(-1);
    QueryHeader(request, header);
    if (!policy.IsRunning()) return false;

    std::vector<char> body;
    std::uint64_t streamed = 0;
    CBodySink* sink = nullptr;
    if (method == METHOD_GET) {
        sink = policy.OpenBodySink(url, header);
        const bool read = sink != nullptr ? ReadBodyToSink(request, url, *sink, policy, streamed)
                                          : ReadBody(request, url, body, policy);
        if (!read) return false;
    }

    const int status = header.GetStatusCode();
    int outcome = CHECK_ERROR;
    if ((status >= 200 && status <= 299) || status == 304) {
        outcome = CHECK_OK;
    } else if (status == 408) {
        outcome = CHECK_TIMEOUT;
    }
    if (header.GetContentLength() < 0) {
        header.SetContentLength(
            static_cast<std::int32_t>(sink != nullptr ? streamed : body.size()));
    }
    result.m_strHeaders = header.GetRawHeaders();
    result.m_nStatus = outcome;
    result.m_nHttpStatus = status;
    result.m_tLastModified = header.GetLastModified();
    result.m_nContentLength = header.GetContentLength();
    result.m_strLocation = header.GetLocation();
    result.m_body = std::move(body);
    QueryInfoString(request, HTTP_QUERY_PEER_ADDRESS, result.m_strAddress, nullptr);
    return true;
}

HINTERNET CWinInetProxy::ConnectFtp(HINTERNET, const CUrlParts&, const std::string&,
                                    const std::string&) {
    SetLastInternetError(INET_ERROR_UNRECOGNIZED_SCHEME);
    return nullptr;
}

bool CWinInetProxy::QueryFtpFile(HINTERNET, const CUrlParts&, CCheckResult&) {
    SetLastInternetError(INET_ERROR_UNRECOGNIZED_SCHEME);
    return false;
}

void CWinInetProxy::SetCancelEvent(HINTERNET internet, const CManualResetEvent* event) {
    if (auto session = LookupInternetHandleAs<CSessionHandle>(internet)) {
        session->SetCancelEvent(event);
    }
}

void CWinInetProxy::SetFetchRules(HINTERNET internet, const CFetchRules& rules) {
    if (auto session = LookupInternetHandleAs<CSessionHandle>(internet)) session->SetRules(rules);
}

void CWinInetProxy::SetTestCaFile(const std::string& path) { SetInternetTestCaFile(path); }

}  // namespace corvane
