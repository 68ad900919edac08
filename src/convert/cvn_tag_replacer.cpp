#include "convert/cvn_tag_replacer.h"

#include "convert/wiki_url.h"
#include "net/url_primitives.h"
#include "text/reg_manager.h"

namespace corvane {
namespace {

// Attribute values write '&' as "&amp;"; the URL itself has a plain '&'.
std::string UnescapeAmpersands(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        if (text.compare(i, 5, "&amp;") == 0) {
            out += '&';
            i += 5;
        } else {
            out += text[i++];
        }
    }
    return out;
}

}  // namespace

CCVNTagReplacer::CCVNTagReplacer(int tagGroup, int attributeGroup, int valueGroup,
                                 const std::vector<CTagSpec>& specs, const CUrlParts& pageUrl,
                                 const std::string& baseUrl, const CLinkRules& rules)
    : CTagReplacer(tagGroup, attributeGroup, valueGroup, specs),
      m_pageUrl(pageUrl),
      m_strBaseUrl(baseUrl),
      m_rules(rules) {}

bool IsExcludedUrl(const std::string& url, const std::vector<std::string>& exclusions) {
    CRegManager reg;
    for (const std::string& pattern : exclusions) {
        if (reg.Search(url, pattern, "i") > 0) return true;
    }
    return false;
}

std::string CanonicalPageUrl(const CUrlParts& pageUrl) {
    return CanonicalizeUrl(pageUrl.GetText(), ICU_NO_ENCODE | ICU_DECODE | ICU_NO_META |
                                                  ICU_ENCODE_SPACES_ONLY | ICU_BROWSER_MODE);
}

int CCVNTagReplacer::ConvertUrl(LinkKind kind, const std::string& value, CLinkRecord& record) {
    std::string key = std::to_string(static_cast<int>(kind));
    key += ' ';
    key += value;
    auto it = m_converted.find(key);
    if (it == m_converted.end()) {
        CConverted converted;
        converted.m_nResult = ConvertNewUrl(kind, value, converted.m_record);
        it = m_converted.emplace(std::move(key), std::move(converted)).first;
    }
    if (it->second.m_nResult == 1) {
        record = it->second.m_record;
    }
    return it->second.m_nResult;
}

int CCVNTagReplacer::ConvertNewUrl(LinkKind kind, const std::string& value,
                                   CLinkRecord& record) const {
    std::string url =
        value[0] == '#' ? CanonicalPageUrl(m_pageUrl) + value : CombineUrl(m_strBaseUrl, value, 0);
    if (url.empty()) {
        return 0;
    }
    const CUrlParts target(url);
    if (!target.IsValid()) {
        return 0;
    }
    // An https wiki links its own pages over https.
    if (target.GetScheme() != "http" && target.GetScheme() != m_pageUrl.GetScheme()) {
        return 0;
    }
    if (target.GetHost() != m_pageUrl.GetHost()) {
        return 0;
    }
    const std::string written = url;
    url = UnescapeAmpersands(url);
    if (IsExcludedUrl(url, m_rules.m_exclusions)) {
        // A page that describes one attached file (the "details" link of an attachment
        // list) leads to the file itself, which the crawl fetches unless it is excluded too.
        const std::string file = kind == LinkKind::Anchor ? AttachmentFileUrl(url) : std::string();
        if (file.empty() || IsExcludedUrl(file, m_rules.m_exclusions)) {
            // The page keeps the link, to the wiki on the web; nothing is fetched or saved.
            record.m_kind = kind;
            record.m_strUrl = url;
            record.m_strReference = written;
            record.m_bFollow = false;
            return 1;
        }
        url = file;
    }
    const std::string local = m_rules.m_pNames
                                  ? m_rules.m_pNames->Assign(url, m_rules.m_strScriptUrl)
                                  : LocalFileName(url, m_rules.m_strScriptUrl);
    if (local.empty()) {
        return 0;
    }
    record.m_kind = kind;
    record.m_strUrl = url;
    record.m_strReference = local;
    record.m_strLocalName = StripLocalFragment(local);
    record.m_bFollow = true;
    return 1;
}

std::string RewriteTags(const std::string& text, const std::vector<CTagSpec>& specs,
                        std::vector<CLinkRecord>& records, const CUrlParts& pageUrl,
                        const std::string& baseUrl, const CLinkRules& rules) {
    CCVNTagReplacer replacer(1, 2, 3, specs, pageUrl, baseUrl, rules);
    std::string out = text;
    CRegManager reg;
    reg.Replace(out, BuildTagPattern(specs), replacer, "ig");
    const std::vector<CLinkRecord>& found = replacer.GetRecords();
    records.insert(records.end(), found.begin(), found.end());
    return out;
}

}  // namespace corvane
