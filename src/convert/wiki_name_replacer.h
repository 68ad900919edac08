// Rewriting of links to wiki pages before their targets are rewritten: the project's
// WikiName conversion of link texts (with relative page names resolved) and the removal of
// the "title" attribute that PukiWiki puts on page links.
#pragma once

#include <string>

#include "text/reg_callback.h"

namespace corvane {

// Converts the text of one wiki link: resolves "./" and "../" against the current page,
// then applies the WikiName search and replacement to the first match.
class CWikiNameReplacer : public CRegCallback {
public:
    CWikiNameReplacer(const std::string& pageName, const std::string& search,
                      const std::string& replace);
    std::string GetReplacement(const CRegMatch& match) override;

private:
    std::string m_strPageName;
    std::string m_strSearch;
    std::string m_strReplace;
};

// "./Child" under "Top" is "Top/Child", "../Sibling" under "Top/Child" is "Top/Sibling".
// Texts that begin with neither come back unchanged.
std::string ResolveRelativePageName(const std::string& text, const std::string& pageName);

// The pattern that matches the start of the href of a link to a page of the wiki at
// `wikiBase` (scheme://host/path): the absolute address, and the relative forms PukiWiki
// 1.5 writes ("./?Name", "./", "?Name", "index.php?Name").
std::string WikiLinkPrefixPattern(const std::string& wikiBase);

// Rewrites the text of every link to a wiki page with a CWikiNameReplacer.
void ConvertWikiNameLinks(std::string& text, const std::string& wikiBase,
                          const std::string& pageName, const std::string& search,
                          const std::string& replace);

// Removes the double-quoted "title" attribute from every link to a wiki page.
void RemoveLinkTitles(std::string& text, const std::string& wikiBase);

}  // namespace corvane
