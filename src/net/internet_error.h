// Transport errors of the HTTP layer, numbered as WinInet numbers them so that the retry and
// status rules of the protocol objects hold on every platform, plus the per-thread "last
// error" that a failed handle operation leaves behind.
#pragma once

#include <exception>
#include <string>

namespace corvane {

enum : unsigned long {
    INET_ERROR_INVALID_HANDLE = 6,
    INET_ERROR_NOT_ENOUGH_MEMORY = 8,
    INET_ERROR_INVALID_PARAMETER = 87,
    INET_ERROR_TIMEOUT = 12002,
    INET_ERROR_INTERNAL_ERROR = 12004,
    INET_ERROR_INVALID_URL = 12005,
    INET_ERROR_UNRECOGNIZED_SCHEME = 12006,
    INET_ERROR_NAME_NOT_RESOLVED = 12007,
    INET_ERROR_OPERATION_CANCELLED = 12017,
    INET_ERROR_INCORRECT_HANDLE_STATE = 12019,
    INET_ERROR_CANNOT_CONNECT = 12029,
    INET_ERROR_CONNECTION_ABORTED = 12030,
    INET_ERROR_CONNECTION_RESET = 12031,
    INET_ERROR_SEC_CERT_DATE_INVALID = 12037,
    INET_ERROR_SEC_CERT_CN_INVALID = 12038,
    INET_ERROR_INVALID_CA = 12045,
    INET_ERROR_SEC_CERT_ERRORS = 12055,
    INET_ERROR_HTTP_HEADER_NOT_FOUND = 12150,
    INET_ERROR_HTTP_INVALID_SERVER_RESPONSE = 12152,
    INET_ERROR_SECURITY_CHANNEL_ERROR = 12157,
    INET_ERROR_DECODING_FAILED = 12175,
    // Numbers of this program's own: a connection to an address that the fetch must not
    // reach (see CFetchRules).
    INET_ERROR_ADDRESS_REFUSED = 12900,
    // The server's certificate is past its end date, or before its start date.
    INET_ERROR_SEC_CERT_EXPIRED = 12901,
    INET_ERROR_SEC_CERT_NOT_YET_VALID = 12902,
    // The fetch went past its overall deadline (see CFetchRules).
    INET_ERROR_DEADLINE_PASSED = 12903,
};

// The message text for an error number ("The server name or address could not be resolved"
// for 12007), without a trailing line break; a generic text for numbers it does not know.
std::string InternetErrorText(unsigned long code);

// What a page's failure says in the log and in message boxes: for the usual network
// failures (refused, unknown host, time-out, certificate, reset) a Japanese text in
// Shift_JIS followed by the English text above in parentheses, which a search engine
// knows; InternetErrorText alone for the rest.
std::string InternetErrorReason(unsigned long code);

// The last transport error of the calling thread, like the platform's GetLastError.
unsigned long GetLastInternetError();
void SetLastInternetError(unsigned long code);

// The exception the HTTP layer raises for a transport failure.
class CInternetException : public std::exception {
public:
    explicit CInternetException(unsigned long code) : m_dwError(code) {}
    unsigned long GetErrorCode() const { return m_dwError; }
    // The message text for the error number.
    std::string GetErrorMessage() const { return InternetErrorText(m_dwError); }
    const char* what() const noexcept override { return "internet error"; }

private:
    unsigned long m_dwError;
};

}  // namespace corvane
