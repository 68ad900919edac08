// An HTTP or HTTPS server on 127.0.0.1 with an ephemeral port, run on its own thread for
// the length of a test. The test registers its handlers, calls Start, and talks to Url().
#pragma once

#include <httplib.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "support/test_certificates.h"

namespace corvane::test {

class LoopbackServer {
public:
    // One request as it reached the server, before routing.
    struct Record {
        std::string method;
        std::string target;  // path and query exactly as sent
        httplib::Headers headers;
        int remotePort = 0;                        // the client's end of the connection it came on
        std::chrono::steady_clock::time_point at;  // when it arrived
        std::string Header(const std::string& name) const;
    };

    LoopbackServer();                                        // plain HTTP
    explicit LoopbackServer(const ServerCertificate& cert);  // HTTPS
    ~LoopbackServer();
    LoopbackServer(const LoopbackServer&) = delete;
    LoopbackServer& operator=(const LoopbackServer&) = delete;

    // Register handlers here before Start (cpp-httplib's routes are not thread-safe).
    httplib::Server& Server() { return *m_server; }
    LoopbackServer& Get(const std::string& pattern, httplib::Server::Handler handler);

    // Binds 127.0.0.1 on a free port and serves on a thread of its own.
    void Start();
    // The same on another loopback address ("::1"); false when it cannot be bound.
    bool TryStart(const std::string& address);
    // Wakes handlers blocked in Sleep, stops serving and joins; also done by the destructor.
    void Stop();

    int Port() const { return m_nPort; }
    bool IsHttps() const { return m_bHttps; }
    // "http://127.0.0.1:PORT" + pathAndQuery (https for an HTTPS server; "[::1]" for a
    // server on ::1); `host` replaces the address, e.g. "localhost".
    std::string Url(const std::string& pathAndQuery = "/", const std::string& host = "") const;

    // For handlers that stall: waits up to `milliseconds`; false as soon as Stop begins.
    bool Sleep(int milliseconds);
    bool IsStopping() const;

    // Every request received so far, in order of arrival.
    std::vector<Record> Requests() const;
    std::size_t RequestCount() const;
    // Connections the requests so far came on (told apart by the client's port, which
    // stays taken while a connection lives).
    std::size_t ConnectionCount() const;
    void ClearRequests();

private:
    void Init();

    std::unique_ptr<httplib::Server> m_server;
    bool m_bHttps = false;
    int m_nPort = 0;
    std::string m_strUrlHost = "127.0.0.1";
    std::thread m_thread;
    std::atomic<bool> m_bListenEnded{false};
    mutable std::mutex m_mutex;
    std::condition_variable m_stopping;
    bool m_bStopping = false;
    std::vector<Record> m_requests;
};

}  // namespace corvane::test
