// How wiki URLs map to files in the output folder and to readable page names: the one
// file-name rule shared by the crawl and the link rewriting, and the split of a page URL
// into the wiki's address and the page name.
#pragma once

#include <string>

namespace corvane {

// The page PukiWiki shows for its script URL without a query ("./", "http://host/wiki/",
// ".../index.php").
inline constexpr const char* kDefaultPageName = "FrontPage";

// The name under which the target of `url` is saved; all files lie side by side in the
// output folder, so the name never holds a folder part. Empty when the URL does not parse.
// A fragment stays attached ("Foo.html#note").
std::string LocalFileName(const std::string& url);

// True for a URL of the wiki's script without a query: its path is empty, ends in '/' or
// names a PHP script.
bool IsWikiScriptUrl(const std::string& path, const std::string& extra);

// 1 when `url` is a wiki page URL (a query, or the wiki's script without one): `wikiBase`
// becomes scheme "://" host path, `pageName` the decoded page name in Shift_JIS. 0
// otherwise, with both outs left as they were.
int SplitPageUrl(const std::string& url, std::string& wikiBase, std::string& pageName);

// The text before the first '#' of a local file name.
std::string StripLocalFragment(const std::string& localName);

}  // namespace corvane
