#include "net/check_protocol.h"

#include <algorithm>

#include "net/url_parts.h"

namespace corvane {

CCheckProtocol::~CCheckProtocol() { m_listeners.clear(); }

void CCheckProtocol::NotifyBegin(const CUrlParts& url) {
    for (CCheckProtocol* listener : m_listeners) listener->NotifyBegin(url);
}

void CCheckProtocol::NotifyProgress(const CUrlParts& url, std::size_t bytes) {
    for (CCheckProtocol* listener : m_listeners) listener->NotifyProgress(url, bytes);
}

void CCheckProtocol::NotifyEnd(const CUrlParts& url) {
    for (CCheckProtocol* listener : m_listeners) listener->NotifyEnd(url);
}

void CCheckProtocol::DoCheck(const CUrlParts&, int, CCheckResult&) {}

CCheckResult CCheckProtocol::Check(const CUrlParts& url, int method) {
    CCheckResult result;
    result.m_nMethod = method;
    if (!url.IsValid()) {
        // Nothing was fetched, so the listeners hear nothing of it.
        result.m_nStatus = CHECK_BADURL;
        return result;
    }
    result.m_strURL = url.GetText();
    NotifyBegin(url);
    DoCheck(url, method, result);
    NotifyEnd(url);
    return result;
}

CCheckResult CCheckProtocol::CheckText(const std::string& url, int method) {
    return Check(CUrlParts(url), method);
}

void CCheckProtocol::AddListener(CCheckProtocol* listener) { m_listeners.push_back(listener); }

void CCheckProtocol::RemoveListener(CCheckProtocol* listener) {
    m_listeners.erase(std::remove(m_listeners.begin(), m_listeners.end(), listener),
                      m_listeners.end());
}

}  // namespace corvane
