#include "convert/wiki_name_replacer.h"

#include <boost/format.hpp>

#include "net/url_primitives.h"
#include "text/reg_manager.h"

namespace corvane {
namespace {

// `text` as a pattern that matches it literally.
std::string QuotePattern(const std::string& text) {
    static const std::string kMeta = ".^$|?*+()[]{}\\/-#";
    std::string out;
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t len = SjisCharLength(text, i);
        if (len == 1 && kMeta.find(text[i]) != std::string::npos) {
            out += '\\';
        }
        out.append(text, i, len);
        i += len;
    }
    return out;
}

}  // namespace

CWikiNameReplacer::CWikiNameReplacer(const std::string& pageName, const std::string& search,
                                     const std::string& replace)
    : m_strPageName(pageName), m_strSearch(search), m_strReplace(replace) {}

std::string ResolveRelativePageName(const std::string& text, const std::string& pageName) {
    if (text.rfind("./", 0) != 0 && text.rfind("../", 0) != 0) {
        return text;
    }
    std::string base = "/" + pageName;
    std::string rest = text;
    for (;;) {
        if (rest.rfind("../", 0) == 0) {
            const std::size_t slash = base.rfind('/');
            base.erase(slash == std::string::npos ? 0 : slash);
            rest.erase(0, 3);
        } else if (rest.rfind("./", 0) == 0) {
            rest.erase(0, 2);
        } else {
            break;
        }
    }
    const std::string joined = base + "/" + rest;
    return joined.substr(1);
}

std::string CWikiNameReplacer::GetReplacement(const CRegMatch& match) {
    std::string name = ResolveRelativePageName(match.Group(1), m_strPageName);
    if (!m_strSearch.empty()) {
        CRegManager reg;
        reg.ReplaceFormat(name, m_strSearch, m_strReplace, "i");
    }
    return match.ReplaceGroup(1, name, 0, 0);
}

std::string WikiLinkPrefixPattern(const std::string& wikiBase) {
    std::string script;
    const std::size_t slash = wikiBase.rfind('/');
    if (slash != std::string::npos && wikiBase.find("://") + 2 != slash) {
        script = wikiBase.substr(slash + 1);
    }
    std::string pattern = "(?:" + QuotePattern(wikiBase) + "|\\./(?=[\"?])|\\?";
    if (!script.empty()) {
        pattern += "|(?:\\./)?" + QuotePattern(script) + "(?=[\"?])";
    }
    return pattern + ")";
}

void ConvertWikiNameLinks(std::string& text, const std::string& wikiBase,
                          const std::string& pageName, const std::string& search,
                          const std::string& replace) {
    const std::string pattern =
        (boost::format("<a href=\"%s[^>]+>([^<]+)</a>") % WikiLinkPrefixPattern(wikiBase)).str();
    CWikiNameReplacer replacer(pageName, search, replace);
    CRegManager reg;
    reg.Replace(text, pattern, replacer, "ig");
}

void RemoveLinkTitles(std::string& text, const std::string& wikiBase) {
    const std::string pattern = (boost::format("(<a href=\"%s[^>]+)(title=\"[^\"]+\")([^>]*>)") %
                                 WikiLinkPrefixPattern(wikiBase))
                                    .str();
    CRegManager reg;
    reg.ReplaceFormat(text, pattern, "$1$3", "ig");
}

}  // namespace corvane
