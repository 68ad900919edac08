// The downloader: the crawl engine over pages of a wiki, run with CDownloaderThread workers.
#pragma once

#include "crawl/checker.h"
#include "crawl/web_page.h"

namespace corvane {

using CDownloader = CChecker<CWebPage>;

}  // namespace corvane
