#include "net/internet_error.h"

#include "platform/sjis_text.h"

namespace corvane {
namespace {

thread_local unsigned long t_lastError = 0;

constinit CSjisText kCannotConnect{"サーバーに接続できませんでした"};
constinit CSjisText kNameNotResolved{"サーバーが見つかりません (名前を解決できません)"};
constinit CSjisText kTimeout{"時間内に応答がありませんでした"};
constinit CSjisText kConnectionReset{"サーバーとの接続がリセットされました"};
constinit CSjisText kConnectionAborted{"サーバーとの接続が途中で切れました"};
constinit CSjisText kCertDate{"サーバーの証明書が期限切れか、まだ有効ではありません"};
constinit CSjisText kCertName{"サーバーの証明書の名前がホスト名と一致しません"};
constinit CSjisText kCertAuthority{"サーバーの証明書を信頼できません (発行元が不明です)"};
constinit CSjisText kCertErrors{"サーバーの証明書に誤りがあります"};
constinit CSjisText kSecureChannel{"暗号化された接続を確立できませんでした"};
constinit CSjisText kInvalidResponse{"サーバーの応答が正しくありません"};

const CSjisText* JapaneseReason(unsigned long code) {
    switch (code) {
        case INET_ERROR_CANNOT_CONNECT:
            return &kCannotConnect;
        case INET_ERROR_NAME_NOT_RESOLVED:
            return &kNameNotResolved;
        case INET_ERROR_TIMEOUT:
            return &kTimeout;
        case INET_ERROR_CONNECTION_RESET:
            return &kConnectionReset;
        case INET_ERROR_CONNECTION_ABORTED:
            return &kConnectionAborted;
        case INET_ERROR_SEC_CERT_DATE_INVALID:
            return &kCertDate;
        case INET_ERROR_SEC_CERT_CN_INVALID:
            return &kCertName;
        case INET_ERROR_INVALID_CA:
            return &kCertAuthority;
        case INET_ERROR_SEC_CERT_ERRORS:
            return &kCertErrors;
        case INET_ERROR_SECURITY_CHANNEL_ERROR:
            return &kSecureChannel;
        case INET_ERROR_HTTP_INVALID_SERVER_RESPONSE:
            return &kInvalidResponse;
        default:
            return nullptr;
    }
}

}  // namespace

std::string InternetErrorText(unsigned long code) {
    switch (code) {
        case INET_ERROR_INVALID_HANDLE:
            return "The handle is invalid.";
        case INET_ERROR_NOT_ENOUGH_MEMORY:
            return "Not enough memory resources are available.";
        case INET_ERROR_INVALID_PARAMETER:
            return "The parameter is incorrect.";
        case INET_ERROR_TIMEOUT:
            return "The operation timed out";
        case INET_ERROR_INTERNAL_ERROR:
            return "An internal error occurred in the HTTP client";
        case INET_ERROR_INVALID_URL:
            return "The URL is invalid";
        case INET_ERROR_UNRECOGNIZED_SCHEME:
            return "The URL does not use a recognized protocol";
        case INET_ERROR_NAME_NOT_RESOLVED:
            return "The server name or address could not be resolved";
        case INET_ERROR_OPERATION_CANCELLED:
            return "The operation was canceled";
        case INET_ERROR_INCORRECT_HANDLE_STATE:
            return "The requested operation cannot be carried out because the handle supplied "
                   "is not in the correct state";
        case INET_ERROR_CANNOT_CONNECT:
            return "A connection with the server could not be established";
        case INET_ERROR_CONNECTION_ABORTED:
            return "The connection with the server was terminated abnormally";
        case INET_ERROR_CONNECTION_RESET:
            return "The connection with the server was reset";
        case INET_ERROR_SEC_CERT_DATE_INVALID:
            return "The date in the certificate is invalid or has expired";
        case INET_ERROR_SEC_CERT_CN_INVALID:
            return "The host name in the certificate is invalid or does not match";
        case INET_ERROR_INVALID_CA:
            return "The certificate authority is invalid or incorrect";
        case INET_ERROR_SEC_CERT_ERRORS:
            return "The SSL certificate contains errors";
        case INET_ERROR_HTTP_HEADER_NOT_FOUND:
            return "The requested header could not be located";
        case INET_ERROR_HTTP_INVALID_SERVER_RESPONSE:
            return "The server returned an invalid or unrecognized response";
        case INET_ERROR_SECURITY_CHANNEL_ERROR:
            return "An error occurred in the secure channel support";
        case INET_ERROR_DECODING_FAILED:
            return "The content of the response could not be decoded";
        case INET_ERROR_SEC_CERT_EXPIRED:
            return "The certificate has expired";
        case INET_ERROR_SEC_CERT_NOT_YET_VALID:
            return "The certificate is not valid yet";
        case INET_ERROR_DEADLINE_PASSED:
            return "The operation took longer than it may in all";
        case INET_ERROR_ADDRESS_REFUSED:
            return "The address of the server is one that the request may not reach";
        default:
            return "Internet error " + std::to_string(code);
    }
}

std::string InternetErrorReason(unsigned long code) {
    const CSjisText* japanese = JapaneseReason(code);
    if (japanese == nullptr) return InternetErrorText(code);
    return japanese->str() + " (" + InternetErrorText(code) + ")";
}

unsigned long GetLastInternetError() { return t_lastError; }
void SetLastInternetError(unsigned long code) { t_lastError = code; }

}  // namespace corvane
