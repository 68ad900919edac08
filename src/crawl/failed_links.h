// Links to pages that did not come back. A page converted before another page failed already
// names that page's file; after the crawl, such links in the saved help pages are turned into
// links to the page on the wiki, as for a page the rules exclude, so that no help page points
// at a file the help file does not hold.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "crawl/web_page.h"

namespace corvane {

// Local file name → URL of every page of the run that has a name but no file from this run
// (names that a saved page holds are not among them).
std::map<std::string, std::string> FailedPageTargets(const std::vector<CWebPage*>& pages);

// `html` with every href or src value inside a tag that names one of `targets` (the name
// alone or followed by a fragment) replaced by the target's URL, written as an attribute
// value ("&" as "&amp;"), the fragment kept.
std::string RelinkReferences(const std::string& html,
                             const std::map<std::string, std::string>& targets);

// Rewrites the saved help pages of `pages` in `folder` (which ends with a separator) that link
// to failed pages. Returns a reason (Shift_JIS) for each file that could not be rewritten.
std::vector<std::string> RelinkFailedPages(const std::string& folder,
                                           const std::vector<CWebPage*>& pages);

}  // namespace corvane
