#include "net/page_fetch.h"

#include "net/http_header.h"

namespace corvane {

CSiteCredentials CSiteCredentials::ForStartPage(const std::string& startUrl,
                                                const std::string& user,
                                                const std::string& password) {
    const CUrlParts url(StripFragment(startUrl));
    // Only a site reached over HTTP is ever asked for them.
    return {url.IsWeb() ? CanonicalizeUrl(url.MakeBaseUrl(), 0) : std::string(), user, password};
}

bool CSiteCredentials::Cover(const std::string& url) const {
    // An empty prefix would hand the credentials to every host.
    return !strPrefix.empty() && url.compare(0, strPrefix.size(), strPrefix) == 0;
}

bool CPageFetch::SendsBodyToSink(int status, const std::string& headers) const {
    // A redirect's or an error's text is never the file.
    if (pSink == nullptr || status < 200 || status > 299) return false;
    if (body == BodyTarget::Sink) return true;
    if (body == BodyTarget::Memory) return false;
    // An attachment served by the wiki script: its path says nothing, its type does.
    const std::string type = ContentTypeOf(headers);
    return !type.empty() && type.rfind("text/html", 0) != 0 &&
           type.rfind("application/xhtml+xml", 0) != 0;
}

}  // namespace corvane
