// Throughput of the page filter's ConvertPage over the sample wiki's pages, as served and
// with each page's body repeated until the page is about 100 KB.
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "convert/cvn_filter.h"
#include "support/test_paths.h"

using namespace corvane;

namespace {

struct Page {
    std::string url;
    std::string text;
};

std::vector<Page> LoadPages() {
    std::vector<Page> pages;
    const auto dir = test::SourceDir() / "sample/wiki/pages";
    for (const auto& entry : std::filesystem::directory_iterator(dir)) {
        const std::string name = entry.path().stem().string();
        pages.push_back({"http://127.0.0.1:8080/?" + name, test::ReadFileBytes(entry.path())});
    }
    return pages;
}

// The page with its body content repeated until the page holds about `size` bytes.
std::string Scale(const std::string& page, std::size_t size) {
    const std::string open = "<div id=\"body\">";
    const std::size_t open_at = page.find(open);
    const std::size_t end = page.find("</div>\n <div id=\"menubar\">");
    // Pages of another shape (the plug-ins' pages) stay as they are.
    if (open_at == std::string::npos || end == std::string::npos || end < open_at) {
        return page;
    }
    const std::size_t begin = open_at + open.size();
    const std::string body = page.substr(begin, end - begin);
    std::string scaled = page.substr(0, end);
    while (scaled.size() + (page.size() - end) < size) {
        scaled += body;
    }
    return scaled + page.substr(end);
}

void Run(const char* label, const std::vector<Page>& pages, double seconds) {
    const auto src = test::SourceDir();
    CCVNFilter filter(nullptr, "^(.*)$", "[$1]", "Manual", "footer",
                      (src / "conf/body.txt").string(), (src / "conf/replace.txt").string());
    std::size_t converted = 0;
    std::size_t bytes = 0;
    std::size_t failed = 0;
    const auto start = std::chrono::steady_clock::now();
    double elapsed = 0;
    do {
        for (const Page& page : pages) {
            std::string out;
            std::vector<CLinkRecord> links;
            filter.BeginPage(CUrlParts(page.url), "", 0, 1);
            if (filter.ConvertPage(LinkKind::None, "Content-Type: text/html; charset=UTF-8\r\n",
                                   page.text, out, links) != 1) {
                ++failed;
            }
            ++converted;
            bytes += page.text.size();
        }
        elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    } while (elapsed < seconds);
    std::size_t total = 0;
    for (const Page& page : pages) {
        total += page.text.size();
    }
    std::printf("%-22s %3zu pages, %7.1f KB average: %9.1f pages/s %7.2f MB/s%s\n", label,
                pages.size(), total / 1024.0 / pages.size(), converted / elapsed,
                bytes / elapsed / (1024.0 * 1024.0), failed ? "  (some pages not converted!)" : "");
}

}  // namespace

int main() {
    const std::vector<Page> pages = LoadPages();
    Run("sample pages", pages, 2.0);
    std::vector<Page> large = pages;
    for (Page& page : large) {
        page.text = Scale(page.text, 100 * 1024);
    }
    Run("pages scaled to 100 KB", large, 3.0);
    return 0;
}
