// Helpers shared by the network tests: a listener that records what a protocol reports,
// a wrapper that counts its calls, a recording read policy.
#pragma once

#include <atomic>
#include <chrono>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <httplib.h>

#include "net/check_protocol.h"
#include "net/trace_policy.h"
#include "net/win_inet_proxy.h"

namespace corvane::test {

// A protocol whose settings and stop do nothing, for tests about other operations.
class CProtocolBase : public CCheckProtocol {
public:
    bool IsRunning() override { return true; }
    void Stop() override {}
    void SetUseProxy(bool) override {}
    void SetProxyHost(const std::string&) override {}
    void SetProxyPort(int) override {}
    void SetUser(const std::string&) override {}
    void SetPassword(const std::string&) override {}
    void SetTimeout(int) override {}
    void SetAbortEvent(CManualResetEvent*) override {}
    void SetUserAgent(const std::string&) override {}
};

// Records the notifications of the protocol it listens to.
class RecordingListener : public CProtocolBase {
public:
    std::atomic<int> m_nBegins{0};
    std::atomic<int> m_nEnds{0};
    std::atomic<int> m_nProgress{0};
    std::atomic<std::size_t> m_nLastBytes{0};

    void NotifyBegin(const CUrlParts&) override { ++m_nBegins; }
    void NotifyProgress(const CUrlParts&, std::size_t bytes) override {
        ++m_nProgress;
        m_nLastBytes = bytes;
    }
    void NotifyEnd(const CUrlParts&) override { ++m_nEnds; }
};

// A wrapper that counts the sessions opened, i.e. the attempts of a fetch.
class CountingProxy : public CWinInetProxy {
public:
    std::atomic<int>* m_pOpens;
    explicit CountingProxy(std::atomic<int>* opens) : m_pOpens(opens) {}
    HINTERNET OpenInternet(int timeout, const std::string& agent, bool useProxy,
                           const std::string& host, int port) override {
        ++*m_pOpens;
        return CWinInetProxy::OpenInternet(timeout, agent, useProxy, host, port);
    }
};

// A read policy that records the body size at every call and answers as told.
class RecordingPolicy : public CTracePolicy {
public:
    std::vector<std::size_t> m_sizes;
    int m_nAnswer = READ_CONTINUE;
    bool m_bRunning = true;
    int OnData(const CUrlParts&, const std::vector<char>& body) override {
        m_sizes.push_back(body.size());
        return m_nAnswer;
    }
    bool IsRunning() override { return m_bRunning; }
};

// Waits (bounded) until `condition` holds.
template <class Condition>
bool WaitUntil(Condition condition, std::chrono::milliseconds limit = std::chrono::seconds(5)) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > end) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

}  // namespace corvane::test
