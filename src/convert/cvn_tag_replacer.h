// The program's rule for which link targets belong to the wiki being converted and what
// they are called in the output folder, and the rewriting entry point of the page filter.
#pragma once

#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "convert/local_names.h"
#include "convert/tag_replacer.h"
#include "net/url_parts.h"

namespace corvane {

// What the rewriting knows of the run beyond the page: the wiki's script (the start page's
// URL), which names the default page, and the exclusion patterns (conf/exclude.txt): a
// target that one of them matches is never fetched and stays a link to the web.
struct CLinkRules {
    std::string m_strScriptUrl;
    std::vector<std::string> m_exclusions;
    // The run's file names (shared by every worker); without it, LocalFileName's.
    std::shared_ptr<CLocalNames> m_pNames;
};

// Accepts same-host targets whose scheme is "http" or the page's own, and names them by
// the run's CLocalNames (LocalFileName without one); links to other sites and schemes stay as they
// are. An excluded target becomes its absolute URL, recorded with the follow flag 0.
class CCVNTagReplacer : public CTagReplacer {
public:
    CCVNTagReplacer(int tagGroup, int attributeGroup, int valueGroup,
                    const std::vector<CTagSpec>& specs, const CUrlParts& pageUrl,
                    const std::string& baseUrl, const CLinkRules& rules);
    // Pages link the same targets again and again (the parent page, attachments, the same
    // image): each value is worked out once per page.
    int ConvertUrl(LinkKind kind, const std::string& value, CLinkRecord& record) override;

private:
    int ConvertNewUrl(LinkKind kind, const std::string& value, CLinkRecord& record) const;

    struct CConverted {
        int m_nResult = 0;
        CLinkRecord m_record;
    };
    std::unordered_map<std::string, CConverted> m_converted;
    CUrlParts m_pageUrl;
    std::string m_strBaseUrl;
    const CLinkRules& m_rules;
};

// True when one of the exclusion patterns matches `url` (letter case ignored).
bool IsExcludedUrl(const std::string& url, const std::vector<std::string>& exclusions);

// The page URL's canonical text (escapes decoded, query and fragment as they stand).
std::string CanonicalPageUrl(const CUrlParts& pageUrl);

// Rewrites every element of `text` whose tag and attribute one of `specs` names and that
// points into the wiki at its local file name; appends a record for each to `records`.
std::string RewriteTags(const std::string& text, const std::vector<CTagSpec>& specs,
                        std::vector<CLinkRecord>& records, const CUrlParts& pageUrl,
                        const std::string& baseUrl, const CLinkRules& rules = {});

}  // namespace corvane
