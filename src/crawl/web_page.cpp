#include "crawl/web_page.h"

#include "net/url_parts.h"

namespace corvane {

CWebPage* CWebPage::FromLink(const std::string& linkUrl) {
    return new CWebPage(StripFragment(linkUrl));
}

// The children are released by DeleteSubtree, as their owner decides; a page alone
// releases nothing.
CWebPage::~CWebPage() = default;

}  // namespace corvane
