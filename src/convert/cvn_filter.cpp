#include "convert/cvn_filter.h"

#include <boost/format.hpp>

#include "convert/content_kind.h"
#include "convert/cvn_tag_replacer.h"
#include "convert/replace_rule.h"
#include "convert/rule_file.h"
#include "convert/wiki_name_replacer.h"
#include "convert/wiki_url.h"
#include "net/url_primitives.h"
#include "platform/markup_escape.h"
#include "platform/sjis_text.h"
#include "text/reg_manager.h"
#include "text/text_encoding.h"

namespace corvane {
namespace {

const char* const kFooterFormat = "<hr class=\"full_hr\" />\n<address>\n%s</address>\n";
const char* const kTitleSuffix = " - PukiWiki";
const char* const kExcludeFile = "exclude.txt";
constinit CSjisText kSearchGivenUp{"ページの変換を打ち切りました: パターン [%s] (%s)"};
// Why a page failed whose replacement rules would have made it too large.
const char* const kGrewTooLarge = "the replacements make the page larger than %d bytes";

// How large the replacement rules may make the kept part of a page of `size` bytes: twice
// its size and a mebibyte, so that rules that add markup to every match always fit, while
// rules that copy a match again and again, rule after rule, stop.
std::size_t ReplacedSizeLimit(std::size_t size) { return 2 * size + (std::size_t{1} << 20); }

// The path of `name` in the folder of the file at `path` (a Shift_JIS path text).
std::string BesideFile(const std::string& path, const std::string& name) {
    std::size_t folderEnd = 0;
    for (std::size_t i = 0; i < path.size(); i += SjisCharLength(path, i)) {
        // A trail byte 0x5C of a double-byte character is no separator.
        if (path[i] == '/' || path[i] == '\\') folderEnd = i + 1;
    }
    return path.substr(0, folderEnd) + name;
}

std::string TrimBlanks(const std::string& text) {
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// The page title from the old head: line breaks removed, blanks trimmed, the wiki's
// " - PukiWiki" suffix cut.
std::string TitleOf(const std::string& oldHead) {
    CRegManager reg;
    std::string title;
    // The head is part of the page text, which is Shift_JIS by now: a second conversion
    // would take a run of half-width katakana for EUC-JP.
    if (reg.Search(oldHead, "<title>(.*?)</title>", "i") > 0) {
        title = reg.GetGroup(1);
    }
    std::string joined;
    for (char c : title) {
        if (c != '\r' && c != '\n') {
            joined += c;
        }
    }
    title = TrimBlanks(joined);
    const std::string suffix = kTitleSuffix;
    if (title.size() >= suffix.size() &&
        title.compare(title.size() - suffix.size(), suffix.size(), suffix) == 0) {
        title.erase(title.size() - suffix.size());
    }
    return title;
}

}  // namespace

CCVNFilter::CCVNFilter(const std::string& wikiNameSearch, const std::string& wikiNameReplace,
                       const std::string& title, const std::string& footer,
                       const std::string& bodyRulesPath, const std::string& replaceRulesPath,
                       const std::string& excludeRulesPath)
    : m_strWikiNameSearch(wikiNameSearch),
      m_strWikiNameReplace(wikiNameReplace),
      m_strTitle(title),
      m_strFooter(footer),
      m_strBodyRulesPath(bodyRulesPath),
      m_strReplaceRulesPath(replaceRulesPath),
      m_strExcludeRulesPath(excludeRulesPath.empty() ? BesideFile(replaceRulesPath, kExcludeFile)
                                                     : excludeRulesPath) {
    m_linkRules.m_exclusions = ReadRuleFile(m_strExcludeRulesPath);
    m_linkRules.m_pNames = std::make_shared<CLocalNames>();
    for (const std::string& line : ReadRuleFile(replaceRulesPath)) {
        CReplaceRule rule = ParseReplaceRule(line);
        m_rules.emplace_back(std::move(rule.m_strPattern), std::move(rule.m_strReplacement));
    }
    const std::vector<std::string> body = ReadRuleFile(bodyRulesPath);
    if (!body.empty()) {
        m_strBodyPattern = body.front();
    }
    m_strFooterBlock = (boost::format(kFooterFormat) % footer).str();
}

void CCVNFilter::SetStartUrl(const std::string& startUrl) {
    const CUrlParts url(StripFragment(startUrl));
    m_strStartPageUrl = url.IsValid() ? CanonicalPageUrl(url) : std::string();
}

int CCVNFilter::BeginPage(const CUrlParts& url, const std::string& presetName, int /*flag*/,
                          int depth) {
    if (!url.IsValid()) {
        return 0;
    }
    std::string base = url.MakeBaseUrl();
    if (base.empty()) {
        return 0;
    }
    std::string canonical = CanonicalPageUrl(url);
    std::string script = m_strStartPageUrl;
    if (script.empty() && url.GetExtra().size() > 1 && url.GetExtra()[0] == '?') {
        // No start URL given: a page of the wiki (it has a query) tells the script itself.
        script = canonical;
    }
    std::string local =
        presetName.empty() ? m_linkRules.m_pNames->Assign(canonical, script) : presetName;
    if (local.empty()) {
        return 0;
    }
    m_linkRules.m_strScriptUrl = std::move(script);
    m_pageUrl = url;
    m_strCanonicalUrl = std::move(canonical);
    m_strBaseUrl = std::move(base);
    m_strLocalName = std::move(local);
    m_nDepth = depth;
    return 1;
}

int CCVNFilter::ConvertPage(LinkKind kind, const std::string& headers, std::string_view content,
                            std::string& out, std::vector<CLinkRecord>& links) {
    out.clear();
    m_strConversionError.clear();
    if (ClassifyContent(m_pageUrl.GetPath(), headers, content, kind) != ContentKind::Html) {
        return 0;
    }
    // The page up to a NUL byte, read where it lies and copied once, into Shift_JIS.
    const std::string_view raw = content.substr(0, content.find('\0'));
    const TextEncoding encoding = PageEncoding(headers, raw);
    std::string text =
        encoding != kEncodingShiftJis ? ConvertToShiftJis(raw, encoding) : std::string(raw);
    // The page's name is percent-encoded in the page's own encoding; a page that tells
    // nothing by its bytes (plain ASCII) may still have its charset declared.
    TextEncoding nameEncoding = encoding;
    if (nameEncoding != kEncodingShiftJis && nameEncoding != kEncodingEucJp &&
        nameEncoding != kEncodingUtf8) {
        nameEncoding = DeclaredCharset(headers);
    }
    std::string wikiBase;
    std::string pageName;
    if (SplitPageUrl(m_strCanonicalUrl, wikiBase, pageName, m_linkRules.m_strScriptUrl,
                     nameEncoding) == 0) {
        return 0;
    }
    // Links are collected apart so that a page that is not converted reports none.
    std::vector<CLinkRecord> found;
    const std::string head = BuildHead(text, found);
    if (head.empty() || IsAborted()) {
        return 0;
    }
    const std::string body = BuildBody(text, wikiBase, pageName, found);
    if (body.empty()) {
        return 0;
    }
    out = head + body;
    links.insert(links.end(), found.begin(), found.end());
    return 1;
}

bool CCVNFilter::GaveUp(int result, const CRegManager& reg, const std::string& pattern) {
    // A pattern that does not compile was refused before the crawl.
    if (result != CRegManager::kGivenUp) return false;
    m_strConversionError = (boost::format(kSearchGivenUp) % pattern % reg.GetError()).str();
    return true;
}

std::string CCVNFilter::BuildHead(std::string& text, std::vector<CLinkRecord>& links) {
    CRegManager reg;
    const char* const headEnd = ".*?</head>";
    if (const int found = reg.Search(text, headEnd, "i"); found < 1) {
        GaveUp(found, reg, headEnd);
        return {};
    }
    const std::string oldHead = reg.GetGroup(0);
    text = reg.FormatMatch("$'");
    const std::string title = TitleOf(oldHead);

    std::vector<CLinkRecord> records;
    RewriteTags(oldHead, {{LinkKind::StyleSheet, "link", "href"}}, records, m_pageUrl, m_strBaseUrl,
                m_linkRules);
    // The first link that is fetched is the style sheet.
    std::erase_if(records, [](const CLinkRecord& record) { return !record.m_bFollow; });
    if (records.empty()) {
        return {};
    }
    links.push_back(records.front());
    return std::string(
               "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01//EN\" "
               "\"http://www.w3.org/TR/html4/strict.dtd\">\n"
               "<html lang=\"ja\">\n"
               "<head>\n"
               "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=Shift-JIS\">\n"
               "<meta http-equiv=\"Content-Style-Type\" content=\"text/css\">\n") +
           (boost::format("<link rel=\"stylesheet\" type=\"text/css\" href=\"%s\">\n") %
            records.front().m_strReference)
               .str() +
           // The wiki escaped its title; what it left raw is escaped here.
           (boost::format("<title>%s</title>\n") % EscapeMarkupKeepingReferences(title)).str() +
           "</head>\n";
}

std::string CCVNFilter::BuildBody(const std::string& text, const std::string& wikiBase,
                                  const std::string& pageName, std::vector<CLinkRecord>& links) {
    if (m_strBodyPattern.empty()) {
        return {};
    }
    CRegManager reg;
    if (const int found = reg.Search(text, m_strBodyPattern, "i"); found < 1) {
        GaveUp(found, reg, m_strBodyPattern);
        return {};
    }
    std::string content = reg.GetGroup(1);
    const std::size_t limit = ReplacedSizeLimit(content.size());
    for (const auto& [pattern, replacement] : m_rules) {
        // An abort is not kept waiting for the rest of a long page's rules.
        if (IsAborted()) return {};
        CReplaceRuleCallback expand(replacement, content.size(), limit);
        // A removal rule that gave up would leave what it removes: the page fails instead.
        if (GaveUp(reg.Replace(content, pattern, expand, "ig"), reg, pattern)) {
            return {};
        }
        if (expand.IsOverLimit()) {
            const std::string why = (boost::format(kGrewTooLarge) % limit).str();
            m_strConversionError = (boost::format(kSearchGivenUp) % pattern % why).str();
            return {};
        }
    }
    if (IsAborted()) return {};
    if (!m_strWikiNameSearch.empty()) {
        ConvertWikiNameLinks(content, wikiBase, pageName, m_strWikiNameSearch,
                             m_strWikiNameReplace);
    }
    RemoveLinkTitles(content, wikiBase);

    std::vector<CLinkRecord> records;
    content =
        RewriteTags(content, {{LinkKind::Anchor, "a", "href"}, {LinkKind::Image, "img", "src"}},
                    records, m_pageUrl, m_strBaseUrl, m_linkRules);
    for (const CLinkRecord& record : records) {
        std::string base;
        std::string name;
        // Excluded links stay links to the web. Same-host "a" links to plain files are
        // rewritten but only pages and plug-in downloads (which carry a query) are fetched.
        if (!record.m_bFollow) {
            continue;
        }
        if (record.m_kind != LinkKind::Anchor ||
            SplitPageUrl(record.m_strUrl, base, name, m_linkRules.m_strScriptUrl) == 1) {
            links.push_back(record);
        }
    }

    std::string heading = m_strTitle;
    if (m_nDepth != 0) {
        heading = pageName;
        if (!m_strWikiNameSearch.empty()) {
            reg.ReplaceFormat(heading, m_strWikiNameSearch, m_strWikiNameReplace, "i");
        }
    }
    // The page name comes from the URL and the title from the project: both plain text, which
    // a wiki editor or a shared project could fill with markup.
    return "<body>\n<h2>" + EscapeMarkup(heading) + "</h2>\n" + content + m_strFooterBlock +
           "</body>\n</html>\n";
}

BodyTarget CCVNFilter::GetBodyTarget() const { return BodyTargetOf(m_pageUrl.GetPath()); }

CHTMLFilter* CCVNFilter::Clone() const {
    auto* clone = new CCVNFilter(m_strWikiNameSearch, m_strWikiNameReplace, m_strTitle, m_strFooter,
                                 m_strBodyRulesPath, m_strReplaceRulesPath, m_strExcludeRulesPath);
    clone->m_strStartPageUrl = m_strStartPageUrl;
    clone->m_linkRules.m_pNames = m_linkRules.m_pNames;
    return clone;
}

}  // namespace corvane
