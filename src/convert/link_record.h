// One link found in a converted page: what the page now refers to and what the crawl must
// fetch next.
#pragma once

#include <string>

namespace corvane {

struct CLinkRecord {
    // 1 "a" with "href", 3 "img" with "src", 4 "link" with "href".
    int m_nKind = 0;
    // The target's absolute URL ("&amp;" already read as "&").
    std::string m_strUrl;
    // What the page holds in place of the attribute value (the local name, with the
    // link's fragment when it had one).
    std::string m_strReference;
    // The name under which the target is saved in the output folder (never a fragment).
    std::string m_strLocalName;
    // 1 = the crawl fetches the target.
    int m_nFollow = 0;
};

}  // namespace corvane
