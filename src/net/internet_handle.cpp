#include "net/internet_handle.h"

#include <arpa/inet.h>
#include <curl/curl.h>
#include <netinet/in.h>
#include <openssl/ssl.h>
#include <openssl/x509_vfy.h>
#include <sys/socket.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <map>
#include <mutex>
#include <unordered_map>

#include "net/address_class.h"
#include "net/internet_error.h"
#include "net/proxy_setting.h"
#include "platform/ascii.h"
#include "platform/manual_reset_event.h"

namespace corvane {
namespace {

using Clock = std::chrono::steady_clock;

// ---------------------------------------------------------------------------------------
// Handle table

std::mutex g_tableMutex;
std::unordered_map<std::uintptr_t, std::shared_ptr<CInternetHandle>> g_table;
// Values are never reused, so a stale handle can never reach a newer object.
std::uintptr_t g_nextHandle = 0x10;

thread_local std::string t_lastRefusedAddress;

std::mutex g_settingsMutex;
std::string g_testCaFile;
// The authentication scheme each server asked for last ("https://host:port" → CURLAUTH_*),
// so that a later request sends Basic credentials at once instead of probing first.
std::map<std::string, unsigned long> g_authSchemes;

void GlobalInit() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

std::string Trim(std::string_view text) { return std::string(TrimAscii(text)); }

// Bytes that may not stand in a request line are sent percent-encoded (the parsed URL
// keeps its path decoded, and Shift_JIS page names hold bytes from 0x80 up).
std::string EncodeForRequestLine(const std::string& text) {
    std::string out;
    for (unsigned char c : text) {
        if (c <= 0x20 || c >= 0x7F || c == '"' || c == '<' || c == '>' || c == '\\' || c == '^' ||
            c == '`' || c == '{' || c == '|' || c == '}') {
            AppendPercentEscape(out, c);
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

int TimeoutSlot(int option) {
    switch (option) {
        case INTERNET_OPTION_CONNECT_TIMEOUT:
            return 0;
        case INTERNET_OPTION_SEND_TIMEOUT:
            return 1;
        case INTERNET_OPTION_RECEIVE_TIMEOUT:
            return 2;
        case INTERNET_OPTION_DATA_SEND_TIMEOUT:
            return 3;
        case INTERNET_OPTION_DATA_RECEIVE_TIMEOUT:
            return 4;
        default:
            return -1;
    }
}

// With the project's opt-out, certificates are checked against their chain only: a
// certificate outside its dates is accepted like one that names another host.
CURLcode AcceptAnyCertificateDate(CURL*, void* sslContext, void*) {
    X509_VERIFY_PARAM* param = SSL_CTX_get0_param(static_cast<SSL_CTX*>(sslContext));
    if (param != nullptr) X509_VERIFY_PARAM_set_flags(param, X509_V_FLAG_NO_CHECK_TIME);
    return CURLE_OK;
}

unsigned long CertificateError(long verifyResult) {
    switch (verifyResult) {
        case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT:
        case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT_LOCALLY:
        case X509_V_ERR_UNABLE_TO_VERIFY_LEAF_SIGNATURE:
        case X509_V_ERR_DEPTH_ZERO_SELF_SIGNED_CERT:
        case X509_V_ERR_SELF_SIGNED_CERT_IN_CHAIN:
        case X509_V_ERR_CERT_UNTRUSTED:
        case X509_V_ERR_INVALID_CA:
            return INET_ERROR_INVALID_CA;
        case X509_V_ERR_CERT_HAS_EXPIRED:
            return INET_ERROR_SEC_CERT_EXPIRED;
        case X509_V_ERR_CERT_NOT_YET_VALID:
            return INET_ERROR_SEC_CERT_NOT_YET_VALID;
        case X509_V_OK:
        case X509_V_ERR_UNSPECIFIED:
            // The chain held: libcurl's own host name check failed.
            return INET_ERROR_SEC_CERT_CN_INVALID;
        case X509_V_ERR_HOSTNAME_MISMATCH:
            return INET_ERROR_SEC_CERT_CN_INVALID;
        default:
            return INET_ERROR_SEC_CERT_ERRORS;
    }
}

// The nearest WinInet number for a libcurl failure.
unsigned long MapCurlError(CURLcode code, long osErrno, long verifyResult) {
    switch (code) {
        case CURLE_OK:
            return 0;
        case CURLE_COULDNT_RESOLVE_HOST:
        case CURLE_COULDNT_RESOLVE_PROXY:
            return INET_ERROR_NAME_NOT_RESOLVED;
        case CURLE_OPERATION_TIMEDOUT:
            return INET_ERROR_TIMEOUT;
        case CURLE_COULDNT_CONNECT:
            return INET_ERROR_CANNOT_CONNECT;
        case CURLE_URL_MALFORMAT:
            return INET_ERROR_INVALID_URL;
        case CURLE_UNSUPPORTED_PROTOCOL:
            return INET_ERROR_UNRECOGNIZED_SCHEME;
        case CURLE_OUT_OF_MEMORY:
            return INET_ERROR_NOT_ENOUGH_MEMORY;
        case CURLE_ABORTED_BY_CALLBACK:
            return INET_ERROR_OPERATION_CANCELLED;
        case CURLE_PEER_FAILED_VERIFICATION:
            return CertificateError(verifyResult);
        case CURLE_SSL_CONNECT_ERROR:
        case CURLE_SSL_CERTPROBLEM:
        case CURLE_SSL_CIPHER:
        case CURLE_SSL_CACERT_BADFILE:
        case CURLE_SSL_ENGINE_NOTFOUND:
        case CURLE_SSL_ENGINE_SETFAILED:
        case CURLE_SSL_SHUTDOWN_FAILED:
        case CURLE_USE_SSL_FAILED:
            return INET_ERROR_SECURITY_CHANNEL_ERROR;
        case CURLE_BAD_CONTENT_ENCODING:
            return INET_ERROR_DECODING_FAILED;
        case CURLE_WEIRD_SERVER_REPLY:
        case CURLE_GOT_NOTHING:
        case CURLE_HTTP2:
        case CURLE_HTTP2_STREAM:
            return INET_ERROR_HTTP_INVALID_SERVER_RESPONSE;
        case CURLE_SEND_ERROR:
        case CURLE_RECV_ERROR:
        case CURLE_PARTIAL_FILE:
            return osErrno == ECONNRESET ? INET_ERROR_CONNECTION_RESET
                                         : INET_ERROR_CONNECTION_ABORTED;
        default:
            return INET_ERROR_INTERNAL_ERROR;
    }
}

}  // namespace

// ---------------------------------------------------------------------------------------
// Connection cache

// libcurl keeps the connections of finished transfers in the multi handle they ran on.
struct CConnectionCache::Impl {
    std::mutex mutex;
    CURLM* multi = nullptr;
};

CConnectionCache::CConnectionCache() : m_impl(std::make_unique<Impl>()) {
    GlobalInit();
    m_impl->multi = curl_multi_init();
}

CConnectionCache::~CConnectionCache() {
    if (m_impl->multi != nullptr) curl_multi_cleanup(m_impl->multi);
}

// ---------------------------------------------------------------------------------------
// Base, session, connection

void CInternetHandle::Close() {
    if (!m_bClosed.exchange(true)) OnClose();
}

bool CInternetHandle::IsClosed() const {
    return m_bClosed.load() || (m_pParent != nullptr && m_pParent->IsClosed());
}

bool CSessionHandle::SetTimeout(int option, long milliseconds) {
    const int slot = TimeoutSlot(option);
    if (slot < 0) return false;
    m_timeouts[slot] = milliseconds;
    return true;
}

long CSessionHandle::GetTimeout(int option) const {
    const int slot = TimeoutSlot(option);
    return slot < 0 ? 0 : m_timeouts[slot].load();
}

bool CSessionHandle::IsCancelled() const {
    const CManualResetEvent* event = m_pCancelEvent.load();
    return IsClosed() || (event != nullptr && event->IsSet());
}

// ---------------------------------------------------------------------------------------
// Request

struct CRequestHandle::Impl {
    CRequestHandle* owner = nullptr;
    CURL* easy = nullptr;
    std::shared_ptr<CConnectionCache> cache;  // the multi handle and its lock
    CURLM* multi = nullptr;
    curl_slist* headerList = nullptr;
    std::string verb;
    std::string optional;
    std::string user, password;
    bool credentials = false;
    char errorBuffer[CURL_ERROR_SIZE] = {};

    bool sent = false;
    bool added = false;
    bool done = false;  // the transfer ended (well or not)
    CURLcode result = CURLE_OK;
    unsigned long failure = 0;  // a failure that ends the request for good
    bool headersDone = false;   // the final response's header is complete
    Clock::time_point lastActivity;

    // Header of the response being received: status line and fields without line ends.
    std::vector<std::string> headerLines;
    int status = 0;

    std::string body;  // received body bytes not read yet, from bodyOffset on
    std::size_t bodyOffset = 0;
    bool paused = false;  // the write callback asked libcurl to hold the body back
    // The driving thread waits in curl_multi_poll: only then does a Close need to wake it.
    std::atomic<bool> polling{false};

    unsigned refusedAddresses = 0;  // address classes this request may not connect to

    // The connection's address is checked before anything is sent on it: false (with the
    // failure set) when its class is refused.
    bool AllowAddress(const sockaddr* address) {
        if ((ClassifyAddress(address) & refusedAddresses) == 0) return true;
        char text[INET6_ADDRSTRLEN] = "";
        if (address->sa_family == AF_INET) {
            inet_ntop(AF_INET, &reinterpret_cast<const sockaddr_in*>(address)->sin_addr, text,
                      sizeof text);
        } else if (address->sa_family == AF_INET6) {
            inet_ntop(AF_INET6, &reinterpret_cast<const sockaddr_in6*>(address)->sin6_addr, text,
                      sizeof text);
        }
        t_lastRefusedAddress = text;
        failure = INET_ERROR_ADDRESS_REFUSED;
        return false;
    }

    std::string AuthKey() const {
        const CConnectionHandle& c = *owner->m_pConnection;
        return std::string(c.IsSecure() ? "https://" : "http://") + ToLowerAscii(c.GetHost()) +
               ":" + std::to_string(c.GetPort());
    }

    void OnHeaderLine(std::string line) {
        lastActivity = Clock::now();
        while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
        if (StartsWithNoCaseAscii(line, "http/")) {
            // A new response begins (after an interim 1xx or an authentication round).
            headerLines.clear();
            headersDone = false;
            body.clear();
            bodyOffset = 0;
            const std::size_t sp = line.find(' ');
            status = sp == std::string::npos ? 0 : std::atoi(line.c_str() + sp + 1);
            headerLines.push_back(line);
            return;
        }
        if (!line.empty()) {
            if ((line[0] == ' ' || line[0] == '\t') && headerLines.size() > 1) {
                headerLines.back() += ' ' + Trim(line);  // folded continuation line
            } else {
                headerLines.push_back(line);
            }
            return;
        }
        // End of a header block.
        if (status >= 100 && status < 200) return;
        if (status == 401) RememberAuthScheme();
        // libcurl answers a 401 itself when it holds credentials and the scheme allows
        // another round; wait for the body or the next response to know.
        if (status == 401 && credentials) return;
        headersDone = true;
    }

    void RememberAuthScheme() {
        unsigned long scheme = 0;
        for (std::size_t i = 1; i < headerLines.size(); ++i) {
            if (!StartsWithNoCaseAscii(headerLines[i], "www-authenticate:")) continue;
            const std::string value = ToLowerAscii(Trim(headerLines[i].substr(17)));
            if (value.rfind("digest", 0) == 0) scheme |= CURLAUTH_DIGEST;
            if (value.rfind("basic", 0) == 0) scheme |= CURLAUTH_BASIC;
        }
        if (scheme == 0) return;
        // Digest where offered: it never sends the password itself.
        if (scheme & CURLAUTH_DIGEST) scheme = CURLAUTH_DIGEST;
        std::lock_guard<std::mutex> lock(g_settingsMutex);
        g_authSchemes[AuthKey()] = scheme;
    }

    // Bytes received but not read yet at most; beyond that the transfer pauses until the
    // reader catches up, so a fast server cannot fill the memory with a large body.
    static constexpr std::size_t MAX_BUFFERED = 256 * 1024;

    // The write callback's answer: the bytes taken, or CURL_WRITEFUNC_PAUSE.
    std::size_t OnBody(const char* data, std::size_t size) {
        lastActivity = Clock::now();
        headersDone = true;
        if (bodyOffset > 0 && (bodyOffset == body.size() || bodyOffset >= MAX_BUFFERED)) {
            body.erase(0, bodyOffset);
            bodyOffset = 0;
        }
        if (body.size() - bodyOffset >= MAX_BUFFERED) {
            paused = true;
            return CURL_WRITEFUNC_PAUSE;
        }
        body.append(data, size);
        return size;
    }

    // After a read: lets a paused transfer go on once there is room again.
    void ResumeIfRoom() {
        if (!paused || body.size() - bodyOffset >= MAX_BUFFERED) return;
        paused = false;
        std::lock_guard<std::mutex> lock(cache->Get().mutex);
        curl_easy_pause(easy, CURLPAUSE_CONT);
    }

    // Under the cache's lock. Messages of other (closed) requests on the same multi handle
    // are of no interest.
    void CollectDone() {
        int left = 0;
        while (CURLMsg* msg = curl_multi_info_read(multi, &left)) {
            if (msg->msg != CURLMSG_DONE || msg->easy_handle != easy) continue;
            done = true;
            headersDone = true;
            result = msg->data.result;
            if (result != CURLE_OK && failure == 0) {
                long osErrno = 0, verify = 0;
                curl_easy_getinfo(easy, CURLINFO_OS_ERRNO, &osErrno);
                curl_easy_getinfo(easy, CURLINFO_SSL_VERIFYRESULT, &verify);
                failure = MapCurlError(result, osErrno, verify);
            }
        }
    }

    // Runs the transfer until `ready` holds or it ends. False with the last error set when
    // the request failed, timed out or was closed or cancelled.
    template <class Ready>
    bool Drive(Ready ready) {
        const CSessionHandle& session = owner->m_pConnection->Session();
        const long timeoutMs = session.GetTimeout(INTERNET_OPTION_RECEIVE_TIMEOUT);
        const Clock::time_point deadline = session.Rules().deadline;
        for (;;) {
            if (owner->IsClosed() || session.IsCancelled()) {
                failure = INET_ERROR_OPERATION_CANCELLED;
            }
            if (failure != 0) {
                SetLastInternetError(failure);
                return false;
            }
            if (ready() || done) return true;

            {
                std::lock_guard<std::mutex> lock(cache->Get().mutex);
                int running = 0;
                if (curl_multi_perform(multi, &running) != CURLM_OK) {
                    failure = INET_ERROR_INTERNAL_ERROR;
                    continue;
                }
                CollectDone();
            }
            if (ready() || done) continue;

            // One time-out for connecting, sending and receiving: the longest wait for the
            // next sign of life from the server.
            int waitMs = 100;
            if (deadline != Clock::time_point{}) {
                // Idle time alone would let a server that sends a byte now and then hold
                // the fetch for ever.
                const Clock::time_point now = Clock::now();
                if (now >= deadline) {
                    failure = INET_ERROR_DEADLINE_PASSED;
                    continue;
                }
                const auto left =
                    std::chrono::duration_cast<std::chrono::milliseconds>(deadline - now).count();
                waitMs = static_cast<int>(std::min<long long>(waitMs, left + 1));
            }
            if (timeoutMs > 0) {
                const auto idle = std::chrono::duration_cast<std::chrono::milliseconds>(
                                      Clock::now() - lastActivity)
                                      .count();
                if (idle >= timeoutMs) {
                    failure = INET_ERROR_TIMEOUT;
                    continue;
                }
                waitMs = static_cast<int>(std::min<long long>(waitMs, timeoutMs - idle));
            }
            // Announced before the last look at Close, which looks at this after marking
            // the handle closed: one of the two sees the other.
            polling = true;
            if (owner->IsClosed() || session.IsCancelled()) {
                polling = false;
                continue;
            }
            {
                std::lock_guard<std::mutex> lock(cache->Get().mutex);
                curl_multi_poll(multi, nullptr, 0, waitMs, nullptr);
            }
            polling = false;
        }
    }
};

namespace {

size_t HeaderCallback(char* data, size_t size, size_t count, void* user) {
    static_cast<CRequestHandle::Impl*>(user)->OnHeaderLine(std::string(data, size * count));
    return size * count;
}

size_t WriteCallback(char* data, size_t size, size_t count, void* user) {
    return static_cast<CRequestHandle::Impl*>(user)->OnBody(data, size * count);
}

// Every new connection, to each address a host name resolves to, is looked at before it
// is made: a redirect cannot lead to a refused place under a harmless-looking name.
curl_socket_t OpenSocketCallback(void* user, curlsocktype, curl_sockaddr* address) {
    auto* d = static_cast<CRequestHandle::Impl*>(user);
    if (!d->AllowAddress(&address->addr)) return CURL_SOCKET_BAD;
    return socket(address->family, address->socktype, address->protocol);
}

}  // namespace

CRequestHandle::CRequestHandle(std::shared_ptr<CConnectionHandle> connection, std::string verb,
                               std::string objectName)
    : CInternetHandle(connection),
      m_pConnection(std::move(connection)),
      m_impl(std::make_unique<Impl>()) {
    GlobalInit();
    m_impl->owner = this;
    m_impl->verb = std::move(verb);
    std::string host = m_pConnection->GetHost();
    // An IPv6 literal goes into the URL in brackets, once (a cracked URL keeps its own).
    if (host.find(':') != std::string::npos && host.front() != '[') host = "[" + host + "]";
    if (objectName.empty() || objectName[0] != '/') objectName.insert(0, "/");
    // A fragment never goes to the server.
    const std::size_t hash = objectName.find('#');
    if (hash != std::string::npos) objectName.erase(hash);
    m_strUrl = std::string(m_pConnection->IsSecure() ? "https://" : "http://") + host + ":" +
               std::to_string(m_pConnection->GetPort()) + EncodeForRequestLine(objectName);
    m_impl->easy = curl_easy_init();
    m_impl->cache = m_pConnection->Session().Cache();
    m_impl->multi = m_impl->cache->Get().multi;
}

CRequestHandle::~CRequestHandle() {
    if (m_impl->added) {
        // A finished transfer has left its connection in the cache already; an unfinished
        // one closes it here.
        std::lock_guard<std::mutex> lock(m_impl->cache->Get().mutex);
        curl_multi_remove_handle(m_impl->multi, m_impl->easy);
    }
    if (m_impl->easy != nullptr) curl_easy_cleanup(m_impl->easy);
    curl_slist_free_all(m_impl->headerList);
}

void CRequestHandle::OnClose() {
    // A request closed by its own thread after its response (the usual end) wakes nobody:
    // a wake-up would only cut short the next request's first wait on the same engine.
    if (m_impl->multi != nullptr && m_impl->polling) curl_multi_wakeup(m_impl->multi);
}

void CRequestHandle::SetCredentials(const std::string& user, const std::string& password) {
    m_impl->user = user;
    m_impl->password = password;
    m_impl->credentials = true;
}

bool CRequestHandle::Send(const std::string& extraHeaders, const std::string& optional) {
    Impl& d = *m_impl;
    if (d.easy == nullptr || d.multi == nullptr) {
        SetLastInternetError(INET_ERROR_NOT_ENOUGH_MEMORY);
        return false;
    }
    if (d.sent) {
        SetLastInternetError(INET_ERROR_INCORRECT_HANDLE_STATE);
        return false;
    }
    d.sent = true;
    const CSessionHandle& session = m_pConnection->Session();
    CURL* e = d.easy;

    curl_easy_setopt(e, CURLOPT_URL, m_strUrl.c_str());
    curl_easy_setopt(e, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(e, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(e, CURLOPT_ERRORBUFFER, d.errorBuffer);
    curl_easy_setopt(e, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1));
    // Redirects are the caller's business.
    curl_easy_setopt(e, CURLOPT_FOLLOWLOCATION, 0L);
    curl_easy_setopt(e, CURLOPT_SUPPRESS_CONNECT_HEADERS, 1L);
    const long connectTimeout = session.GetTimeout(INTERNET_OPTION_CONNECT_TIMEOUT);
    if (connectTimeout > 0) curl_easy_setopt(e, CURLOPT_CONNECTTIMEOUT_MS, connectTimeout);
    if (!session.UsesProxy()) {
        // Direct access: no proxy from the environment either.
        curl_easy_setopt(e, CURLOPT_PROXY, "");
    } else if (session.GetProxy().empty()) {
        // The environment's proxy: libcurl reads http_proxy and https_proxy itself; the
        // bypass list adds the loopback host to no_proxy.
        const std::string noProxy = EnvironmentNoProxy();
        curl_easy_setopt(e, CURLOPT_NOPROXY, noProxy.c_str());
    } else {
        curl_easy_setopt(e, CURLOPT_PROXY, session.GetProxy().c_str());
        curl_easy_setopt(e, CURLOPT_NOPROXY, "localhost,127.0.0.1,::1");
    }
    if (!session.GetAgent().empty()) {
        curl_easy_setopt(e, CURLOPT_USERAGENT, session.GetAgent().c_str());
    }

    // No cache anywhere on the way: the answer must come from the server itself.
    d.headerList = curl_slist_append(d.headerList, "Accept: */*");
    d.headerList = curl_slist_append(d.headerList, "Cache-Control: no-cache");
    d.headerList = curl_slist_append(d.headerList, "Pragma: no-cache");
    std::size_t start = 0;
    while (start < extraHeaders.size()) {
        std::size_t end = extraHeaders.find('\n', start);
        if (end == std::string::npos) end = extraHeaders.size();
        const std::string line = Trim(extraHeaders.substr(start, end - start));
        if (!line.empty()) d.headerList = curl_slist_append(d.headerList, line.c_str());
        start = end + 1;
    }
    curl_easy_setopt(e, CURLOPT_HTTPHEADER, d.headerList);
    // Pages come compressed (a third of the bytes over a slow line) and are decoded as they
    // arrive, so the size limits count the decoded bytes. A body in an encoding that
    // libcurl cannot decode fails; it is never kept as it came.
    curl_easy_setopt(e, CURLOPT_ACCEPT_ENCODING, "gzip, deflate");

    curl_easy_setopt(e, CURLOPT_HEADERFUNCTION, HeaderCallback);
    curl_easy_setopt(e, CURLOPT_HEADERDATA, &d);
    curl_easy_setopt(e, CURLOPT_WRITEFUNCTION, WriteCallback);
    curl_easy_setopt(e, CURLOPT_WRITEDATA, &d);
    d.refusedAddresses = session.Rules().nRefusedAddresses;
    if (d.refusedAddresses != 0) {
        curl_easy_setopt(e, CURLOPT_OPENSOCKETFUNCTION, OpenSocketCallback);
        curl_easy_setopt(e, CURLOPT_OPENSOCKETDATA, &d);
    }

    if (d.verb == "HEAD") {
        curl_easy_setopt(e, CURLOPT_NOBODY, 1L);
    } else if (d.verb == "POST") {
        d.optional = optional;
        curl_easy_setopt(e, CURLOPT_POST, 1L);
        curl_easy_setopt(e, CURLOPT_POSTFIELDSIZE, static_cast<long>(d.optional.size()));
        curl_easy_setopt(e, CURLOPT_POSTFIELDS, d.optional.c_str());
    } else {
        curl_easy_setopt(e, CURLOPT_HTTPGET, 1L);
    }

    if (m_pConnection->IsSecure()) {
        // The chain, the host name and the dates are verified, unless the project opted out
        // of the last two.
        curl_easy_setopt(e, CURLOPT_SSL_VERIFYPEER, 1L);
        if (session.Rules().bInsecureTls) {
            curl_easy_setopt(e, CURLOPT_SSL_VERIFYHOST, 0L);
            curl_easy_setopt(e, CURLOPT_SSL_CTX_FUNCTION, AcceptAnyCertificateDate);
        } else {
            curl_easy_setopt(e, CURLOPT_SSL_VERIFYHOST, 2L);
        }
        std::lock_guard<std::mutex> lock(g_settingsMutex);
        if (!g_testCaFile.empty()) curl_easy_setopt(e, CURLOPT_CAINFO, g_testCaFile.c_str());
    }

    if (d.credentials) {
        curl_easy_setopt(e, CURLOPT_USERNAME, d.user.c_str());
        curl_easy_setopt(e, CURLOPT_PASSWORD, d.password.c_str());
        unsigned long scheme = CURLAUTH_BASIC | CURLAUTH_DIGEST;  // unknown: ask the server
        {
            std::lock_guard<std::mutex> lock(g_settingsMutex);
            auto it = g_authSchemes.find(d.AuthKey());
            if (it != g_authSchemes.end()) scheme = it->second;
        }
        curl_easy_setopt(e, CURLOPT_HTTPAUTH, scheme);
    }

    {
        std::lock_guard<std::mutex> lock(d.cache->Get().mutex);
        if (curl_multi_add_handle(d.multi, e) != CURLM_OK) {
            SetLastInternetError(INET_ERROR_INTERNAL_ERROR);
            return false;
        }
    }
    d.added = true;
    d.lastActivity = Clock::now();
    if (!d.Drive([&d] { return d.headersDone; })) return false;
    if (d.refusedAddresses != 0) {
        // A kept-alive connection was not opened for this request: its address is checked
        // here, before any of the answer is taken.
        char* ip = nullptr;
        long port = 0;
        curl_easy_getinfo(e, CURLINFO_PRIMARY_IP, &ip);
        curl_easy_getinfo(e, CURLINFO_PRIMARY_PORT, &port);
        if (ip != nullptr && *ip != '\0' &&
            (ClassifyAddress(std::string(ip)) & d.refusedAddresses) != 0) {
            t_lastRefusedAddress = ip;
            d.failure = INET_ERROR_ADDRESS_REFUSED;
            SetLastInternetError(d.failure);
            return false;
        }
    }
    return true;
}

bool CRequestHandle::QueryInfo(int level, std::string& value, int* index) const {
    const Impl& d = *m_impl;
    value.clear();
    if (!d.headersDone || d.headerLines.empty()) {
        SetLastInternetError(INET_ERROR_INCORRECT_HANDLE_STATE);
        return false;
    }
    const std::string& statusLine = d.headerLines[0];
    const std::size_t sp1 = statusLine.find(' ');
    const std::size_t sp2 = sp1 == std::string::npos ? sp1 : statusLine.find(' ', sp1 + 1);
    const char* name = nullptr;
    switch (level) {
        case HTTP_QUERY_RAW_HEADERS_CRLF:
        case HTTP_QUERY_RAW_HEADERS: {
            // CR LF after every line and an empty line at the end, or NUL separators.
            const std::string end =
                level == HTTP_QUERY_RAW_HEADERS_CRLF ? std::string("\r\n") : std::string(1, '\0');
            for (const std::string& line : d.headerLines) value += line + end;
            value += end;
            return true;
        }
        case HTTP_QUERY_VERSION:
            value = statusLine.substr(0, sp1);
            return true;
        case HTTP_QUERY_PEER_ADDRESS: {
            char* ip = nullptr;
            curl_easy_getinfo(d.easy, CURLINFO_PRIMARY_IP, &ip);
            if (ip != nullptr) value = ip;
            return true;
        }
        case HTTP_QUERY_STATUS_CODE:
            value = sp1 == std::string::npos ? "" : statusLine.substr(sp1 + 1, sp2 - sp1 - 1);
            return true;
        case HTTP_QUERY_STATUS_TEXT:
            value = sp2 == std::string::npos ? "" : statusLine.substr(sp2 + 1);
            return true;
        case HTTP_QUERY_CONTENT_TYPE:
            name = "content-type:";
            break;
        case HTTP_QUERY_CONTENT_LENGTH:
            name = "content-length:";
            break;
        case HTTP_QUERY_DATE:
            name = "date:";
            break;
        case HTTP_QUERY_LAST_MODIFIED:
            name = "last-modified:";
            break;
        case HTTP_QUERY_LOCATION:
            name = "location:";
            break;
        case HTTP_QUERY_WWW_AUTHENTICATE:
            name = "www-authenticate:";
            break;
        default:
            SetLastInternetError(INET_ERROR_INVALID_PARAMETER);
            return false;
    }
    int wanted = index != nullptr ? *index : 0;
    for (std::size_t i = 1; i < d.headerLines.size(); ++i) {
        if (!StartsWithNoCaseAscii(d.headerLines[i], name)) continue;
        if (wanted-- > 0) continue;
        value = Trim(d.headerLines[i].substr(std::strlen(name)));
        if (index != nullptr) ++*index;
        return true;
    }
    SetLastInternetError(INET_ERROR_HTTP_HEADER_NOT_FOUND);
    return false;
}

bool CRequestHandle::Read(char* buffer, std::size_t size, std::size_t& read) {
    Impl& d = *m_impl;
    read = 0;
    if (!d.sent) {
        SetLastInternetError(INET_ERROR_INCORRECT_HANDLE_STATE);
        return false;
    }
    // Like a blocking read of the platform: the piece is filled unless the body ends first.
    // Bytes already received are handed out even when the transfer failed after them.
    const bool ok =
        d.Drive([&d, size] { return d.paused || d.body.size() - d.bodyOffset >= size; });
    if (d.bodyOffset < d.body.size()) {
        read = std::min(size, d.body.size() - d.bodyOffset);
        std::memcpy(buffer, d.body.data() + d.bodyOffset, read);
        d.bodyOffset += read;
        d.ResumeIfRoom();
        return true;
    }
    if (!ok) return false;
    if (d.result != CURLE_OK) {
        SetLastInternetError(d.failure);
        return false;
    }
    return true;  // end of the body
}

// ---------------------------------------------------------------------------------------
// Table

HINTERNET RegisterInternetHandle(std::shared_ptr<CInternetHandle> handle) {
    std::lock_guard<std::mutex> lock(g_tableMutex);
    const std::uintptr_t value = g_nextHandle;
    g_nextHandle += 4;
    g_table.emplace(value, std::move(handle));
    return reinterpret_cast<HINTERNET>(value);
}

std::shared_ptr<CInternetHandle> LookupInternetHandle(HINTERNET handle) {
    std::lock_guard<std::mutex> lock(g_tableMutex);
    auto it = g_table.find(reinterpret_cast<std::uintptr_t>(handle));
    return it == g_table.end() ? nullptr : it->second;
}

bool CloseInternetHandle(HINTERNET handle) {
    std::shared_ptr<CInternetHandle> object;
    {
        std::lock_guard<std::mutex> lock(g_tableMutex);
        auto it = g_table.find(reinterpret_cast<std::uintptr_t>(handle));
        if (it == g_table.end()) return false;
        object = std::move(it->second);
        g_table.erase(it);
    }
    // The object lives on while a call still uses it; that call now fails at once.
    object->Close();
    return true;
}

std::string GetLastRefusedAddress() { return t_lastRefusedAddress; }

void SetInternetTestCaFile(const std::string& path) {
    std::lock_guard<std::mutex> lock(g_settingsMutex);
    g_testCaFile = path;
}

}  // namespace corvane
