// Throughput of CRegManager::Replace on a generated ~100 KB Shift_JIS wiki page.
#include <chrono>
#include <cstdio>
#include <string>

#include "text/reg_manager.h"

namespace {

// A page shaped like the wiki's: headings with anchor links, paragraphs of Japanese text
// (including characters whose second byte is 0x5C), lists and a table.
std::string MakePage(size_t size) {
    // 表示のテスト (display test), ソフトウェア (software)
    const std::string hyoji = "\x95\x5c\x8e\xa6\x82\xcc\x83\x65\x83\x58\x83\x67";
    const std::string soft = "\x83\x5c\x83\x74\x83\x67\x83\x45\x83\x46\x83\x41";
    std::string page =
        "<!DOCTYPE html>\n<html><head><title>FrontPage</title>\n"
        "<link rel=\"stylesheet\" href=\"skin/pukiwiki.css\" /></head>\n<body>\n"
        "<div id=\"body\">\n";
    for (int n = 0; page.size() < size; ++n) {
        const std::string id = std::to_string(n);
        page += "<h2 id=\"content_1_" + id + "\">" + hyoji + " " + id +
                " <a class=\"anchor_super\" id=\"h" + id + "\" href=\"#h" + id + "\" title=\"h" +
                id + "\">&dagger;</a></h2>\n";
        page += "<p>" + soft + hyoji + " <a href=\"index.php?Page" + id + "\">Page" + id + "</a> " +
                soft + soft + hyoji + "<br />\n" + hyoji + soft + " <strong>" + soft +
                "</strong></p>\n";
        page += "<ul class=\"list1\"><li>" + hyoji + "</li><li><a href=\"index.php?" + soft +
                "\">" + soft + "</a></li></ul>\n";
        page += "<table class=\"style_table\"><tr><td class=\"style_td\">" + hyoji +
                "</td><td class=\"style_td\">" + id + "</td></tr></table>\n";
    }
    return page + "</div>\n</body></html>\n";
}

void Measure(const char* name, const std::string& page, const char* pattern, const char* format,
             const char* options) {
    corvane::CRegManager reg;
    int matches = 0;
    long long bytes = 0;
    int runs = 0;
    const auto start = std::chrono::steady_clock::now();
    double seconds = 0;
    do {
        std::string subject = page;
        matches = reg.ReplaceFormat(subject, pattern, format, options);
        bytes += static_cast<long long>(page.size());
        ++runs;
        seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    } while (seconds < 1.0);
    std::printf("%-28s %6d matches/page  %8.1f MB/s  (%d runs, %.2f ms/page)\n", name, matches,
                bytes / seconds / 1e6, runs, seconds * 1e3 / runs);
}

}  // namespace

int main() {
    const std::string page = MakePage(100 * 1024);
    std::printf("page: %zu bytes of Shift_JIS HTML\n", page.size());
    Measure("anchor_super links removed", page, "<a class=\"anchor_super\"[^>]*>.*?</a>", "", "g");
    Measure("all tags stripped", page, "<[^>]*>", "", "g");
    Measure("links rewritten ($1 $2)", page, "<a href=\"([^\"]*)\">(.*?)</a>",
            "<a href=\"$1.html\">$2</a>", "ig");
    Measure("body cut out (one match)", page, "<div id=\"body\">(.*)</div>", "$1", "i");
    return 0;
}
