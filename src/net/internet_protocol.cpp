#include "net/internet_protocol.h"

#include <chrono>
#include <thread>
#include <vector>

#include <boost/format.hpp>

#include "corvane_version.h"
#include "net/address_class.h"
#include "net/url_parts.h"
#include "net/url_primitives.h"
#include "net/win_inet_proxy.h"
#include "platform/ascii.h"
#include "platform/manual_reset_event.h"
#include "platform/sjis_text.h"

namespace corvane {
namespace {

constinit CSjisText kAddressRefused{"%s は%sのアドレスのため接続しません"};
constinit CSjisText kRedirectRefused{"リダイレクト先 %s を拒否しました: %s"};
constinit CSjisText kDeadlinePassed{"ページの取得が制限時間 (%d 秒) を超えたため打ち切りました"};
constinit CSjisText kHostMismatch{"サーバー証明書のホスト名が接続先と一致しません"};
constinit CSjisText kExpired{"サーバー証明書の有効期限が切れています"};
constinit CSjisText kNotYetValid{"サーバー証明書の有効期間がまだ始まっていません"};
constinit CSjisText kUnknownIssuer{
    "サーバー証明書の発行元を確認できません "
    "(自己署名か、このコンピューターが信頼していない認証局)"};
constinit CSjisText kOptOutHint{
    " (社内の Wiki で承知の上なら、プロジェクトの「証明書のホスト名と期限を確認しない」"
    "(InsecureTls) をオンにできます)"};
constinit CSjisText kIssuerHint{
    " ("
    "発行元の証明書をシステムの証明書ストアに入れてください。「証明書のホスト名と期限を確認しない」"
    "(InsecureTls) では省略できません)"};

// The certificate problem in words, and what the user can do about it; empty for any other
// error.
std::string CertificateMessage(unsigned long code) {
    switch (code) {
        case INET_ERROR_SEC_CERT_CN_INVALID:
            return kHostMismatch.str() + kOptOutHint;
        case INET_ERROR_SEC_CERT_EXPIRED:
            return kExpired.str() + kOptOutHint;
        case INET_ERROR_SEC_CERT_NOT_YET_VALID:
            return kNotYetValid.str() + kOptOutHint;
        case INET_ERROR_INVALID_CA:
            return kUnknownIssuer.str() + kIssuerHint;
        default:
            return std::string();
    }
}

}  // namespace

CInternetProtocol::CInternetProtocol() : m_pInet(new CWinInetProxy) {}

CInternetProtocol::CInternetProtocol(CWinInetProxy* inet)
    : m_pInet(inet != nullptr ? inet : new CWinInetProxy) {}

CInternetProtocol::~CInternetProtocol() {
    CloseAll();
    delete m_pInet;
}

void CInternetProtocol::DoCheck(const CUrlParts& url, int method, CCheckResult& result) {
    std::lock_guard<std::recursive_timed_mutex> fetch(m_fetchLock);
    CloseAll();
    int attempt = 0;
    {
        std::lock_guard<std::recursive_timed_mutex> state(m_stateLock);
        m_bRunning = true;
    }
    m_bCredentialsAllowed = CredentialsAllowedFor(url);
    m_rules.bInsecureTls = m_fetch.settings.bInsecureTls;
    for (;;) {
        bool retry = false;
        try {
            if (!IsRunning()) {
                result.m_nStatus = CHECK_ERROR;
                break;
            }
            // Some servers and proxies refuse requests that do not name their program.
            const CFetchSettings& settings = m_fetch.settings;
            HINTERNET internet = m_pInet->OpenInternet(
                settings.nTimeout,
                settings.strUserAgent.empty() ? DefaultUserAgent() : settings.strUserAgent,
                settings.bUseProxy, settings.strProxyHost, settings.nProxyPort);
            m_hInternet = internet;
            if (internet == nullptr) throw CInternetException(GetLastInternetError());
            // The abort event also ends a call that waits on a silent server.
            m_pInet->SetCancelEvent(internet, m_pAbortEvent.load());
            m_pInet->SetFetchRules(internet, m_rules);
            if (!IsRunning()) {
                result.m_nStatus = CHECK_ERROR;
                break;
            }
            HINTERNET connection = Connect(internet, url);
            m_hConnection = connection;
            if (connection == nullptr) throw CInternetException(GetLastInternetError());
            SendAndReceive(url, method, result);
            retry = NeedsRetry(result);
        } catch (const CInternetException& error) {
            retry = ShouldRetryAfterError(error, attempt);
            if (!retry) StoreError(error, result);
        }
        if (!retry) break;
        CloseAll();
        ++attempt;
        PauseBeforeRetry();
    }
    CloseAll();
}

std::string CInternetProtocol::DefaultUserAgent() {
    return std::string("Corvane/") + CORVANE_VERSION_STRING;
}

void CInternetProtocol::PauseBeforeRetry() {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(RETRY_PAUSE_MS);
    // The next round notices a stop at once; waiting the full pause would only delay it.
    while (std::chrono::steady_clock::now() < end && IsRunning()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

bool CInternetProtocol::NeedsRetry(CCheckResult&) { return false; }

bool CInternetProtocol::ShouldRetryAfterError(const CInternetException& error, int attempt) {
    return error.GetErrorCode() == INET_ERROR_NAME_NOT_RESOLVED && attempt < MAX_RETRIES;
}

void CInternetProtocol::StoreError(const CInternetException& error, CCheckResult& result) {
    const unsigned long code = error.GetErrorCode();
    result.m_nStatus = code == INET_ERROR_TIMEOUT || code == INET_ERROR_DEADLINE_PASSED
                           ? CHECK_TIMEOUT
                           : CHECK_ERROR;
    // A detailed text of the error's own (a certificate's problem) stays; the library's
    // bare English text gets its Japanese reading in front.
    std::string message = error.GetErrorMessage();
    if (message == InternetErrorText(code)) message = InternetErrorReason(code);
    if (message.size() >= 2 && message.compare(message.size() - 2, 2, "\r\n") == 0) {
        message.erase(message.size() - 2);
    }
    const std::string certificate = CertificateMessage(error.GetErrorCode());
    if (!certificate.empty()) message = certificate;
    if (code == INET_ERROR_DEADLINE_PASSED) {
        message =
            (boost::format(kDeadlinePassed) % ((m_fetch.settings.nPageTimeLimit + 999) / 1000))
                .str();
    }
    m_bAddressRefused = error.GetErrorCode() == INET_ERROR_ADDRESS_REFUSED;
    if (m_bAddressRefused) {
        const std::string address = GetLastRefusedAddress();
        message =
            (boost::format(kAddressRefused) % address % AddressClassName(ClassifyAddress(address)))
                .str();
    }
    result.m_strError = message;
}

void CInternetProtocol::CloseAll() {
    // Each handle is taken exactly once, whether the fetch or a Stop gets it first.
    m_pInet->CloseHandles({m_hRequest.exchange(nullptr), m_hConnection.exchange(nullptr),
                           m_hInternet.exchange(nullptr)});
}

bool CInternetProtocol::IsRunning() {
    // The state lock is held only for a moment (by Stop or another reader); waiting for it
    // gives the same answer without a spurious "stopped" under contention.
    std::lock_guard<std::recursive_timed_mutex> state(m_stateLock);
    CManualResetEvent* abort = m_pAbortEvent.load();
    return m_bRunning && !(abort != nullptr && abort->Wait(0));
}

void CInternetProtocol::Stop() {
    if (m_fetchLock.try_lock()) {
        // No fetch under way.
        m_fetchLock.unlock();
        return;
    }
    std::lock_guard<std::recursive_timed_mutex> state(m_stateLock);
    m_bRunning = false;
    CloseAll();
}

CInternetProtocol::Origin CInternetProtocol::OriginOf(const CUrlParts& url) {
    return Origin{url.GetSchemeKind(), ToLowerAscii(url.GetHost()), url.GetPort()};
}

bool CInternetProtocol::CredentialsAllowedFor(const CUrlParts& url) const {
    if (!m_credentialOrigin) return true;
    const Origin here = OriginOf(url);
    return here.scheme == m_credentialOrigin->scheme && here.host == m_credentialOrigin->host &&
           here.port == m_credentialOrigin->port;
}

CCheckResult CInternetProtocol::CheckFollowingRedirects(const CUrlParts& url, int method) {
    CUrlParts copy = url;
    std::vector<CCheckResult> results;
    // The user name and password belong to the site of the URL asked for; a redirect
    // elsewhere must not carry them away.
    m_credentialOrigin = OriginOf(url);
    struct ForgetOrigin {
        std::optional<Origin>& origin;
        ~ForgetOrigin() { origin.reset(); }
    } forget{m_credentialOrigin};
    struct ForgetRules {
        CFetchRules& rules;
        ~ForgetRules() {
            rules.nRefusedAddresses = 0;
            rules.deadline = {};
        }
    } forgetRules{m_rules};
    if (const int limit = m_fetch.settings.nPageTimeLimit; limit > 0) {
        m_rules.deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(limit);
    }
    for (;;) {
        m_bAddressRefused = false;
        results.push_back(Check(copy, method));
        const CCheckResult& last = results.back();
        if (results.size() > 1 && m_bAddressRefused) {
            results.back().m_strError =
                (boost::format(kRedirectRefused) % copy.GetText() % last.m_strError).str();
        }
        const int status = last.m_nHttpStatus;
        if (status != 301 && status != 302 && status != 307) break;
        // The wiki may send the crawl on to another of its own addresses, but never from
        // there to this machine, its local link or a cloud's metadata service: what answers
        // there is not the wiki's to publish.
        if (results.size() == 1) {
            m_rules.nRefusedAddresses = RefusedAfterRedirect(ClassifyAddress(last.m_strAddress));
        }
        copy = CUrlParts(last.m_strLocation);
        if (!copy.IsWeb()) break;
        if (!IsRunning()) break;
        if (results.size() >= static_cast<std::size_t>(MAX_REDIRECT_REQUESTS)) break;
    }
    if (results.size() == 1) return std::move(results.front());

    std::string movedTo;
    for (const CCheckResult& r : results) {
        if (r.m_nHttpStatus != 301) break;
        const CUrlParts target(r.m_strLocation);
        if (!target.IsValid()) break;
        movedTo = target.GetText();
    }
    CCheckResult out = std::move(results.back());
    out.m_strMovedTo = movedTo;
    return out;
}

CCheckResult CInternetProtocol::Fetch(CPageFetch fetch) {
    m_fetch = std::move(fetch);
    return CheckFollowingRedirects(m_fetch.url, METHOD_GET);
}

}  // namespace corvane
