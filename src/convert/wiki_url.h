// How wiki URLs map to files in the output folder and to readable page names: the one
// file-name rule shared by the crawl and the link rewriting, and the split of a page URL
// into the wiki's address and the page name.
#pragma once

#include <string>

#include "text/text_encoding.h"

namespace corvane {

// The page PukiWiki shows for its script URL without a query ("./", "http://host/wiki/",
// ".../index.php").
inline constexpr const char* kDefaultPageName = "FrontPage";

// The name under which the target of `url` is saved; all files lie side by side in the
// output folder, so the name never holds a folder part. Empty when the URL does not parse.
// A fragment stays attached ("Foo.html#note"). A URL without a query is the wiki's default
// page only when it is the script of `scriptUrl` (the start page's URL, see IsSameScript);
// any other one (a site's top page, a file) is named by its last path component.
std::string LocalFileName(const std::string& url, const std::string& scriptUrl = "");

// What `url` fetches, as far as the output folder is concerned: URLs with one target (a page
// by either of its query forms, the script and its default page) give one text, URLs with
// different targets different texts, even where LocalFileName gives them one name ("?C%2B"
// and "?C2B"). Empty when the URL does not parse.
std::string LocalFileTarget(const std::string& url, const std::string& scriptUrl = "");

// True when `url` has no query and addresses the same wiki script as `scriptUrl`: same
// scheme, host and port, and the same path, where "dir/" and "dir/index.php" are one.
bool IsSameScript(const std::string& url, const std::string& scriptUrl);

// 1 when `url` is a wiki page URL (a query, or the script of `scriptUrl` without one):
// `wikiBase` becomes scheme "://" host path, `pageName` the decoded page name in
// Shift_JIS. The name's bytes are read in `nameEncoding` (the encoding of the page that
// carries the name) when it is known; only a name without that knowledge is guessed. 0
// otherwise, with both outs left as they were.
int SplitPageUrl(const std::string& url, std::string& wikiBase, std::string& pageName,
                 const std::string& scriptUrl = "",
                 TextEncoding nameEncoding = kEncodingUndetermined);

// The URL of the attached file that `url` describes when it is the attachment plug-in's
// information page of one file ("?plugin=attach&pcmd=info&file=F&refer=P", '&' plain, in any
// order): the same script with "?plugin=attach&pcmd=open&file=F&refer=P", F and P as they
// stand. Empty for any other URL.
std::string AttachmentFileUrl(const std::string& url);

// The text before the first '#' of a local file name.
std::string StripLocalFragment(const std::string& localName);

}  // namespace corvane
