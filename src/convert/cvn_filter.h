// The program's page filter: rebuilds a PukiWiki page as a help page with a fixed head,
// the body part that conf/body.txt selects with what conf/replace.txt removes or replaces,
// WikiName conversion, links rewritten to local files, a heading and the footer.
#pragma once

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "convert/cvn_tag_replacer.h"
#include "convert/html_filter.h"
#include "text/reg_manager.h"

namespace corvane {

class CCVNFilter : public CHTMLFilter {
public:
    // Reads the rule files from the given paths (Shift_JIS path texts); without a path of
    // its own, exclude.txt is read from the folder of replace.txt, where the rule files
    // lie together.
    CCVNFilter(const std::string& wikiNameSearch, const std::string& wikiNameReplace,
               const std::string& title, const std::string& footer,
               const std::string& bodyRulesPath, const std::string& replaceRulesPath,
               const std::string& excludeRulesPath = "");

    // The run's start URL (as the project gives it), before the first page; clones keep it.
    void SetStartUrl(const std::string& startUrl);

    int BeginPage(const CUrlParts& url, const std::string& presetName, int flag,
                  int depth) override;
    int ConvertPage(LinkKind kind, const std::string& headers, std::string_view content,
                    std::string& out, std::vector<CLinkRecord>& links) override;
    BodyTarget GetBodyTarget() const override;
    CHTMLFilter* Clone() const override;

    // Empty when body.txt is missing or holds no pattern: no page is converted then.
    const std::string& GetBodyPattern() const { return m_strBodyPattern; }
    // The rules of replace.txt as (pattern, replacement); an empty replacement deletes.
    const std::vector<std::pair<std::string, std::string>>& GetRemovalRules() const {
        return m_rules;
    }
    // The URL patterns of exclude.txt: links to them are never fetched.
    const std::vector<std::string>& GetExclusions() const { return m_linkRules.m_exclusions; }

private:
    std::string BuildHead(std::string& text, std::vector<CLinkRecord>& links);
    std::string BuildBody(const std::string& text, const std::string& wikiBase,
                          const std::string& pageName, std::vector<CLinkRecord>& links);
    // True, with the conversion error set, when `result` of a search of `reg` for
    // `pattern` says that the engine gave up.
    bool GaveUp(int result, const CRegManager& reg, const std::string& pattern);

    std::string m_strBodyPattern;
    std::vector<std::pair<std::string, std::string>> m_rules;
    std::string m_strWikiNameSearch;
    std::string m_strWikiNameReplace;
    std::string m_strTitle;
    std::string m_strFooter;
    std::string m_strFooterBlock;
    std::string m_strBodyRulesPath;
    std::string m_strReplaceRulesPath;
    std::string m_strExcludeRulesPath;
    // The run's start page, canonical: where the wiki's script lies (a link without a
    // query to that script is the wiki's default page). Empty until SetStartUrl.
    std::string m_strStartPageUrl;
    std::string m_strCanonicalUrl;  // of the current page
    // The exclusions, and the script URL for the current page: the start page's URL, or
    // before a start page was seen, the current page's own when it is a page of the wiki
    // (has a query).
    CLinkRules m_linkRules;
};

}  // namespace corvane
