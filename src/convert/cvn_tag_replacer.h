// The program's rule for which link targets belong to the wiki being converted and what
// they are called in the output folder, and the rewriting entry point of the page filter.
#pragma once

#include <string>
#include <vector>

#include "convert/tag_replacer.h"
#include "net/url_parts.h"

namespace corvane {

// Accepts same-host targets whose scheme is "http" or the page's own, and names them by
// LocalFileName (with the wiki's script URL, which tells the default page); links to other
// sites and schemes stay as they are.
class CCVNTagReplacer : public CTagReplacer {
public:
    CCVNTagReplacer(int tagGroup, int attributeGroup, int valueGroup,
                    const std::vector<CTagSpec>& specs, const CUrlParts& pageUrl,
                    const std::string& baseUrl, const std::string& scriptUrl = "");
    int ConvertUrl(int kind, const std::string& value, CLinkRecord& record) override;

private:
    CUrlParts m_pageUrl;
    std::string m_strBaseUrl;
    std::string m_strScriptUrl;
};

// The page URL's canonical text (escapes decoded, query and fragment as they stand).
std::string CanonicalPageUrl(const CUrlParts& pageUrl);

// Rewrites every element of `text` whose tag and attribute one of `specs` names and that
// points into the wiki at its local file name; appends a record for each to `records`.
std::string RewriteTags(const std::string& text, const std::vector<CTagSpec>& specs,
                        std::vector<CLinkRecord>& records, const CUrlParts& pageUrl,
                        const std::string& baseUrl, const std::string& scriptUrl = "");

}  // namespace corvane
