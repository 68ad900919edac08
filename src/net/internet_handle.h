// The handles behind the HTTP wrapper: an Internet session, a connection to one host and
// one request driven step by step over libcurl. Callers see only opaque HINTERNET values;
// a handle table keeps each object alive while any call uses it, so closing a handle from
// another thread makes a blocked call fail at once instead of pulling memory from under it.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace corvane {

class CManualResetEvent;

// Opaque handle value; null means failure.
using HINTERNET = struct InternetHandleOpaque*;

// Timeout option numbers of the session.
enum : int {
    INTERNET_OPTION_CONNECT_TIMEOUT = 2,
    INTERNET_OPTION_SEND_TIMEOUT = 5,
    INTERNET_OPTION_RECEIVE_TIMEOUT = 6,
    INTERNET_OPTION_DATA_SEND_TIMEOUT = 7,
    INTERNET_OPTION_DATA_RECEIVE_TIMEOUT = 8,
};

// Header query levels understood by CRequestHandle::QueryInfo.
enum : int {
    HTTP_QUERY_CONTENT_TYPE = 1,
    HTTP_QUERY_CONTENT_LENGTH = 5,
    HTTP_QUERY_DATE = 9,
    HTTP_QUERY_LAST_MODIFIED = 11,
    HTTP_QUERY_VERSION = 18,
    HTTP_QUERY_STATUS_CODE = 19,
    HTTP_QUERY_STATUS_TEXT = 20,
    HTTP_QUERY_RAW_HEADERS = 21,
    HTTP_QUERY_RAW_HEADERS_CRLF = 22,
    HTTP_QUERY_LOCATION = 33,
    HTTP_QUERY_WWW_AUTHENTICATE = 40,
    // This program's own: the numeric address of the server the answer came from.
    HTTP_QUERY_PEER_ADDRESS = 0x7001,
};

class CInternetHandle {
public:
    explicit CInternetHandle(std::shared_ptr<CInternetHandle> parent = nullptr)
        : m_pParent(std::move(parent)) {}
    virtual ~CInternetHandle() = default;
    CInternetHandle(const CInternetHandle&) = delete;
    CInternetHandle& operator=(const CInternetHandle&) = delete;

    // Marks the handle closed and wakes a call blocked on it; any thread.
    void Close();
    // Closed itself or through a parent.
    bool IsClosed() const;

protected:
    virtual void OnClose() {}
    std::shared_ptr<CInternetHandle> m_pParent;

private:
    std::atomic<bool> m_bClosed{false};
};

// The open connections that the requests of one owner (a protocol object, one crawl worker)
// share: a connection stays open after its response has been read whole, and the next
// request to the same host and port goes out on it instead of connecting anew. The owner's
// requests follow one another, but a closed request may be freed on another thread while
// the next one runs, so every use of the transfer engine takes the cache's lock.
class CConnectionCache {
public:
    CConnectionCache();
    ~CConnectionCache();
    CConnectionCache(const CConnectionCache&) = delete;
    CConnectionCache& operator=(const CConnectionCache&) = delete;

    struct Impl;
    Impl& Get() { return *m_impl; }

private:
    std::unique_ptr<Impl> m_impl;
};

// What the requests of one fetch must hold to, beyond the time-outs.
struct CFetchRules {
    // Address classes (net/address_class.h) that no connection may go to.
    unsigned nRefusedAddresses = 0;
    // HTTPS: the certificate's chain is verified, but not its host name and dates (a
    // project's opt-out for an intranet wiki).
    bool bInsecureTls = false;
    // The moment the fetch must have ended, however steadily the server sends; the
    // clock's epoch for none.
    std::chrono::steady_clock::time_point deadline{};
};

class CSessionHandle : public CInternetHandle {
public:
    // Without a cache the session keeps connections for its own lifetime only.
    CSessionHandle(std::string agent, bool useProxy, std::string proxy,
                   std::shared_ptr<CConnectionCache> cache = nullptr)
        : m_strAgent(std::move(agent)),
          m_bUseProxy(useProxy),
          m_strProxy(std::move(proxy)),
          m_pCache(cache != nullptr ? std::move(cache) : std::make_shared<CConnectionCache>()) {}

