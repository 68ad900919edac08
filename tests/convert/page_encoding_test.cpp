// Which encoding a page is read in: a byte-order mark first, then the header's charset, then
// the meta's, each only when the page's bytes are valid in it; detection otherwise.
#include <gtest/gtest.h>

#include <string>

#include "convert/content_kind.h"
#include "platform/text_codec.h"

namespace corvane {
namespace {

TEST(PageEncodingTest, TheMetaDeclarationIsLookedForInTheHeadOfThePage) {
    const std::string filler(7000, ' ');
    const struct {
        std::string page;
        TextEncoding encoding;
    } cases[] = {
        {"<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=EUC-JP\">",
         kEncodingEucJp},
        {"<meta charset = 'Shift_JIS'>", kEncodingShiftJis},
        {"<meta name=\"x\"><meta charset=utf-8>", kEncodingUtf8},
        // A long head still holds it; far below, it is no declaration of the page.
        {"<html><head>" + filler + "<meta charset=\"euc-jp\">", kEncodingEucJp},
        {"<html><head>" + filler + filler + "<meta charset=\"euc-jp\">", kEncodingUndetermined},
        {"<meta charset=\"latin1\">", kEncodingUndetermined},
        {"<meta content=\"charset\">", kEncodingUndetermined},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(DeclaredMetaCharset(c.page), c.encoding) << c.page.substr(0, 80);
    }
}

TEST(PageEncodingTest, AByteOrderMarkOutweighsEveryDeclaration) {
    const std::string utf8 = "<p>" + std::string("\xE7\x9B\xAE\xE6\xAC\xA1") + "</p>";  // 目次
    const std::string sjisHeader = "Content-Type: text/html; charset=Shift_JIS\r\n";
    // These bytes are valid Shift_JIS too, but the mark says what they are.
    EXPECT_EQ(PageEncoding(sjisHeader, "\xEF\xBB\xBF" + utf8), kEncodingUtf8);
    EXPECT_EQ(PageEncoding(sjisHeader, utf8), kEncodingShiftJis);
    EXPECT_EQ(PageEncoding("", "<meta charset=\"shift_jis\">" + utf8), kEncodingShiftJis);
    // A declaration the bytes break is no use: detection decides.
    const std::string longer =
        "<p>\xE3\x83\x9A\xE3\x83\xBC\xE3\x82\xB8\xE3\x82\x92 HTML "
        "\xE3\x83\x98\xE3\x83\xAB\xE3\x83\x97</p>";  // ページを HTML ヘルプ
    EXPECT_EQ(PageEncoding("Content-Type: text/html; charset=EUC-JP\r\n", longer), kEncodingUtf8);
}

}  // namespace
}  // namespace corvane
