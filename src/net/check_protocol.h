// The protocol interface shared by the protocol objects that fetch URLs and by the crawl
// workers that drive them, so the crawl engine can configure and stop both alike.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "net/check_result.h"

namespace corvane {

class CUrlParts;
class CManualResetEvent;

class CCheckProtocol {
public:
    CCheckProtocol() = default;
    CCheckProtocol(const CCheckProtocol&) = delete;
    CCheckProtocol& operator=(const CCheckProtocol&) = delete;
    // Forgets the listeners without touching them: they are never owned.
    virtual ~CCheckProtocol();

    // Forward to every listener, in the order they were added. `bytes` is the number of
    // body bytes received so far.
    virtual void NotifyBegin(const CUrlParts& url);
    virtual void NotifyProgress(const CUrlParts& url, std::size_t bytes);
    virtual void NotifyEnd(const CUrlParts& url);

    // The fetch itself; nothing here.
    virtual void DoCheck(const CUrlParts& url, int method, CCheckResult& result);

    // Template method: a fresh result, CHECK_BADURL for a URL that did not split, otherwise
    // NotifyBegin, DoCheck, NotifyEnd.
    virtual CCheckResult Check(const CUrlParts& url, int method);
    // Parses the text and calls Check.
    virtual CCheckResult CheckText(const std::string& url, int method);

    virtual bool IsRunning() = 0;
    virtual void Stop() = 0;
    virtual void SetUseProxy(bool useProxy) = 0;
    virtual void SetProxyHost(const std::string& host) = 0;
    virtual void SetProxyPort(int port) = 0;
    virtual void SetUser(const std::string& user) = 0;
    virtual void SetPassword(const std::string& password) = 0;
    virtual void SetTimeout(int milliseconds) = 0;
    virtual void SetAbortEvent(CManualResetEvent* event) = 0;
    virtual void SetUserAgent(const std::string& agent) = 0;

    // Appends a listener (not owned; its owner removes it before destroying it).
    void AddListener(CCheckProtocol* listener);
    void RemoveListener(CCheckProtocol* listener);
    const std::vector<CCheckProtocol*>& GetListeners() const { return m_listeners; }

protected:
    std::vector<CCheckProtocol*> m_listeners;
};

}  // namespace corvane