    bool SetTimeout(int option, long milliseconds);
    long GetTimeout(int option) const;
    // An event whose signalled state cancels every blocked call of this session.
    void SetCancelEvent(const CManualResetEvent* event) { m_pCancelEvent = event; }
    bool IsCancelled() const;

    const std::string& GetAgent() const { return m_strAgent; }
    bool UsesProxy() const { return m_bUseProxy; }
    const std::string& GetProxy() const { return m_strProxy; }
    const std::shared_ptr<CConnectionCache>& Cache() const { return m_pCache; }
    // Set before the first request of the session.
    void SetRules(const CFetchRules& rules) { m_rules = rules; }
    const CFetchRules& Rules() const { return m_rules; }

private:
    std::string m_strAgent;
    bool m_bUseProxy;
    std::string m_strProxy;
    std::shared_ptr<CConnectionCache> m_pCache;
    std::atomic<long> m_timeouts[5] = {0, 0, 0, 0, 0};  // options 2, 5, 6, 7, 8
    std::atomic<const CManualResetEvent*> m_pCancelEvent{nullptr};
    CFetchRules m_rules;
};

class CConnectionHandle : public CInternetHandle {
public:
    CConnectionHandle(std::shared_ptr<CSessionHandle> session, std::string host, std::uint16_t port,
                      bool secure)
        : CInternetHandle(session),
          m_pSession(std::move(session)),
          m_strHost(std::move(host)),
          m_nPort(port),
          m_bSecure(secure) {}

    CSessionHandle& Session() const { return *m_pSession; }
    const std::string& GetHost() const { return m_strHost; }
    std::uint16_t GetPort() const { return m_nPort; }
    bool IsSecure() const { return m_bSecure; }

private:
    std::shared_ptr<CSessionHandle> m_pSession;
    std::string m_strHost;
    std::uint16_t m_nPort;
    bool m_bSecure;
};

// One HTTP exchange on libcurl's multi interface. Only the thread that sends and reads
// drives the transfer; Close from another thread wakes it.
class CRequestHandle : public CInternetHandle {
public:
    CRequestHandle(std::shared_ptr<CConnectionHandle> connection, std::string verb,
                   std::string objectName);
    ~CRequestHandle() override;

    void SetCredentials(const std::string& user, const std::string& password);
    // Sends the request and waits for the final response's header. False with the thread's
    // last internet error set.
    bool Send(const std::string& extraHeaders, const std::string& optional);
    // One header value (or the raw header) of the final response; `index` picks among
    // repeated fields and is advanced on success.
    bool QueryInfo(int level, std::string& value, int* index) const;
    // Up to `size` body bytes; 0 bytes read with true means the end of the body.
    bool Read(char* buffer, std::size_t size, std::size_t& read);

    struct Impl;

protected:
    void OnClose() override;

private:
    std::shared_ptr<CConnectionHandle> m_pConnection;
    std::string m_strUrl;
    std::unique_ptr<Impl> m_impl;
};

// The handle table.
HINTERNET RegisterInternetHandle(std::shared_ptr<CInternetHandle> handle);
std::shared_ptr<CInternetHandle> LookupInternetHandle(HINTERNET handle);
template <class T>
std::shared_ptr<T> LookupInternetHandleAs(HINTERNET handle) {
    return std::dynamic_pointer_cast<T>(LookupInternetHandle(handle));
}
// Removes the handle from the table and closes it; false for an unknown handle.
bool CloseInternetHandle(HINTERNET handle);

// The address the calling thread's last request refused to connect to (numeric text), with
// INET_ERROR_ADDRESS_REFUSED as its last error; empty before any refusal.
std::string GetLastRefusedAddress();

// Tests only: a PEM file of CA certificates that replaces the system's store for HTTPS.
void SetInternetTestCaFile(const std::string& path);

}  // namespace corvane
