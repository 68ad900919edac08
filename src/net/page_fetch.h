// One page fetch as a value: the parsed URL, the credentials, the run's settings and where
// the body goes. The crawl worker builds it once per page and hands it down by value; the
// protocol object makes the fetch from it alone and gives one result back.
#pragma once

#include <cstdint>
#include <string>

#include "net/url_parts.h"

namespace corvane {

class CBodySink;

// What every fetch of a run shares.
struct CFetchSettings {
    int nTimeout = 20000;      // ms for each connect, send and receive
    std::string strUserAgent;  // empty: the program's own
    bool bUseProxy = true;     // the environment's proxy unless told otherwise
    std::string strProxyHost;  // with bUseProxy: this proxy instead of the environment's
    int nProxyPort = 0;
    bool bInsecureTls = false;  // HTTPS without the certificate's host name and date checks
    int nPageTimeLimit = 0;     // ms for the page in all, redirects included; 0: no limit
    // The largest body kept in memory (a page to convert) and written to a sink (a file saved
    // as it comes); a larger one is cut off and fails. 0: no limit.
    std::uint64_t nMemoryLimit = std::uint64_t{64} << 20;
    std::uint64_t nSinkLimit = std::uint64_t{2} << 30;
};

// The start page's credentials, which hold for the URLs under its folder only.
struct CSiteCredentials {
    std::string strPrefix;  // the start page's folder URL, canonical
    std::string strUser;
    std::string strPassword;

    // The credentials of a run from `startUrl`: they hold under its folder.
    static CSiteCredentials ForStartPage(const std::string& startUrl, const std::string& user,
                                         const std::string& password);
    // Whether `url` begins with the prefix (byte for byte); an empty prefix names no site.
    bool Cover(const std::string& url) const;
};

// Where the body of a 2xx answer goes, decided from the page before it is fetched.
enum class BodyTarget {
    Memory,            // kept for the conversion
    Sink,              // a style sheet or image: written as it comes
    SinkUnlessMarkup,  // written as it comes when the answer declares a type that is not HTML
};

struct CPageFetch {
    CUrlParts url;
    std::string strUser;
    std::string strPassword;
    CFetchSettings settings;
    BodyTarget body = BodyTarget::Memory;
    CBodySink* pSink = nullptr;  // not owned; null keeps every body in memory

    // Whether an answer with this status and raw header goes to the sink.
    bool SendsBodyToSink(int status, const std::string& headers) const;
};

}  // namespace corvane
