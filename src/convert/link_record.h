// One link found in a converted page: what the page now refers to and what the crawl must
// fetch next.
#pragma once

#include <string>

namespace corvane {

// The element a link was found in. The numbers are those the page list has always carried.
enum class LinkKind {
    None = 0,        // the start page: found in no element
    Anchor = 1,      // "a" with "href": a page, or a file the wiki serves
    Image = 3,       // "img" with "src"
    StyleSheet = 4,  // "link" with "href"
    KnownHtml = 7,   // no element gives it: a target the caller knows to be a page
};

struct CLinkRecord {
    LinkKind m_kind = LinkKind::None;
    // The target's absolute URL ("&amp;" already read as "&").
    std::string m_strUrl;
    // What the page holds in place of the attribute value (the local name, with the
    // link's fragment when it had one).
    std::string m_strReference;
    // The name under which the target is saved in the output folder (never a fragment).
    std::string m_strLocalName;
    // Whether the crawl fetches the target.
    bool m_bFollow = false;
};

}  // namespace corvane
