// Throughput of encoding detection and conversion to Shift_JIS on a wiki page of about
// 100 KB, generated here in UTF-8 (and converted to EUC-JP and ISO-2022-JP for those rows).
#include <chrono>
#include <cstdio>
#include <string>

#include "platform/text_codec.h"
#include "text/text_encoding.h"
#include "text/width_normalizer.h"

namespace {

std::string MakePage(size_t targetBytes) {
    std::string page =
        "<!DOCTYPE html>\n<html lang=\"ja\">\n<head>\n"
        " <meta http-equiv=\"Content-Type\" content=\"text/html; charset=UTF-8\" />\n"
        " <title>プロジェクトの設定 - PukiWiki</title>\n"
        " <link rel=\"stylesheet\" type=\"text/css\" href=\"skin/pukiwiki.css\" />\n"
        "</head>\n<body>\n<div id=\"body\">\n";
    for (int n = 1; page.size() < targetBytes; ++n) {
        page += "<h2 id=\"content_1_" + std::to_string(n) + "\">第" + std::to_string(n) +
                "章　ヘルプ作成の手順</h2>\n"
                "<p>出力フォルダとベース名を入力し、開始URLに<a href=\"./?FrontPage\" "
                "title=\"FrontPage\">FrontPage</a>を指定します。受付時間は10時〜17時です。"
                "①設定を開き、②「ヘルプ作成」を押すと、ﾀﾞｳﾝﾛｰﾄﾞが始まります。</p>\n"
                "<ul class=\"list1 list-indent1\"><li><a href=\"./?%E3%81%AF\">はじめに</a></li>"
                "<li><a href=\"./?Faq\">よくある質問（ＦＡＱ）</a></li></ul>\n";
    }
    page += "</div>\n</body>\n</html>\n";
    return page;
}

template <typename F>
double MegabytesPerSecond(size_t bytes, F&& run) {
    using Clock = std::chrono::steady_clock;
    run();  // warm-up (first use builds the conversion tables)
    int rounds = 0;
    const auto start = Clock::now();
    double seconds = 0;
    do {
        run();
        ++rounds;
        seconds = std::chrono::duration<double>(Clock::now() - start).count();
    } while (seconds < 0.5);
    return static_cast<double>(bytes) * rounds / seconds / 1e6;
}

}  // namespace

int main() {
    using namespace corvane;
    const std::string utf8 = MakePage(100 * 1000);
    const std::string euc = ConvertCodePage(utf8, "UTF-8", "EUC-JP-MS", "?");
    const std::string jis = ConvertCodePage(utf8, "UTF-8", "ISO-2022-JP", "?");
    const std::string sjis = ConvertToShiftJis(utf8);

    size_t sink = 0;
    std::printf("page: %zu bytes UTF-8, %zu EUC-JP, %zu ISO-2022-JP, %zu Shift_JIS\n", utf8.size(),
                euc.size(), jis.size(), sjis.size());
    std::printf("DetectEncoding (UTF-8 page):        %8.1f MB/s\n",
                MegabytesPerSecond(utf8.size(), [&] { sink += DetectEncoding(utf8); }));
    std::printf("ConvertToShiftJis UTF-8:            %8.1f MB/s\n",
                MegabytesPerSecond(utf8.size(), [&] { sink += ConvertToShiftJis(utf8).size(); }));
    std::printf("ConvertToShiftJis EUC-JP:           %8.1f MB/s\n",
                MegabytesPerSecond(euc.size(), [&] { sink += ConvertToShiftJis(euc).size(); }));
    std::printf("ConvertToShiftJis ISO-2022-JP:      %8.1f MB/s\n",
                MegabytesPerSecond(jis.size(), [&] { sink += ConvertToShiftJis(jis).size(); }));
    std::printf("ConvertToShiftJis Shift_JIS (none): %8.1f MB/s\n",
                MegabytesPerSecond(sjis.size(), [&] { sink += ConvertToShiftJis(sjis).size(); }));
    std::printf("NormalizeWidth Shift_JIS:           %8.1f MB/s\n",
                MegabytesPerSecond(sjis.size(), [&] { sink += NormalizeWidth(sjis).size(); }));
    return sink == 0 ? 1 : 0;
}
