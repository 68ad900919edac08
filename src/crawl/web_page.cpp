#include "crawl/web_page.h"

namespace corvane {

std::string CutFragment(const std::string& url)
{
    std::string::size_type hash = url.rfind('#');
    return hash == std::string::npos ? url : url.substr(0, hash);
}

CWebPage* CWebPage::FromLink(const std::string& linkUrl)
{
    return new CWebPage(CutFragment(linkUrl));
}

// The children are released by DeleteSubtree, as their owner decides; a page alone
// releases nothing.
CWebPage::~CWebPage() = default;

}  // namespace corvane
