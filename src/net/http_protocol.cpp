#include "net/http_protocol.h"

#include "net/http_header.h"
#include "net/url_parts.h"
#include "net/win_inet_proxy.h"
#include "platform/sjis_text.h"

namespace corvane {

const std::string& CHTTPProtocol::TooLargeError() {
    static const CSjisText text{"サイズが上限を超えたため打ち切りました"};
    return text.str();
}

HINTERNET CHTTPProtocol::Connect(HINTERNET internet, const CUrlParts& url) {
    return m_pInet->ConnectHttp(internet, url);
}

bool CHTTPProtocol::HasCredentials() const {
    return !m_fetch.strUser.empty() || !m_fetch.strPassword.empty();
}

bool CHTTPProtocol::NeedsRetry(CCheckResult& result) {
    // A site that must not see the credentials, or a fetch that has none, gets no second
    // try with them.
    if (!m_bSendCredentials && result.m_nHttpStatus == 401 && m_bCredentialsAllowed &&
        HasCredentials()) {
        m_bSendCredentials = true;
        return true;
    }
    return false;
}

void CHTTPProtocol::SendAndReceive(const CUrlParts& url, int method, CCheckResult& result) {
    if (!IsRunning()) {
        result.m_nStatus = CHECK_ERROR;
        return;
    }
    HINTERNET request = m_pInet->OpenRequest(m_hConnection.load(), url, method);
    m_hRequest = request;
    if (request == nullptr) throw CInternetException(GetLastInternetError());
    if (!IsRunning()) {
        result.m_nStatus = CHECK_ERROR;
        return;
    }
    // Once a site asked for them, credentials go with every request, but only to where
    // they belong and only when there are some: an empty pair would still be sent as an
    // Authorization header to a site that never asked.
    m_pInet->SendRequest(request, m_bSendCredentials && m_bCredentialsAllowed && HasCredentials(),
                         m_fetch.strUser, m_fetch.strPassword, "", "");
    // A response that could not be read leaves the result as it was (CHECK_ERROR).
    m_bTooLarge = false;
    SetLastInternetError(0);
    const bool received = m_pInet->ReceiveResponse(request, url, method, result, *this);
    if (m_bTooLarge) {
        result.m_nStatus = CHECK_ERROR;
        result.m_strError = TooLargeError();
    } else if (!received) {
        // A body cut off by the network or the deadline: the reason goes with the result.
        const unsigned long code = GetLastInternetError();
        if (code != 0 && code != INET_ERROR_OPERATION_CANCELLED) {
            StoreError(CInternetException(code), result);
        }
    }
}

int CHTTPProtocol::OnData(const CUrlParts& tag, const std::vector<char>& body) {
    if (!IsRunning()) return READ_ABORT;
    if (const std::uint64_t limit = m_fetch.settings.nMemoryLimit;
        limit > 0 && body.size() > limit) {
        m_bTooLarge = true;
        return READ_ABORT;
    }
    NotifyProgress(tag, body.size());
    return READ_CONTINUE;
}

CBodySink* CHTTPProtocol::OpenBodySink(const CUrlParts&, const CHTTPHeader& header) {
    return m_fetch.SendsBodyToSink(header.GetStatusCode(), header.GetRawHeaders()) ? m_fetch.pSink
                                                                                   : nullptr;
}

int CHTTPProtocol::OnStreamed(const CUrlParts& tag, std::uint64_t received) {
    if (!IsRunning()) return READ_ABORT;
    if (const std::uint64_t limit = m_fetch.settings.nSinkLimit; limit > 0 && received > limit) {
        m_bTooLarge = true;
        return READ_ABORT;
    }
    NotifyProgress(tag, static_cast<std::size_t>(received));
    return READ_CONTINUE;
}

}  // namespace corvane
