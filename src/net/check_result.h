// The outcome of fetching one URL, passed from the network layer through the crawl to the
// listeners: status class, HTTP status, headers, body and the crawl's page count.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace corvane {

// Outcome classes held in CCheckResult::m_nStatus.
enum : int {
    CHECK_OK = 0,       // HTTP 2xx or 304, or content taken from elsewhere
    CHECK_ERROR = 1,    // any other HTTP status, a transport error or an abort
    CHECK_TIMEOUT = 2,  // HTTP 408 or a transport time-out
    CHECK_BADURL = 3,   // the URL did not split into parts
};

// Request method codes.
enum : int {
    METHOD_HEAD = 3,
    METHOD_GET = 4,
    METHOD_POST = 5,
};

// A plain value: copied whole, body bytes included.
class CCheckResult {
public:
    std::string m_strURL;      // the URL as the caller gave it
    std::string m_strMovedTo;  // end of a leading run of permanent redirects
    int m_nMethod = 0;
    int m_nStatus = CHECK_ERROR;
    std::int32_t m_tLastModified = 0;  // seconds since 1970-01-01 UTC, low 32 bits
    std::int32_t m_nContentLength = 0;
    std::string m_strError;  // message text of a transport error
    int m_nHttpStatus = 0;
    std::string m_strLocation;
    std::string m_strHeaders;  // raw response header, CR LF lines
    std::vector<char> m_body;
    std::string m_strAddress;  // numeric address of the server that answered
    int m_nPageCount = 0;      // set by the crawl engine on its copy for the listeners
};

}  // namespace corvane
