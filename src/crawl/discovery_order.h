// The order in which a crawl with a single worker finds its pages, made again from the links
// each page gave the crawl, so that a run with several workers (which finish pages in any
// order) lists its files as that run would: the same site gives the same help project.
#pragma once

#include <vector>

#include "crawl/web_page.h"

namespace corvane {

// `pages` is a finished run's page list, the start pages (level 0) first. A single worker
// takes pages first in, first out, and each page adds its links in page order unless the URL
// or the file it names is known already (the start page's file is taken first). A page the
// replay does not reach (its link went to another page of the same file) follows in its
// place in `pages`.
std::vector<CWebPage*> SingleWorkerOrder(const std::vector<CWebPage*>& pages);

}  // namespace corvane
