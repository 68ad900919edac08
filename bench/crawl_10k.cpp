// Crawls a generated wiki of 10,000 small pages served on loopback, with no pause between
// pages, and prints the pages per second and the peak memory of the process.
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <string>

#include "convert/cvn_filter.h"
#include "crawl/downloader.h"
#include "crawl/downloader_config.h"
#include "crawl/downloader_listener.h"
#include "crawl/downloader_thread.h"
#include "support/loopback_server.h"
#include "support/test_paths.h"

using namespace corvane;

namespace {

constexpr int kPages = 10000;

// Page n links to pages 2n+1 and 2n+2 (a binary tree over all pages), back to page 0, and
// shows one shared image.
std::string WikiPage(int n) {
    std::string body = "<html><head><title>P" + std::to_string(n) +
                       "</title><link rel=\"stylesheet\" href=\"skin/wiki.css\"></head><body><div "
                       "id=\"body\"><p>Page " +
                       std::to_string(n) + " of the generated wiki.</p>";
    for (int child : {2 * n + 1, 2 * n + 2}) {
        if (child < kPages) body += "<a href=\"./?P" + std::to_string(child) + "\">next</a> ";
    }
    body += "<a href=\"./?P0\">top</a><img src=\"image/logo.png\"></div></body></html>";
    return body;
}

class Counter : public CDownloaderListener {
public:
    void OnPageFinished(CWebPage*, const CCheckResult& result) override {
        ++m_nPages;
        m_nFailed += result.m_nStatus != CHECK_OK;
    }
    void OnFinished(std::vector<CWebPage*> pages, int) override {
        m_nListed = static_cast<int>(pages.size());
        DeleteAll(pages);
        m_bDone = true;
    }
    int m_nPages = 0;
    int m_nFailed = 0;
    int m_nListed = 0;
    bool m_bDone = false;
};

double Run(int threads, int waitForNewPages, const test::ScratchDir& rules,
           const std::string& start) {
    test::ScratchDir out;
    auto* config = new CDownloaderConfig;
    config->m_nThreadCount = threads;
    config->SetWaitForNewPages(waitForNewPages);
    config->m_nInterval = 0;
    config->SetFolder(out.path().string() + "/");
    auto* worker = new CDownloaderThread;
    auto* filter = new CCVNFilter("", "", "Bench", "", (rules / "body.txt").string(),
                                  (rules / "replace.txt").string());
    filter->SetStartUrl(start);
    worker->SetFilter(filter);
    CDownloader downloader;
    Counter counter;
    downloader.AddListener(&counter);
    const auto begin = std::chrono::steady_clock::now();
    if (!downloader.Start({new CWebPage(start)}, worker, config)) return 0;
    CMessageQueue::ForCurrentThread()->RunUntil([&] { return counter.m_bDone; }, 600000);
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
    std::printf("workers %d: %d pages listed, %d finished (%d failed) in %.2f s: %.0f pages/s\n",
                threads, counter.m_nListed, counter.m_nPages, counter.m_nFailed, seconds,
                counter.m_nPages / seconds);
    return counter.m_nPages / seconds;
}

}  // namespace

int main() {
    test::LoopbackServer server;
    server.Get("/", [](const httplib::Request& req, httplib::Response& res) {
        const std::string query = req.target.substr(req.target.find('?') + 1);
        const int n = query.size() > 1 && query[0] == 'P' ? std::stoi(query.substr(1)) : 0;
        res.set_content(WikiPage(n), "text/html; charset=UTF-8");
    });
    server.Get("/image/logo.png", [](const httplib::Request&, httplib::Response& res) {
        res.set_content(std::string("\x89PNG\r\n\x1a\n", 8) + std::string(120, 'x'), "image/png");
    });
    server.Get("/skin/wiki.css", [](const httplib::Request&, httplib::Response& res) {
        res.set_content("p { margin: 0 }", "text/css");
    });
    server.Start();

    test::ScratchDir rules;
    test::WriteFileBytes(rules / "body.txt", "<div id=\"body\">(.*?)</div>\n");
    test::WriteFileBytes(rules / "replace.txt", "");

    std::printf("crawl of a generated loopback wiki of %d pages, no pause between pages\n", kPages);
    Run(1, 0, rules, server.Url("/?P0"));
    Run(4, 1, rules, server.Url("/?P0"));
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("peak memory (max RSS): %.1f MB\n", usage.ru_maxrss / 1024.0);
    return 0;
}
