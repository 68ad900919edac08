#include "crawl/page_failure.h"

#include <boost/format.hpp>

#include "crawl/downloader_thread.h"
#include "platform/sjis_text.h"

namespace corvane {
namespace {

constinit CSjisText kBadScheme{"http と https 以外の URL は取得しません"};
constinit CSjisText kRefused{"ページとして扱えない URL です"};
constinit CSjisText kTimedOut{"時間内に応答がありませんでした"};
constinit CSjisText kUnknown{"取得できませんでした (状態 %d)"};
constinit CSjisText kAuthHint{" (ユーザー名とパスワードを確認してください)"};
constinit CSjisText kOutOfMemory{"メモリが足りないため、このページを処理できませんでした"};

const char* UsualPhrase(int status) {
    switch (status) {
        case 400:
            return "Bad Request";
        case 401:
            return "Unauthorized";
        case 403:
            return "Forbidden";
        case 404:
            return "Not Found";
        case 405:
            return "Method Not Allowed";
        case 408:
            return "Request Timeout";
        case 410:
            return "Gone";
        case 429:
            return "Too Many Requests";
        case 500:
            return "Internal Server Error";
        case 501:
            return "Not Implemented";
        case 502:
            return "Bad Gateway";
        case 503:
            return "Service Unavailable";
        case 504:
            return "Gateway Timeout";
        default:
            return "";
    }
}

}  // namespace

bool IsFailedPage(const CCheckResult& result) { return result.m_nStatus != CHECK_OK; }

std::string HttpReasonPhrase(const std::string& rawHeaders, int status) {
    // "HTTP/1.1 404 Not Found": the phrase follows the second space. HTTP/2 sends none.
    const std::string line = rawHeaders.substr(0, rawHeaders.find_first_of("\r\n"));
    const std::size_t first = line.find(' ');
    if (line.compare(0, 5, "HTTP/") == 0 && first != std::string::npos) {
        const std::size_t second = line.find(' ', first + 1);
        if (second != std::string::npos) {
            std::string phrase = line.substr(second + 1);
            while (!phrase.empty() && (phrase.back() == ' ' || phrase.back() == '\t')) {
                phrase.pop_back();
            }
            if (!phrase.empty()) return phrase;
        }
    }
    return UsualPhrase(status);
}

std::string PageFailureReason(const CCheckResult& result) {
    if (!IsFailedPage(result)) return std::string();
    // A refusal of our own or a network error says more than the status it left behind.
    if (!result.m_strError.empty()) return result.m_strError;
    if (result.m_nHttpStatus != 0) {
        std::string reason = "HTTP " + std::to_string(result.m_nHttpStatus);
        const std::string phrase = HttpReasonPhrase(result.m_strHeaders, result.m_nHttpStatus);
        if (!phrase.empty()) reason += " " + phrase;
        // The wiki asks for credentials again only when they were missing or wrong.
        if (result.m_nHttpStatus == 401) reason += kAuthHint;
        return reason;
    }
    switch (result.m_nStatus) {
        case CHECK_TIMEOUT:
            return kTimedOut;
        case DOWNLOAD_BADSCHEME:
            return kBadScheme;
        case DOWNLOAD_REFUSED:
            return kRefused;
        default:
            return (boost::format(kUnknown) % result.m_nStatus).str();
    }
}

std::string OutOfMemoryReason() { return kOutOfMemory.str(); }

}  // namespace corvane
